// One tab of the variable lists: a group holding one list of the open user's
// elements of one kind.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Group.H>

#include "ui/main/OwnedWindow.h"

class MyBrowser;
class NewEntryWindow;

class TabBrowser : public Fl_Group {
public:
    TabBrowser(const char* name, int y);
    ~TabBrowser() override;

    std::string name;
    MyBrowser* browser = nullptr;
    std::vector<std::string> lineNames;
    // The entry window opened last from this tab; it is released when the
    // next one opens.
    OwnedWindow<NewEntryWindow> entryWindow;  // the last one it opened

    void populateBrowser();
    void browserCB_i();
    static void browserCB(Fl_Widget*, void* tab);
};
