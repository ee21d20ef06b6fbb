#include "ui/measurements/MyBrowser.h"

MyBrowser::MyBrowser(int y) : Fl_Hold_Browser(21, y, 211, 111) {}
int MyBrowser::handle(int event) { return Fl_Hold_Browser::handle(event); }
void MyBrowser::newEntryCB_i() {}
void MyBrowser::editHistoryCB_i() {}
void MyBrowser::propertiesCB_i() {}
void MyBrowser::newEntryCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->newEntryCB_i(); }
void MyBrowser::editHistoryCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->editHistoryCB_i(); }
void MyBrowser::propertiesCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->propertiesCB_i(); }
