#include "ui/measurements/TabBrowser.h"

#include "ui/measurements/MyBrowser.h"

TabBrowser::TabBrowser(const char* name_, int y) : Fl_Group(21, y, 211, 127), name(name_) {
    label(name.c_str());
    browser = new MyBrowser(y + 8);
    end();
}
TabBrowser::~TabBrowser() {}
void TabBrowser::populateBrowser() {}
void TabBrowser::browserCB_i() {}
void TabBrowser::browserCB(Fl_Widget*, void* tab) { static_cast<TabBrowser*>(tab)->browserCB_i(); }
