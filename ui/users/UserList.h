// The list of the users list panel, with its keys: Up, Down, Home and End
// move to another user and typing the first letters of a name jumps to it.
// Each move opens that user through the list's callback, as a click does.
#pragma once

#include <string>

#include <FL/Fl_Hold_Browser.H>

class UserList : public Fl_Hold_Browser {
public:
    UserList(int x, int y, int w, int h);

    int handle(int event) override;

private:
    // Selects the line and runs the callback, unless it is already the chosen one.
    void choose(int line);
    // The letters typed so far.
    std::string typed;
};
