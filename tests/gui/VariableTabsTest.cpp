// The "Add an entry" panel: its layout, the list of the open user's
// variables, the left click and the right-click menu with its selection
// rules, and the sizes of the windows the menu opens.
#include <gtest/gtest.h>

#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Tabs.H>

#include "NewEntryFixture.h"
#include "ui/measurements/HistoryBox.h"
#include "ui/measurements/MyBrowser.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/measurements/TabBrowser.h"

using namespace entrytest;

namespace {

struct PopupCall {
    std::vector<std::string> labels;
    std::vector<bool> active;
    std::vector<int> shortcuts;
    std::vector<void*> data;
    int selectedLine = 0;
};

class VariableTabsTest : public EntryFixture {
protected:
    void SetUp() override {
        EntryFixture::SetUp();
        tab = window->historyBox->vitals;
        ASSERT_NE(tab, nullptr);
        tab->populateBrowser();
        browser = tab->browser;
        // The menu is answered here instead of by the toolkit's popup.
        MyBrowser::popupHandler = [this](const Fl_Menu_Item* items, int, int) -> const Fl_Menu_Item* {
            PopupCall call;
            for (const Fl_Menu_Item* i = items; i->label(); ++i) {
                call.labels.push_back(i->label());
                call.active.push_back(i->active() != 0);
                call.shortcuts.push_back(i->shortcut());
                call.data.push_back(i->user_data());
            }
            call.selectedLine = browser->value();
            popups.push_back(call);
            return pick >= 0 ? items + pick : nullptr;
        };
    }

    void TearDown() override {
        MyBrowser::popupHandler = nullptr;
        EntryFixture::TearDown();
    }

    int press(int button, int x, int y) {
        Fl::e_x = x;
        Fl::e_y = y;
        Fl::e_keysym = FL_Button + button;
        Fl::e_state = button == FL_RIGHT_MOUSE ? FL_BUTTON3 : FL_BUTTON1;
        return browser->handle(FL_PUSH);
    }
    int release(int button, int x, int y) {
        Fl::e_x = x;
        Fl::e_y = y;
        Fl::e_keysym = FL_Button + button;
        Fl::e_state = 0;
        return browser->handle(FL_RELEASE);
    }

    // A y inside the given line, found by right-clicking down the list
    // with the menu dismissed.
    int yOfLine(int line) {
        int saved = pick;
        pick = -1;
        int found = -1;
        for (int y = browser->y(); y < browser->y() + browser->h() && found < 0; ++y) {
            press(FL_RIGHT_MOUSE, browser->x() + 20, y);
            if (browser->value() == line) found = y + 2;
        }
        browser->deselect(0);
        popups.clear();
        pick = saved;
        return found;
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> l;
        for (int i = 1; i <= browser->size(); ++i) l.push_back(browser->text(i));
        return l;
    }

    TabBrowser* tab = nullptr;
    MyBrowser* browser = nullptr;
    std::vector<PopupCall> popups;
    int pick = -1;
};

TEST_F(VariableTabsTest, PanelLayout) {
    HistoryBox* box = window->historyBox;
    const int y = box->y();
    EXPECT_EQ(box->x(), 3);
    EXPECT_EQ(box->w(), 247);
    EXPECT_EQ(box->h(), 197);
    EXPECT_EQ(box->color(), FL_WHITE);
    ASSERT_GE(box->children(), 3);
    auto* background = dynamic_cast<Fl_Box*>(box->child(0));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->box(), FL_THIN_DOWN_BOX);
    EXPECT_EQ(background->color(), panelColor);
    auto* heading = dynamic_cast<Fl_Box*>(box->child(1));
    ASSERT_NE(heading, nullptr);
    EXPECT_STREQ(heading->label(), "Add an entry");
    EXPECT_EQ(heading->labelfont(), FL_HELVETICA_BOLD);
    EXPECT_EQ(heading->box(), FL_THIN_UP_BOX);
    EXPECT_EQ(heading->x(), 6);
    EXPECT_EQ(heading->y(), y + 3);
    EXPECT_EQ(box->child(2), box->tabs);
    EXPECT_EQ(box->resizable(), box->tabs);
    EXPECT_EQ(box->tabs->x(), 13);
    EXPECT_EQ(box->tabs->y(), y + 35);
    EXPECT_EQ(box->tabs->w(), 227);
    EXPECT_EQ(box->tabs->h(), 152);
    EXPECT_EQ(box->tabs->box(), FL_THIN_UP_BOX);
    ASSERT_EQ(box->tabs->children(), 1);
    EXPECT_EQ(box->tabs->child(0), tab);
    EXPECT_EQ(box->currentTab(), tab);
    EXPECT_STREQ(tab->label(), "Vitals");
    EXPECT_EQ(tab->name, "Vitals");
    EXPECT_EQ(tab->x(), 21);
    EXPECT_EQ(tab->y(), y + 60);
    EXPECT_EQ(tab->w(), 211);
    EXPECT_EQ(tab->h(), 127);
    EXPECT_EQ(browser->x(), 21);
    EXPECT_EQ(browser->y(), y + 68);
    EXPECT_EQ(browser->w(), 211);
    EXPECT_EQ(browser->h(), 111);
    EXPECT_EQ(browser->box(), browserBox);
}

