// The list of a variable tab, with its right-click menu.
#pragma once

#include <FL/Fl_Hold_Browser.H>

class MyBrowser : public Fl_Hold_Browser {
public:
    explicit MyBrowser(int y);

    int handle(int event) override;

    void newEntryCB_i();
    void editHistoryCB_i();
    void propertiesCB_i();
    static void newEntryCB(Fl_Widget*, void* browser);
    static void editHistoryCB(Fl_Widget*, void* browser);
    static void propertiesCB(Fl_Widget*, void* browser);
};
