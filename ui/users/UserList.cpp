#include "ui/users/UserList.h"

#include <vector>

#include <FL/Fl.H>

#include "app/LiteralText.h"
#include "rules/users/TypeAhead.h"

UserList::UserList(int x, int y, int w, int h) : Fl_Hold_Browser(x, y, w, h) {}

int UserList::handle(int event) {
    if (event == FL_FOCUS || event == FL_UNFOCUS) typed.clear();
    // Ctrl+Return is the window's (it opens the chart's picked point).
    if (event == FL_KEYBOARD && (Fl::event_state() & FL_CTRL) &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter))
        return 0;
    if (event != FL_KEYBOARD || (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)))
        return Fl_Hold_Browser::handle(event);
    const int key = Fl::event_key();
    const int now = value();
    int line = 0;
    if (key == FL_Up)
        line = now > 1 ? now - 1 : 1;
    else if (key == FL_Down)
        line = now < size() ? now + 1 : size();
    else if (key == FL_Home)
        line = 1;
    else if (key == FL_End)
        line = size();
    if (line != 0) {
        typed.clear();
        choose(line);
        return 1;
    }
    const char* text = Fl::event_text();
    const unsigned char c = Fl::event_length() == 1 && text ? static_cast<unsigned char>(text[0]) : 0;
    if (c < ' ' || c == 127) return Fl_Hold_Browser::handle(event);
    std::vector<std::string> names;
    for (int i = 1; i <= size(); ++i) names.push_back(LiteralText::fromListLine(this->text(i) ? this->text(i) : ""));
    typed = TypeAhead::extend(names, typed, static_cast<char>(c));
    choose(TypeAhead::firstMatch(names, typed) + 1);
    return 1;
}

void UserList::choose(int line) {
    if (line < 1 || line > size() || line == value()) return;
    select(line);
    if (!displayed(line)) make_visible(line);
    do_callback();
}
