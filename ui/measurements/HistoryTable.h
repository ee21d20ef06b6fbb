// The table of the history window.
#pragma once

#include <FL/Fl_Table_Row.H>

class HistoryTableWindow;

class HistoryTable : public Fl_Table_Row {
public:
    HistoryTable(int x, int y, int w, int h);

    HistoryTableWindow* owner = nullptr;

protected:
    void draw_cell(TableContext context, int row, int col, int x, int y, int w, int h) override;
};
