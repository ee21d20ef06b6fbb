// The users list: every registered user by first and last name; choosing a
// line makes that user the current user.
#pragma once

#include <FL/Fl_Group.H>

class Fl_Hold_Browser;

class SearchUserBox : public Fl_Group {
public:
    explicit SearchUserBox(int h);
    ~SearchUserBox() override;

    Fl_Hold_Browser* browser = nullptr;

    // Refills the list; returns the 1-based line of currentId, or 0.
    int populateBrowser(const char* currentId);
    // Selects a line without the callback; the list scrolls only when the
    // line is not in view.
    void selectLine(int line);
    void browserCB_i();
    static void browserCB(Fl_Widget*, void* panel);

private:
    // After a refused choice: the open user's line selected again, or none.
    void restoreSelection();
};
