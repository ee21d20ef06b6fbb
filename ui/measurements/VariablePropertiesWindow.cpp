#include "ui/measurements/VariablePropertiesWindow.h"

VariablePropertiesWindow::VariablePropertiesWindow(int w, const char* name, const char* title)
    : Fl_Double_Window(w, 300, title), variableName(name) {
    end();
}
VariablePropertiesWindow::~VariablePropertiesWindow() {}
void VariablePropertiesWindow::saveCB_i() {}
void VariablePropertiesWindow::cancelCB_i() { hide(); }
void VariablePropertiesWindow::saveCB(Fl_Widget*, void* w) { static_cast<VariablePropertiesWindow*>(w)->saveCB_i(); }
void VariablePropertiesWindow::cancelCB(Fl_Widget*, void* w) { static_cast<VariablePropertiesWindow*>(w)->cancelCB_i(); }
