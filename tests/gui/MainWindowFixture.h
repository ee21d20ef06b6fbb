// A main window over a throw-away data folder with registered users, and
// the helpers the main window, users list and information window tests share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Float_Input.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Return_Button.H>

#include "TestSupport.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/users/InfoWindow.h"
#include "ui/users/SearchUserBox.h"
#include "ui/users/UserInfoBox.h"

struct TestUser {
    int id;
    std::string first;
    std::string last;
    std::string variables;  // XML of the user's variable elements
};

class MainWindowFixture : public ::testing::Test {
protected:
    std::unique_ptr<TestDataFolder> data;
    std::unique_ptr<DialogRecorder> dialogs;
    MainWindow* win = nullptr;

    void SetUp() override {
        data.reset(new TestDataFolder());
        dialogs.reset(new DialogRecorder());
        dialogs->throwOnExit();
    }

    void TearDown() override {
        closeDialogs();
        delete win;
        win = nullptr;
        Fl_Group::current(nullptr);
        dialogs.reset();
        data.reset();
    }

    // Registers the users (config.hma in the given order) and writes their files.
    void writeUsers(const std::vector<TestUser>& users) {
        std::ostringstream config;
        config << "<config>\n";
        for (const TestUser& u : users) {
            config << "\t<patient id=\"" << u.id << "\">\n\t\t<name>\n\t\t\t<first>" << u.first
                   << "</first>\n\t\t\t<last>" << u.last << "</last>\n\t\t</name>\n\t\t<file>user" << u.id
                   << ".hma</file>\n\t</patient>\n";
            data->write("user" + std::to_string(u.id) + ".hma", userFileXml(u.id, u.first, u.last, u.variables));
        }
        config << "</config>\n";
        data->write("config.hma", config.str());
    }

    // Loads the registry as start-up does and builds the main window.
    void openWindow(int w = 1260, int h = 984) {
        ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
        win = new MainWindow(w, h);
        Fl::check();
    }

    Fl_Hold_Browser* usersList() { return win->searchUserBox->browser; }

    // Chooses a line of the users list as a click does (0: none).
    void chooseLine(int line) {
        if (line > 0)
            usersList()->select(line);
        else
            usersList()->deselect();
        win->searchUserBox->browserCB_i();
    }

    const Fl_Menu_Item* menuItem(const char* path) { return win->menuBar->find_item(path); }

    // Picks a menu item as the toolkit does: a check item toggles, the item
    // becomes the menu's value and its callback runs.
    static void pick(Fl_Menu_* menu, const Fl_Menu_Item* item) {
        ASSERT_NE(item, nullptr);
        if (item->flags & FL_MENU_TOGGLE) const_cast<Fl_Menu_Item*>(item)->flags ^= FL_MENU_VALUE;
        menu->value(item);
        item->do_callback(menu);
    }

    void pickMenu(const char* path) {
        const Fl_Menu_Item* item = menuItem(path);
        ASSERT_NE(item, nullptr) << path;
        pick(win->menuBar, item);
    }

    // The edit windows now shown.
    static std::vector<InfoWindow*> infoWindows() {
        std::vector<InfoWindow*> found;
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
            if (InfoWindow* iw = dynamic_cast<InfoWindow*>(w)) found.push_back(iw);
        return found;
    }

    static InfoWindow* theInfoWindow() {
        std::vector<InfoWindow*> found = infoWindows();
        return found.size() == 1 ? found[0] : nullptr;
    }

    static void closeDialogs() {
        for (InfoWindow* w : infoWindows()) w->hide();
        Fl::check();
    }

    // Counts the occurrences of text in the trace log.
    int traceCount(const std::string& text) const {
        const std::string log = data->trace();
        int n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
        return n;
    }

    std::vector<std::string> lines(Fl_Browser* b) {
        std::vector<std::string> out;
        for (int i = 1; i <= b->size(); ++i) out.push_back(b->text(i) ? b->text(i) : "");
        return out;
    }
};
