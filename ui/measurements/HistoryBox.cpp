#include "ui/measurements/HistoryBox.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Tabs.H>

#include "app/Trace.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/MyBrowser.h"
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

int HistoryBox::handle(int event) {
    TabBrowser* tab = currentTab();
    const bool backTab = Fl::event_key() == FL_Tab && (Fl::event_state() & FL_SHIFT);
    // Reached from behind by Shift+Tab: the list comes before the tab set's end.
    if (event == FL_FOCUS && backTab && tab && tab->browser && tab->browser->take_focus()) return 1;
    if (event != FL_KEYBOARD || Fl::event_key() != FL_Tab || !tab || !tab->browser || !Fl::focus())
        return Fl_Group::handle(event);
    const int state = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    if (state == 0 && Fl::focus() == tabs && tab->browser->take_focus()) return 1;
    if (state == FL_SHIFT && Fl::focus()->inside(tab)) {
        // Set directly: asked to take it, the tab set would hand it back to the list.
        Fl::focus(tabs);
        tabs->redraw();
        tab->browser->redraw();
        return 1;
    }
    return Fl_Group::handle(event);
}
