#include "ui/users/SearchUserBox.h"

#include <iostream>
#include <string>

#include <FL/Fl_Box.H>
#include <FL/Fl_Hold_Browser.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"
#include "rules/readings/ReadingEdits.h"
#include "store/Global.h"
#include "ui/main/FileCommands.h"
#include "ui/main/MainWindow.h"
#include "ui/users/UserList.h"

namespace {
// Line data of a registry record without an id attribute.
char noId[] = "";
}  // namespace

SearchUserBox::SearchUserBox(int h) : Fl_Group(3, 52, 247, h) {
    TRACE_SCOPE("SearchUserBox::SearchUserBox");
    color(255);
    Fl_Box* background = new Fl_Box(3, 52, 247, h);
    background->box(FL_THIN_DOWN_BOX);
    background->color(panelColor);
    Fl_Box* title = new Fl_Box(6, 55, 241, 25, "Users List");
    title->box(FL_THIN_UP_BOX);
    title->labelfont(FL_HELVETICA_BOLD);
    title->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    Fl_Group* inner = new Fl_Group(3, 80, 247, h - 28);
    browser = new UserList(23, 110, 207, h - 88);
    browser->box(browserBox);
    browser->callback(browserCB, this);
    populateBrowser(nullptr);
    inner->end();
    resizable(inner);
    end();
}

SearchUserBox::~SearchUserBox() {}

int SearchUserBox::populateBrowser(const char* currentId) {
    TRACE_SCOPE("SearchUserBox::populateBrowser");
    // The list keeps its scroll position, so the line under the pointer
    // stays the same line when a click rebuilds it.
    const int scrolled = browser->position();
    browser->clear();
    int result = 0;
    XmlNode* config = Global::configDoc->first_node("config");
    if (!config) return 0;
    for (XmlNode* patient = config->first_node("patient"); patient; patient = patient->next_sibling("patient")) {
        XmlNode* name = patient->first_node("name");
        const std::string text =
            std::string(Global::childText(name, "first")) + " " + Global::childText(name, "last");
        XmlAttribute* id = patient->first_attribute("id");
        char* data = id ? id->value() : noId;
        browser->add(LiteralText::listLine(text).c_str(), data);
        if (currentId && std::string(currentId) == data) result = browser->size();
    }
    browser->position(scrolled);
    return result;
}

void SearchUserBox::selectLine(int line) {
    if (line <= 0) return;
    browser->select(line);
    if (!browser->displayed(line)) browser->make_visible(line);
}

void SearchUserBox::browserCB_i() {
    TRACE_SCOPE("SearchUserBox::browserCB_i");
    MainWindow* mainWindow = MainWindow::of(this);
    // Changes that could not be saved are not dropped for another user: the
    // open user stays open and its line selected.
    if (!Global::saveUserIfChanged()) {
        restoreSelection();
        return;
    }

    const int line = browser->value();
    if (line != 0) {
        const char* id = static_cast<const char*>(browser->data(line));
        if (!id) id = noId;
        XmlNode* patient = Global::findNodeWithId(id);
        if (!patient) {
            const std::string text =
                std::string("Error in SearchUserBox::browserCB_i : patient with id ") + id + " not found in config.";
            TRACE_MSG(1, "SearchUserBox::browserCB_i") << text;
            std::cerr << text << std::endl;
        } else {
            const std::string file = Global::childText(patient, "file");
            if (!Global::isSafeFileName(file)) {
                TRACE_MSG(1, "SearchUserBox::browserCB_i")
                    << "Error: the registry names an unusable data file for user id " << id << ": " << file;
                std::cerr << "Unusable data file name for user id " << id << ": " << file << std::endl;
                Dialogs::alert("The data file name recorded for this user cannot be used:\n\"" + file +
                               "\"\nThe user was not opened; \"Remove selected user\" removes the record.");
                // The line stays chosen, with no user open, so that it can be removed.
                Global::userOpen = false;
                Global::currentId = id;
                Global::currentFile.clear();
                if (mainWindow) mainWindow->showUnopenedRecord();
                return;
            }
            const std::string previousId = Global::currentId;
            const std::string previousFile = Global::currentFile;
            Global::currentId = id;
            Global::currentFile = file;
            // What another computer added to this person waits in a sync tool's copy.
            FileCommands::offerConflictMerge(file);
            if (!Global::loadFile(Global::userDoc, file.c_str(), Global::userText)) {
                // The previous user (saved above) stays the open one.
                Global::currentId = previousId;
                Global::currentFile = previousFile;
                restoreSelection();
                return;
            }
            Global::userOpen = true;
            // Times typed in other forms are written in the file's own form from now on.
            if (const int n = ReadingEdits::normalizeTimes(Global::userDoc.get(), Global::userDoc->first_node("patient")))
                TRACE_MSG(3, "SearchUserBox::browserCB_i") << n << " entry times put in the form 07:30:00 PM";
            if (mainWindow) {
                mainWindow->setUserMenuItemsActive(true);
                mainWindow->resetDisplayMenu(MainWindow::Checks::Cleared);
                mainWindow->setUserWidgetsActive(true);
            }
        }
    } else {
        Global::userOpen = false;
        if (mainWindow) mainWindow->setUserControlsActive(false);
    }
    if (mainWindow) mainWindow->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Cleared);
}

void SearchUserBox::restoreSelection() {
    const int line =
        Global::userOpen && !Global::currentId.empty() ? populateBrowser(Global::currentId.c_str()) : 0;
    if (line != 0)
        selectLine(line);
    else
        browser->deselect();
}

void SearchUserBox::browserCB(Fl_Widget*, void* panel) { static_cast<SearchUserBox*>(panel)->browserCB_i(); }
