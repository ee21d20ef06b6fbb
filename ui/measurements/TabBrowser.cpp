#include "ui/measurements/TabBrowser.h"

#include <cstring>
#include <iostream>

#include <FL/Fl.H>

#include "app/Trace.h"
#include "rules/readings/EntryRules.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/MyBrowser.h"
#include "ui/measurements/NewEntryWindow.h"

TabBrowser::TabBrowser(const char* name_, int y) : Fl_Group(21, y, 211, 127), name(name_ ? name_ : "") {
    TRACE_SCOPE("TabBrowser::TabBrowser");
    label(name.c_str());
    browser = new MyBrowser(y + 8);
    browser->box(browserBox);
    populateBrowser();
    browser->callback(browserCB, this);
    end();
    show();
}

TabBrowser::~TabBrowser() { TRACE_SCOPE("TabBrowser::~TabBrowser"); }

void TabBrowser::populateBrowser() {
    TRACE_SCOPE("TabBrowser::populateBrowser");
    browser->clear();
    lineNames.clear();
    if (!Global::userOpen) return;
    XmlNode* patient = Global::userDoc->first_node("patient");
    std::cout << "Tab has name: " << name << std::endl;
    const char* element = EntryRules::listedElement(name);
    if (patient && element) {
        for (XmlNode* child = patient->first_node(element); child; child = child->next_sibling(element)) {
            XmlAttribute* first = child->first_attribute();
            lineNames.push_back(first ? std::string(first->value(), first->value_size()) : std::string());
        }
    }
    for (const std::string& line : lineNames) browser->add(line.c_str());
}

void TabBrowser::browserCB_i() {
    TRACE_SCOPE("TabBrowser::browserCB_i");
    int line = browser->value();
    if (line == 0) return;
    const char* text = browser->text(line);
    std::string variable = text ? text : "";
    std::string title = "Add history entry for " + name + ": " + variable;
    // The window opened before is closed by now (it is modal): it goes.
    entryWindow.reset(new NewEntryWindow(MainWindow::of(this), title.c_str(), name.c_str(), variable.c_str()));
    browser->deselect(0);
}

void TabBrowser::browserCB(Fl_Widget*, void* tab) { static_cast<TabBrowser*>(tab)->browserCB_i(); }