TEST_F(VariableTabsTest, ListsVariablesInDocumentOrder) {
    testing::internal::CaptureStdout();
    tab->populateBrowser();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Tab has name: Vitals\n");
    const std::vector<std::string> expected{"Pulse", "Blood Pressure", "Temperature", "Mood"};
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(tab->lineNames, expected);
    tab->populateBrowser();  // rebuilding does not repeat lines
    EXPECT_EQ(lines(), expected);
}

TEST_F(VariableTabsTest, NoUserOpenListsNothingAndPrintsNothing) {
    Global::userOpen = false;
    testing::internal::CaptureStdout();
    tab->populateBrowser();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(browser->size(), 0);
    EXPECT_TRUE(tab->lineNames.empty());
}

TEST_F(VariableTabsTest, ATabNameDifferingInCaseListsNothing) {
    Fl_Double_Window holder(300, 200);
    TabBrowser* other = new TabBrowser("vitals", 10);
    holder.end();
    EXPECT_EQ(other->browser->size(), 0);
    EXPECT_TRUE(other->lineNames.empty());
}

TEST_F(VariableTabsTest, LabAndMedicineTabsListTheirElements) {
    XmlNode* patient = Global::userDoc->first_node("patient");
    auto add = [patient](const char* element, const char* attribute, const char* value) {
        XmlNode* n = Global::userDoc->allocate_node(rapidxml::node_element, element);
        if (attribute) n->append_attribute(Global::userDoc->allocate_attribute(attribute, value));
        patient->append_node(n);
    };
    add("lab", "title", "Sodium");
    add("drug", "name", "Aspirin");
    add("lab", nullptr, nullptr);
    Fl_Double_Window holder(300, 400);
    TabBrowser* lab = new TabBrowser("Lab", 10);
    TabBrowser* medicine = new TabBrowser("Medicine", 150);
    holder.end();
    EXPECT_EQ(lab->lineNames, (std::vector<std::string>{"Sodium", ""}));
    EXPECT_EQ(lab->browser->size(), 2);
    EXPECT_EQ(medicine->lineNames, (std::vector<std::string>{"Aspirin"}));
}

class OddVariablesTest : public VariableTabsTest {
protected:
    std::string variables() const override {
        return "\t<variable label=\"First\" name=\"Second\"/>\n\t<variable/>\n\t<lab name=\"Iron\"/>\n";
    }
};

TEST_F(OddVariablesTest, TheFirstAttributeNamesTheLineWhateverItsName) {
    EXPECT_EQ(lines(), (std::vector<std::string>{"First", ""}));
}

class NoVariablesTest : public VariableTabsTest {
protected:
    std::string variables() const override { return ""; }
};

TEST_F(NoVariablesTest, EmptyListWithoutError) {
    EXPECT_EQ(browser->size(), 0);
    EXPECT_TRUE(dialogs->alerts.empty());
}

TEST_F(VariableTabsTest, SelectedLineOpensTheEntryWindowAndIsCleared) {
    browser->select(2);
    tab->browserCB_i();
    ASSERT_NE(tab->entryWindow, nullptr);
    EXPECT_STREQ(tab->entryWindow->label(), "Add history entry for Vitals: Blood Pressure");
    EXPECT_EQ(tab->entryWindow->tabName, "Vitals");
    EXPECT_EQ(tab->entryWindow->variableName, "Blood Pressure");
    EXPECT_TRUE(tab->entryWindow->shown());
    EXPECT_TRUE(tab->entryWindow->modal());
    EXPECT_EQ(browser->value(), 0);
    tab->entryWindow->cancelCB_i();
}

TEST_F(VariableTabsTest, NoSelectedLineOpensNothing) {
    tab->browserCB_i();
    EXPECT_EQ(tab->entryWindow, nullptr);
}

TEST_F(VariableTabsTest, LeftClickOpensTheEntryWindow) {
    int y = yOfLine(4);
    ASSERT_GT(y, 0);
    press(FL_LEFT_MOUSE, browser->x() + 20, y);
    release(FL_LEFT_MOUSE, browser->x() + 20, y);
    ASSERT_NE(tab->entryWindow, nullptr);
    EXPECT_EQ(tab->entryWindow->variableName, "Mood");
    EXPECT_EQ(browser->value(), 0);
    EXPECT_TRUE(popups.empty());
    tab->entryWindow->cancelCB_i();
}

