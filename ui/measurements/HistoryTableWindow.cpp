#include "ui/measurements/HistoryTableWindow.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/readings/HistoryData.h"
#include "rules/readings/RangeRules.h"
#include "rules/readings/ReadingEdits.h"
#include "rules/time/LocalDayClock.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/NewEntryWindow.h"

namespace {

// Every history window alive, so that a change shows in all of them.
std::vector<HistoryTableWindow*>& alive() {
    static std::vector<HistoryTableWindow*> windows;
    return windows;
}

}  // namespace

HistoryTableWindow::HistoryTableWindow(MainWindow* mainWindow, int w, int h, const char* title, const char* name)
    : Fl_Double_Window(w, h, title), variableName(name ? name : ""), mainWindow_(mainWindow) {
    TRACE_SCOPE("HistoryTableWindow::HistoryTableWindow");
    // The window outlives the caller's title text.
    copy_label(title);
    color(panelColor);
    grouped = false;
    const bool nameFits = variableName.size() <= RangeRules::kMaxName;
    if (nameFits) loadData();

    countBox = new Fl_Box(10, 20, w - 20, 20);
    countBox->box(FL_NO_BOX);
    countBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    setCount();
    editButton = new Fl_Button(w - 200, 12, 90, 28, "Edit…");
    editButton->callback(editCB, this);
    editButton->tooltip("Correct the selected reading (also: Return or a double-click)");
    removeButton = new Fl_Button(w - 100, 12, 90, 28, "Remove…");
    removeButton->callback(removeCB, this);
    removeButton->tooltip("Remove the selected readings (also: Delete)");

    table = new HistoryTable(10, 45, w - 20, h - 55);
    // Every row is 18 high. New rows take the height of the last existing
    // row, so one row is set first; setting the rows one by one would
    // recompute the table's height once per row.
    table->rows(1);
    table->row_height(0, 18);
    table->rows(static_cast<int>(rows.size()));
    fitColumns();
    table->redraw();
    resizable(table);
    end();
    alive().push_back(this);

    if (!nameFits) {
        TRACE_MSG(4, "HistoryTableWindow::HistoryTableWindow")
            << "Refused variable name longer than " << RangeRules::kMaxName << " characters";
        Dialogs::alert(RangeRules::nameTooLongMessage(variableName));
        return;
    }
    TextScale::fit(*this);
    show();
}

HistoryTableWindow::~HistoryTableWindow() {
    auto& windows = alive();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

const Units::Preferences& HistoryTableWindow::units() const { return MainWindow::unitsOf(mainWindow_); }

void HistoryTableWindow::loadData() {
    columns = HistoryData::columnsFor(variableName, grouped, units());
    generation = Global::userDoc.generation();
    XmlNode* variable = Global::userOpen ? Global::findVariable(variableName.c_str()) : nullptr;
    HistoryData::addDetailColumns(variable, variableName, columns);
    rows = HistoryData::readRows(variable, variableName, columns, grouped, units(), std::cerr);
    applyOrder();
}

void HistoryTableWindow::applyOrder() {
    HistoryData::sortRows(rows, static_cast<std::size_t>(sortColumn), sortAscending);
}

void HistoryTableWindow::setCount() {
    char count[64];
    std::snprintf(count, sizeof count, "Total number of entries: %d", static_cast<int>(rows.size()));
    if (countBox) countBox->copy_label(count);
}

std::vector<XmlNode*> HistoryTableWindow::selectedEntries() const {
    std::vector<XmlNode*> entries;
    for (int r = 0; table && r < table->rows() && static_cast<std::size_t>(r) < rows.size(); ++r)
        if (table->row_selected(r) == 1 && rows[static_cast<std::size_t>(r)].entry)
            entries.push_back(rows[static_cast<std::size_t>(r)].entry);
    return entries;
}

void HistoryTableWindow::reload() {
    if (!Global::userOpen || Global::userDoc.generation() != generation) {
        // Its rows belong to a document that is gone: nothing of it may be shown or changed.
        rows.clear();
        if (table) table->rows(0);
        setCount();
        hide();
        return;
    }
    refill();
}

void HistoryTableWindow::fitColumns() {
    table->cols(static_cast<int>(columns.size()));
    if (columns.empty()) return;
    // Share the width out among the columns; the user may resize them.
    const int usable = w() - 20 - Fl::scrollbar_size() - 4;
    const int width = usable / static_cast<int>(columns.size());
    table->col_width_all(width < 80 ? 80 : width);
}

void HistoryTableWindow::refill() {
    const std::vector<XmlNode*> selected = selectedEntries();
    loadData();
    // The first note of a variable brings its columns.
    if (table->cols() != static_cast<int>(columns.size())) fitColumns();
    table->rows(static_cast<int>(rows.size()));
    for (int r = 0; r < table->rows(); ++r) {
        table->row_height(r, TextScale::px(18));
        const XmlNode* e = rows[static_cast<std::size_t>(r)].entry;
        table->select_row(r, std::find(selected.begin(), selected.end(), e) != selected.end() ? 1 : 0);
    }
    setCount();
    table->redraw();
    redraw();
}

void HistoryTableWindow::sortBy(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return;
    sortAscending = column == sortColumn ? !sortAscending : true;
    sortColumn = column;
    const std::vector<XmlNode*> selected = selectedEntries();
    applyOrder();
    for (int r = 0; r < table->rows() && static_cast<std::size_t>(r) < rows.size(); ++r)
        table->select_row(r, std::find(selected.begin(), selected.end(), rows[static_cast<std::size_t>(r)].entry) !=
                                     selected.end()
                                 ? 1
                                 : 0);
    table->redraw();
}

bool HistoryTableWindow::selectInstant(std::int64_t instant) {
    table->select_all_rows(0);
    int first = -1;
    // The instant of each row as the chart reads it.
    LocalDayClock clock;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].cells.size() < 2) continue;
        std::tm when{};
        std::int64_t at = 0;
        if (!DisplayMenuRules::entryKey(rows[r].cells[0].c_str(), rows[r].cells[1].c_str(), when) ||
            !clock.toInstant(when, at) || at != instant)
            continue;
        table->select_row(static_cast<int>(r), 1);
        if (first < 0) first = static_cast<int>(r);
    }
    TRACE_MSG(4, "HistoryTableWindow::selectInstant") << (first >= 0 ? "Selected the reading at " : "No reading at ")
                                                      << instant;
    if (first >= 0) table->row_position(first);
    table->redraw();
    return first >= 0;
}

