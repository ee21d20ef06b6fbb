#include "ui/measurements/HistoryTableWindow.h"

#include <cstdio>
#include <iostream>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "rules/readings/HistoryData.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/HistoryTable.h"

HistoryTableWindow::HistoryTableWindow(int w, int h, const char* title, const char* name)
    : Fl_Double_Window(w, h, title), variableName(name ? name : "") {
    TRACE_SCOPE("HistoryTableWindow::HistoryTableWindow");
    // The window outlives the caller's title text.
    copy_label(title);
    color(panelColor);
    grouped = false;
    const bool nameFits = variableName.size() <= RangeRules::kMaxName;
    if (nameFits) loadData();

    char count[64];
    std::snprintf(count, sizeof count, "Total number of entries: %d", static_cast<int>(rows.size()));
    countBox = new Fl_Box(10, 20, w - 20, 20);
    countBox->box(FL_NO_BOX);
    countBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    countBox->copy_label(count);

    table = new HistoryTable(10, 45, w - 20, h - 55);
    // Every row is 18 high. New rows take the height of the last existing
    // row, so one row is set first; setting the rows one by one would
    // recompute the table's height once per row.
    table->rows(1);
    table->row_height(0, 18);
    table->rows(static_cast<int>(rows.size()));
    table->cols(static_cast<int>(columns.size()));
    if (!columns.empty()) {
        // Share the width out among the columns; the user may resize them.
        const int usable = w - 20 - Fl::scrollbar_size() - 4;
        const int width = usable / static_cast<int>(columns.size());
        table->col_width_all(width < 80 ? 80 : width);
    }
    table->redraw();
    resizable(table);
    end();

    if (!nameFits) {
        TRACE_MSG(4, "HistoryTableWindow::HistoryTableWindow")
            << "Refused variable name longer than " << RangeRules::kMaxName << " characters";
        Dialogs::alert(RangeRules::nameTooLongMessage(variableName));
        return;
    }
    show();
}

HistoryTableWindow::~HistoryTableWindow() {}

void HistoryTableWindow::loadData() {
    columns = HistoryData::columnsFor(variableName, grouped);
    XmlNode* variable = Global::userOpen ? Global::findVariable(variableName.c_str()) : nullptr;
    rows = HistoryData::readRows(variable, variableName, columns, grouped, std::cerr);
}
