// The "Add an entry" panel with the tab set of variable lists.
#pragma once

#include <FL/Fl_Group.H>

class Fl_Tabs;
class TabBrowser;

class HistoryBox : public Fl_Group {
public:
    explicit HistoryBox(int y);
    ~HistoryBox() override;

    Fl_Tabs* tabs = nullptr;
    TabBrowser* vitals = nullptr;

    // The tab the tab set shows, or null.
    TabBrowser* currentTab();

    // Tab goes from the tab set into the shown tab's list, Shift+Tab from
    // the list back to the tab set (the tab set alone would pass its list by).
    int handle(int event) override;
};
