// The read-only panel with the current user's personal information.
#pragma once

#include <FL/Fl_Group.H>

class Fl_Browser;

class UserInfoBox : public Fl_Group {
public:
    UserInfoBox(int y, int h);
    ~UserInfoBox() override;

    Fl_Browser* browser = nullptr;
    int columnWidths[2] = {83, 0};

    void populateBrowser();
};
