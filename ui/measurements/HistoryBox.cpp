#include "ui/measurements/HistoryBox.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Tabs.H>

#include "app/Trace.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/TabBrowser.h"

HistoryBox::HistoryBox(int y) : Fl_Group(3, y, 247, 197) {
    TRACE_SCOPE("HistoryBox::HistoryBox");
    color(FL_WHITE);

    Fl_Box* background = new Fl_Box(3, y, 247, 197);
    background->box(FL_THIN_DOWN_BOX);
    background->color(panelColor);

    Fl_Box* heading = new Fl_Box(6, y + 3, 241, 25, "Add an entry");
    heading->box(FL_THIN_UP_BOX);
    heading->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    heading->labelfont(FL_HELVETICA_BOLD);

    tabs = new Fl_Tabs(13, y + 35, 227, 152);
    tabs->box(FL_THIN_UP_BOX);
    vitals = new TabBrowser("Vitals", y + 60);
    tabs->end();
    resizable(tabs);
    end();
}

HistoryBox::~HistoryBox() { TRACE_SCOPE("HistoryBox::~HistoryBox"); }

TabBrowser* HistoryBox::currentTab() { return tabs ? dynamic_cast<TabBrowser*>(tabs->value()) : nullptr; }
