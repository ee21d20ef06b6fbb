#include "ui/measurements/MyBrowser.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>

#include "app/Trace.h"
#include "store/Global.h"
#include "store/VariableTable.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/VariablePropertiesWindow.h"
#include "ui/main/TextScale.h"

MyBrowser::PopupHandler MyBrowser::popupHandler;

MyBrowser::MyBrowser(int y) : Fl_Hold_Browser(21, y, 211, 111) { TRACE_SCOPE("MyBrowser::MyBrowser"); }

MyBrowser::~MyBrowser() = default;

const char* MyBrowser::selectedText() const {
    int line = value();
    const char* t = line ? text(line) : nullptr;
    return t ? t : "";
}

void MyBrowser::showPopup(int x, int y) {
    // The history and the ranges belong to the open user.
    const int needsUser = Global::userOpen ? 0 : FL_MENU_INACTIVE;
    const Fl_Menu_Item items[] = {
        {"Add new Entry", 0, newEntryCB, this, 0, 0, 0, 0, 0},
        {"Edit History", 0, editHistoryCB, this, needsUser, 0, 0, 0, 0},
        {"Properties", 0, propertiesCB, this, needsUser, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    const Fl_Menu_Item* picked = popupHandler ? popupHandler(items, x, y) : items->popup(x, y);
    // Only an active item can be picked.
    if (picked && picked->active() && picked->callback()) picked->do_callback(nullptr, this);
}

int MyBrowser::handle(int event) {
    if (event == FL_PUSH && Fl::event_button() == FL_RIGHT_MOUSE) {
        void* item = find_item(Fl::event_y());
        select_only(item, 0);
        int X, Y, W, H;
        bbox(X, Y, W, H);
        if (!item || !Fl::event_inside(X, Y, W, H)) return 0;
        showPopup(Fl::event_x(), Fl::event_y());
        return 1;
    }
    // Ctrl+Return is the window's (it opens the chart's picked point).
    if (event == FL_KEYBOARD && (Fl::event_state() & FL_CTRL) &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter))
        return 0;
    if (event == FL_KEYBOARD && !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) {
        // Shift+F10 and the Menu key open the same menu as a right click,
        // for the selected variable (the first when none is).
        const int key = Fl::event_key();
        if (key == FL_Menu || (key == FL_F + 10 && (Fl::event_state() & FL_SHIFT))) {
            if (size() == 0) return 1;
            if (value() == 0) select(1);
            if (!displayed(value())) make_visible(value());
            showPopup(x() + w() / 3, y() + h() / 3);
            return 1;
        }
    }
    if (event == FL_RELEASE && Fl::event_button() == FL_RIGHT_MOUSE) return 1;
    if (event == FL_KEYBOARD && !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) {
        // The arrows only move the selection; Return opens the new entry
        // window of the selected variable, as a click does.
        const int key = Fl::event_key();
        const int now = value();
        if (key == FL_Enter || key == FL_KP_Enter) {
            if (now == 0) return 0;
            do_callback();
            return 1;
        }
        int line = 0;
        if (key == FL_Up) line = now > 1 ? now - 1 : 1;
        if (key == FL_Down) line = now < size() ? now + 1 : size();
        if (key == FL_Home) line = 1;
        if (key == FL_End) line = size();
        if (key == FL_Up || key == FL_Down || key == FL_Home || key == FL_End) {
            if (line >= 1) {
                select(line);
                if (!displayed(line)) make_visible(line);
            }
            return 1;
        }
    }
    return Fl_Hold_Browser::handle(event);
}

void MyBrowser::newEntryCB_i() {
    TRACE_SCOPE("MyBrowser::newEntryCB_i");
    std::cout << "New Entry Callback for " << selectedText() << std::endl;
    do_callback(this, user_data());
}

void MyBrowser::historyWindowSize(int workW, int workH, int& w, int& h) {
    w = std::min(1000, workW - 20);
    h = std::min(800, workH - 40);
}

int MyBrowser::propertiesWindowWidth(const char* variableName) {
    const Variable* known = variableName ? VariableTable::find(variableName) : nullptr;
    return known ? known->propertiesWidth : 300;
}

void MyBrowser::editHistoryCB_i() {
    TRACE_SCOPE("MyBrowser::editHistoryCB_i");
    std::string name = selectedText();
    std::cout << "Edit History Callback for " << name << std::endl;
    int w = 0, h = 0;
    // Designed for the screen at the chosen text size.
    historyWindowSize(static_cast<int>(Fl::w() / TextScale::factor()), static_cast<int>(Fl::h() / TextScale::factor()),
                      w, h);
    // One history window per variable: an open one comes to the front.
    HistoryTableWindow::showFor(MainWindow::of(this), name, w, h);
    deselect(0);
}

void MyBrowser::propertiesCB_i() {
    TRACE_SCOPE("MyBrowser::propertiesCB_i");
    std::string name = selectedText();
    std::cout << "Properties Callback for " << name << std::endl;
    std::string title = "Properties for " + name;
    propertiesWindow.reset(new VariablePropertiesWindow(MainWindow::of(this), propertiesWindowWidth(name.c_str()),
                                                        name.c_str(), title.c_str()));
    deselect(0);
}

void MyBrowser::newEntryCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->newEntryCB_i(); }
void MyBrowser::editHistoryCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->editHistoryCB_i(); }
void MyBrowser::propertiesCB(Fl_Widget*, void* b) { static_cast<MyBrowser*>(b)->propertiesCB_i(); }
