// The window listing every recorded entry of one variable in a table.
// Closing it from the title bar hides it.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "rules/readings/HistoryRow.h"
#include "store/XmlDocument.h"

class HistoryTable;
class Fl_Box;

class HistoryTableWindow : public Fl_Double_Window {
public:
    HistoryTableWindow(int w, int h, const char* title, const char* variableName);
    ~HistoryTableWindow() override;

    std::string variableName;
    std::vector<HistoryRow> rows;
    std::vector<std::string> columns;
    bool grouped = false;
    HistoryTable* table = nullptr;
    Fl_Box* countBox = nullptr;  // "Total number of entries: %d"

    void loadData();
};
