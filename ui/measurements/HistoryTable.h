// The table of the history window: one row per recorded entry, one column
// per title of its window's columns. A click on a column header sorts by
// it, a double-click on a row edits that reading.
#pragma once

#include <string>

#include <FL/Fl_Table_Row.H>

class HistoryTableWindow;

class HistoryTable : public Fl_Table_Row {
public:
    HistoryTable(int x, int y, int w, int h);

    HistoryTableWindow* owner = nullptr;
    // Body cells drawn since the table was made: only the visible ones are
    // drawn, however long the history.
    long cellsDrawn = 0;

    // The title shown over table column col, or null past the last title.
    const std::string* columnTitle(int col) const;
    // The text shown in a cell, or null outside the rows and columns.
    const std::string* cellText(int row, int col) const;
    // The same as drawn: dates and times in the style the person chose (the
    // rows keep the file's); empty outside the rows and columns.
    std::string shownText(int row, int col) const;
    // The window rectangle of a cell or header; false when it is not shown.
    bool cellRect(TableContext context, int row, int col, int& x, int& y, int& w, int& h);

    int handle(int event) override;

protected:
    void draw_cell(TableContext context, int row, int col, int x, int y, int w, int h) override;
};
