#include "ui/measurements/HistoryBox.h"

#include <FL/Fl_Tabs.H>

#include "ui/measurements/TabBrowser.h"

HistoryBox::HistoryBox(int y) : Fl_Group(3, y, 247, 197) {
    tabs = new Fl_Tabs(13, y + 35, 227, 152);
    vitals = new TabBrowser("Vitals", y + 60);
    tabs->end();
    end();
}
HistoryBox::~HistoryBox() {}
TabBrowser* HistoryBox::currentTab() { return tabs ? dynamic_cast<TabBrowser*>(tabs->value()) : nullptr; }