TEST_F(VariableTabsTest, RightClickShowsTheMenuForTheLineUnderThePointer) {
    int y = yOfLine(2);
    ASSERT_GT(y, 0);
    EXPECT_EQ(press(FL_RIGHT_MOUSE, browser->x() + 20, y), 1);
    ASSERT_EQ(popups.size(), 1u);
    const PopupCall& call = popups[0];
    EXPECT_EQ(call.labels, (std::vector<std::string>{"Add new Entry", "Edit History", "Properties"}));
    EXPECT_EQ(call.active, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(call.shortcuts, (std::vector<int>{0, 0, 0}));
    for (void* d : call.data) EXPECT_EQ(d, browser);
    EXPECT_EQ(call.selectedLine, 2);
    // Dismissed without a pick: the line stays selected and nothing opens.
    EXPECT_EQ(browser->value(), 2);
    EXPECT_EQ(tab->entryWindow, nullptr);
    EXPECT_EQ(release(FL_RIGHT_MOUSE, browser->x() + 20, y), 1);
    EXPECT_EQ(browser->value(), 2);
    // The same line again opens the menu for it again.
    EXPECT_EQ(press(FL_RIGHT_MOUSE, browser->x() + 20, y), 1);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].selectedLine, 2);
}

TEST_F(VariableTabsTest, RightClickMovesTheSelection) {
    browser->select(1);
    int y = yOfLine(3);
    browser->select(1);
    press(FL_RIGHT_MOUSE, browser->x() + 20, y);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].selectedLine, 3);
    EXPECT_FALSE(browser->selected(1));
}

TEST_F(VariableTabsTest, RightClickBelowTheLastLineClearsTheSelection) {
    browser->select(1);
    EXPECT_EQ(press(FL_RIGHT_MOUSE, browser->x() + 20, browser->y() + browser->h() - 6), 0);
    EXPECT_TRUE(popups.empty());
    EXPECT_EQ(browser->value(), 0);
}

TEST_F(VariableTabsTest, AddNewEntryDoesWhatALeftClickDoes) {
    int y = yOfLine(1);
    pick = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(press(FL_RIGHT_MOUSE, browser->x() + 20, y), 1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("New Entry Callback for Pulse\n"), std::string::npos);
    ASSERT_NE(tab->entryWindow, nullptr);
    EXPECT_EQ(tab->entryWindow->variableName, "Pulse");
    EXPECT_STREQ(tab->entryWindow->label(), "Add history entry for Vitals: Pulse");
    EXPECT_EQ(browser->value(), 0);
    tab->entryWindow->cancelCB_i();
}

TEST_F(VariableTabsTest, WithoutAnOpenUserHistoryAndPropertiesAreInactiveAndCannotBePicked) {
    int y = yOfLine(1);
    Global::userOpen = false;  // the list still shows the closed user's lines
    for (int item : {1, 2}) {
        pick = item;
        testing::internal::CaptureStdout();
        press(FL_RIGHT_MOUSE, browser->x() + 20, y);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(browser->value(), 1);
        ASSERT_FALSE(popups.empty());
        EXPECT_EQ(popups.back().active, (std::vector<bool>{true, false, false}));
    }
    EXPECT_EQ(tab->entryWindow, nullptr);
    Global::userOpen = true;
}

TEST_F(VariableTabsTest, SizesOfTheWindowsTheMenuOpens) {
    int w = 0, h = 0;
    MyBrowser::historyWindowSize(1200, 700, w, h);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 660);
    MyBrowser::historyWindowSize(900, 1000, w, h);
    EXPECT_EQ(w, 880);
    EXPECT_EQ(h, 800);
    EXPECT_EQ(MyBrowser::propertiesWindowWidth("Blood Pressure"), 420);
    EXPECT_EQ(MyBrowser::propertiesWindowWidth("Blood Sugar"), 450);
    EXPECT_EQ(MyBrowser::propertiesWindowWidth("Pulse"), 300);
    EXPECT_EQ(MyBrowser::propertiesWindowWidth("blood pressure"), 300);
}

Fl_Window* findWindow(const std::string& title) {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (w->label() && title == w->label()) return w;
    return nullptr;
}

TEST_F(VariableTabsTest, HistoryAndPropertiesActionsOpenTheirWindows) {
    browser->select(2);
    testing::internal::CaptureStdout();
    browser->editHistoryCB_i();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Edit History Callback for Blood Pressure\n"), std::string::npos);
    EXPECT_EQ(browser->value(), 0);
    Fl::check();
    Fl_Window* history = findWindow("Blood Pressure History");
    ASSERT_NE(history, nullptr);
    int w = 0, h = 0;
    MyBrowser::historyWindowSize(Fl::w(), Fl::h(), w, h);
    EXPECT_EQ(history->w(), w);
    EXPECT_EQ(history->h(), h);
    history->hide();

    browser->select(2);
    testing::internal::CaptureStdout();
    browser->propertiesCB_i();
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Properties Callback for Blood Pressure\n"), std::string::npos);
    EXPECT_EQ(browser->value(), 0);
    Fl::check();
    Fl_Window* properties = findWindow("Properties for Blood Pressure");
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->w(), 420);
    properties->hide();
}

TEST_F(VariableTabsTest, OkListsANewVariableLast) {
    NewEntryWindow* w = new NewEntryWindow(window, "Add history entry for Vitals: Weight", "Vitals", "Weight");
    w->inputs[0]->value("2024/03/05");
    w->inputs[1]->value("08:00:00 AM");
    w->inputs[2]->value("70");
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_FALSE(w->shown());
    EXPECT_EQ(lines(), (std::vector<std::string>{"Pulse", "Blood Pressure", "Temperature", "Mood", "Weight"}));
    delete w;
}

}  // namespace
