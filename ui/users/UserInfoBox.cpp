#include "ui/users/UserInfoBox.h"

#include <FL/Fl_Browser.H>

UserInfoBox::UserInfoBox(int y, int h) : Fl_Group(3, y, 247, h) {
    browser = new Fl_Browser(23, y + 58, 207, h - 86);
    end();
}
UserInfoBox::~UserInfoBox() {}
void UserInfoBox::populateBrowser() {}