void HistoryTableWindow::removeCB_i() {
    TRACE_SCOPE("HistoryTableWindow::removeCB_i");
    if (!Global::userOpen || Global::userDoc.generation() != generation) return;
    const std::vector<XmlNode*> entries = selectedEntries();
    if (entries.empty()) return;
    const std::string question = ReadingEdits::removalQuestion(variableName, entries, units());
    if (Dialogs::choice(question, nullptr, "&Cancel", "Remove") != 2) {
        TRACE_MSG(4, "HistoryTableWindow::removeCB_i") << "Removal of " << entries.size() << " readings cancelled";
        return;
    }
    ReadingEdits::Removal removal;
    removal.take(entries);
    if (!Global::saveChange(Global::currentFile.c_str(), Global::userDoc,
                            "The readings were put back; nothing was removed.")) {
        removal.putBack();
        reload();
        return;
    }
    TRACE_MSG(3, "HistoryTableWindow::removeCB_i") << "Removed " << removal.size() << " readings of " << variableName;
    table->select_all_rows(0);
    if (mainWindow_)
        mainWindow_->readingsChanged();
    else
        reload();
}

void HistoryTableWindow::editCB_i() {
    TRACE_SCOPE("HistoryTableWindow::editCB_i");
    if (!Global::userOpen || Global::userDoc.generation() != generation) return;
    const std::vector<XmlNode*> entries = selectedEntries();
    if (entries.empty()) return;
    editWindow.reset(new NewEntryWindow(mainWindow_, variableName.c_str(), entries.front()));
}

int HistoryTableWindow::handle(int event) {
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
        const int key = Fl::event_key();
        if (key == FL_Delete) {
            removeCB_i();
            return 1;
        }
        if (key == FL_Enter || key == FL_KP_Enter) {
            editCB_i();
            return 1;
        }
    }
    return Fl_Double_Window::handle(event);
}

HistoryTableWindow* HistoryTableWindow::find(const std::string& name) {
    for (HistoryTableWindow* w : alive())
        if (w->variableName == name && w->shown()) return w;
    return nullptr;
}

HistoryTableWindow* HistoryTableWindow::showFor(MainWindow* mainWindow, const std::string& name, int w, int h) {
    // A window of the variable, open or closed earlier, shows the readings as they are now.
    HistoryTableWindow* earlier = find(name);
    for (HistoryTableWindow* window : alive())
        if (!earlier && window->variableName == name) earlier = window;
    if (earlier) {
        if (earlier->generation != Global::userDoc.generation()) earlier->table->select_all_rows(0);
        earlier->refill();
        earlier->show();
        return earlier;
    }
    const std::string title = name + " History";
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    HistoryTableWindow* window = new HistoryTableWindow(mainWindow, w, h, title.c_str(), name.c_str());
    Fl_Group::current(saved);
    return window;
}

void HistoryTableWindow::reloadAll() {
    // A copy: reloading may hide windows, never delete them.
    const std::vector<HistoryTableWindow*> windows = alive();
    for (HistoryTableWindow* w : windows)
        if (w->shown()) w->reload();
}

void HistoryTableWindow::removeCB(Fl_Widget*, void* w) { static_cast<HistoryTableWindow*>(w)->removeCB_i(); }
void HistoryTableWindow::editCB(Fl_Widget*, void* w) { static_cast<HistoryTableWindow*>(w)->editCB_i(); }
