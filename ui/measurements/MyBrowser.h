// The list of a variable tab, with its right-click menu (Shift+F10 or the
// Menu key from the keyboard). Up, Down, Home and End move the selection;
// Return opens the selected variable's entry window.
#pragma once

#include <functional>

#include <FL/Fl_Hold_Browser.H>

#include "ui/main/OwnedWindow.h"

struct Fl_Menu_Item;
class VariablePropertiesWindow;

class MyBrowser : public Fl_Hold_Browser {
public:
    explicit MyBrowser(int y);
    ~MyBrowser() override;

    int handle(int event) override;

    void newEntryCB_i();
    void editHistoryCB_i();
    void propertiesCB_i();
    static void newEntryCB(Fl_Widget*, void* browser);
    static void editHistoryCB(Fl_Widget*, void* browser);
    static void propertiesCB(Fl_Widget*, void* browser);

    // Shows the right-click menu at (x, y) and returns the picked item or
    // null. Runs the toolkit's popup; tests put a chooser in its place.
    using PopupHandler = std::function<const Fl_Menu_Item*(const Fl_Menu_Item* items, int x, int y)>;
    static PopupHandler popupHandler;

    // Shows the menu of the selected variable at (x, y) and runs the picked item.
    void showPopup(int x, int y);

    // The text of the selected line, empty when none is selected.
    const char* selectedText() const;

    // Sizes of the windows the menu opens, for a work area of the given size.
    static void historyWindowSize(int workW, int workH, int& w, int& h);
    static int propertiesWindowWidth(const char* variableName);

private:
    OwnedWindow<VariablePropertiesWindow> propertiesWindow;  // the last one it opened
};
