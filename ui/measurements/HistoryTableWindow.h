// The window listing every recorded entry of one variable in a table, where
// readings are corrected (Edit…, Return or a double-click on a row) and
// removed (Remove… or Delete, after a question). Newest first; a click on a
// column header sorts by it. Closing it from the title bar hides it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "rules/readings/HistoryRow.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"
#include "ui/main/OwnedWindow.h"

class HistoryTable;
class MainWindow;
class Fl_Box;
class Fl_Button;
class NewEntryWindow;

class HistoryTableWindow : public Fl_Double_Window {
public:
    // Readings are shown in the main window's units, and a change is told
    // to it (none without one).
    HistoryTableWindow(MainWindow* mainWindow, int w, int h, const char* title, const char* variableName);
    ~HistoryTableWindow() override;

    std::string variableName;
    std::vector<HistoryRow> rows;
    std::vector<std::string> columns;
    bool grouped = false;
    HistoryTable* table = nullptr;
    Fl_Box* countBox = nullptr;  // "Total number of entries: %d"
    Fl_Button* editButton = nullptr;
    Fl_Button* removeButton = nullptr;
    // The order of the rows: the column sorted by and its direction.
    int sortColumn = 0;
    bool sortAscending = false;

    void loadData();
    // The units readings are shown in.
    const Units::Preferences& units() const;
    // Reads the rows again after a change, keeping the order and the
    // selected readings that are still there. Hides the window when another
    // user's document replaced the one it was opened on.
    void reload();
    // A click on a column header: that column ascending, or the other way
    // round when it is already the sorted one.
    void sortBy(int column);
    // The entries of the selected rows, in the rows' order.
    std::vector<XmlNode*> selectedEntries() const;
    // Selects the rows of the entries recorded at the instant (the chart's
    // key of a point) and scrolls the first into view; false when none is.
    bool selectInstant(std::int64_t instant);

    // "Remove…" and Delete: asks, removes the selected readings and saves.
    void removeCB_i();
    // "Edit…", Return and a double-click: the entry window for the first
    // selected reading.
    void editCB_i();
    static void removeCB(Fl_Widget*, void* window);
    static void editCB(Fl_Widget*, void* window);

    int handle(int event) override;

    // The shown history window of a variable, or null.
    static HistoryTableWindow* find(const std::string& variableName);
    // Shows the variable's history window, making it when none is open.
    static HistoryTableWindow* showFor(MainWindow* mainWindow, const std::string& variableName, int w, int h);
    // Brings every open history window up to date.
    static void reloadAll();

private:
    // The table's columns, sharing out the window's width.
    void fitColumns();
    MainWindow* mainWindow_;
    void setCount();
    // Reads the rows from the open user's document, keeping the selected
    // readings that are still there.
    void refill();
    void applyOrder();
    std::uint64_t generation = 0;
    OwnedWindow<NewEntryWindow> editWindow;  // the last one Edit… opened
};
