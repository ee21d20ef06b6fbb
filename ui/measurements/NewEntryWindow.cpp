#include "ui/measurements/NewEntryWindow.h"

NewEntryWindow::NewEntryWindow(const char* title, const char* tab, const char* variable)
    : Fl_Double_Window(420, 200, title), tabName(tab), variableName(variable) {
    end();
}
NewEntryWindow::~NewEntryWindow() {}
void NewEntryWindow::saveCB_i(bool) {}
int NewEntryWindow::insertEntry(XmlNode*) { return 0; }
void NewEntryWindow::cancelCB_i() { hide(); }
void NewEntryWindow::addCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(true); }
void NewEntryWindow::okCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(false); }
void NewEntryWindow::cancelCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->cancelCB_i(); }
