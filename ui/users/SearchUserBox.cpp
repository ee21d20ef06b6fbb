#include "ui/users/SearchUserBox.h"

#include <FL/Fl_Hold_Browser.H>

SearchUserBox::SearchUserBox(int h) : Fl_Group(3, 52, 247, h) {
    browser = new Fl_Hold_Browser(23, 110, 207, h - 88);
    end();
}
SearchUserBox::~SearchUserBox() {}
int SearchUserBox::populateBrowser(const char*) { return 0; }
void SearchUserBox::browserCB_i() {}
void SearchUserBox::browserCB(Fl_Widget*, void* panel) { static_cast<SearchUserBox*>(panel)->browserCB_i(); }
