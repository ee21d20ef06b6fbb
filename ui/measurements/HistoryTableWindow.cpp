#include "ui/measurements/HistoryTableWindow.h"

#include "ui/measurements/HistoryTable.h"

HistoryTableWindow::HistoryTableWindow(int w, int h, const char* title, const char* name)
    : Fl_Double_Window(w, h, title), variableName(name) {
    end();
}
HistoryTableWindow::~HistoryTableWindow() {}
void HistoryTableWindow::loadData() {}
