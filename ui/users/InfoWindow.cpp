#include "ui/users/InfoWindow.h"

InfoWindow::InfoWindow(const char* title, bool isNew_) : Fl_Double_Window(420, 340, title), isNew(isNew_) { end(); }
InfoWindow::~InfoWindow() {}
int InfoWindow::checkInputs() { return 0; }
void InfoWindow::setInput(const char*, XmlNode*, Fl_Input*) {}
void InfoWindow::setNode(const char*, XmlNode*, Fl_Input*) {}
void InfoWindow::saveCB_i() {}
void InfoWindow::cancelCB_i() { hide(); }
void InfoWindow::saveCB(Fl_Widget*, void* w) { static_cast<InfoWindow*>(w)->saveCB_i(); }
void InfoWindow::cancelCB(Fl_Widget*, void* w) { static_cast<InfoWindow*>(w)->cancelCB_i(); }
