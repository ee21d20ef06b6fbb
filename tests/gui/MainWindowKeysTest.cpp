// The main window by keyboard: Tab walks it in reading order, the shortcuts
// reach their commands, the users list moves and jumps by key (opening the
// user as a click does), the variable list opens the entry window on Return
// only, and the From/To boxes are empty without a user.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include <FL/Fl_Tabs.H>

#include "MainWindowFixture.h"
#include "ui/chart/ChartKeys.h"
#include "ui/chart/MyChart.h"
#include "ui/measurements/HistoryBox.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/MyBrowser.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/measurements/TabBrowser.h"

namespace {

const std::string pulse =
    "\t<variable name=\"Pulse\">\n\t\t<entry><date>2026/11/01</date><time>08:00:00 AM</time><value>70</value>"
    "</entry>\n\t</variable>\n";
const std::vector<TestUser> threeUsers = {
    {0, "Ada", "Lovelace", pulse}, {1, "Alan", "Turing", ""}, {2, "Grace", "Hopper", ""}};

}  // namespace

class MainWindowKeysTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        writeUsers(threeUsers);
        openWindow();
    }

    // A key as the toolkit delivers it: to the widget with the focus first.
    int press(int key, int state = 0, const char* text = "") {
        static char buffer[8];
        std::strncpy(buffer, text, sizeof buffer - 1);
        Fl::e_keysym = key;
        Fl::e_state = state;
        Fl::e_text = buffer;
        Fl::e_length = static_cast<int>(std::strlen(buffer));
        const int used = Fl::handle(FL_KEYBOARD, win);
        Fl::e_keysym = 0;
        Fl::e_state = 0;
        Fl::e_length = 0;
        buffer[0] = '\0';
        return used;
    }

    void chartPulse() {
        pick(win->multiDisplayMenu, win->multiDisplayMenu->find_item("Vitals/Pulse"));
        ASSERT_EQ(win->chart->variables.size(), 1u);
    }

    // The widgets Tab (or Shift+Tab) reaches from the focus until it comes back.
    std::vector<Fl_Widget*> walk(int state) {
        std::vector<Fl_Widget*> seen{Fl::focus()};
        for (int i = 0; i < 40; ++i) {
            press(FL_Tab, state, "\t");
            if (Fl::focus() == seen.front()) break;
            seen.push_back(Fl::focus());
        }
        return seen;
    }

    MyBrowser* variableList() { return win->historyBox->vitals->browser; }
};

TEST_F(MainWindowKeysTest, TabWalksTheWindowInReadingOrderAndShiftTabBack) {
    chooseLine(1);
    chartPulse();
    // The keyboard starts in the users list.
    ASSERT_EQ(Fl::focus(), usersList());
    const std::vector<Fl_Widget*> forward = walk(0);
    auto at = [&forward](Fl_Widget* w) {
        return std::find(forward.begin(), forward.end(), w) - forward.begin();
    };
    const std::vector<Fl_Widget*> order = {
        usersList(), win->historyBox->tabs, variableList(), win->chart->timeButtons.front(),
        win->chart->timeButtons.back(), win->chartKeys, win->addUserButton, win->clearChartButton, win->multiDisplayMenu,
        win->normalRangeMenu};
    for (std::size_t i = 1; i < order.size(); ++i) {
        ASSERT_LT(at(order[i]), static_cast<long>(forward.size())) << "not reached: " << i;
        EXPECT_LT(at(order[i - 1]), at(order[i])) << i;
    }
    std::vector<Fl_Widget*> backward = walk(FL_SHIFT);
    std::reverse(backward.begin() + 1, backward.end());
    EXPECT_EQ(backward, forward);
}

TEST_F(MainWindowKeysTest, ShortcutsReachTheirCommands) {
    chooseLine(1);
    chartPulse();
    const struct {
        int key;
        ChartMath::TimeRange range;
    } ranges[] = {{'5', ChartMath::TimeRange::Month},
                  {'6', ChartMath::TimeRange::Week},
                  {'2', ChartMath::TimeRange::Year},
                  {'1', ChartMath::TimeRange::Auto}};
    for (const auto& r : ranges) {
        EXPECT_EQ(press(r.key, FL_CTRL), 1);
        EXPECT_EQ(win->chart->timeRange, r.range) << static_cast<char>(r.key);
    }
    press(FL_F + 1);
    ASSERT_NE(win->helpWindow, nullptr);
    EXPECT_TRUE(win->helpWindow->shown());
    win->helpWindow->hide();
    press('e', FL_CTRL);
    ASSERT_NE(theInfoWindow(), nullptr);
    EXPECT_STREQ(theInfoWindow()->label(), "Edit User Information");
    closeDialogs();
    try {
        press('q', FL_CTRL);
        ADD_FAILURE() << "Ctrl+Q did not exit";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, 0);
    }
    EXPECT_EQ(traceCount("item picked in menu: File/Exit"), 1);
}

TEST_F(MainWindowKeysTest, UsersListMovesAndJumpsByKeyOpeningEachUser) {
    const struct {
        int key;
        const char* text;
        int line;
    } steps[] = {
        {FL_Down, "", 1}, {FL_Down, "", 2}, {FL_End, "", 3}, {FL_Down, "", 3}, {FL_Home, "", 1},
        {'g', "g", 3},    {'a', "a", 1},    {'l', "l", 2},   {'a', "a", 2},  {FL_Up, "", 1},
    };
    for (const auto& s : steps) {
        press(s.key, 0, s.text);
        EXPECT_EQ(usersList()->value(), s.line) << s.key;
        EXPECT_TRUE(Global::userOpen);
        EXPECT_EQ(Global::currentId, std::to_string(threeUsers[s.line - 1].id)) << s.key;
    }
    EXPECT_EQ(traceCount("Loaded file user2.hma"), 2);  // End and "g"; the second Down stayed
}

TEST_F(MainWindowKeysTest, DownAfterAFailedSaveKeepsTheOpenUser) {
    chooseLine(1);
    Global::markUserChanged();  // a change the file does not hold yet
    ASSERT_EQ(chmod(data->path("user0.hma").c_str(), 0444), 0);
    press(FL_Down);
    EXPECT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_EQ(traceCount("Loaded file user1.hma"), 0);
}

TEST_F(MainWindowKeysTest, VariableListOpensTheEntryWindowOnReturnOnly) {
    chooseLine(1);
    variableList()->take_focus();
    press(FL_Down);
    press(FL_Down);
    press(FL_Up);
    EXPECT_EQ(variableList()->value(), 1);
    EXPECT_EQ(win->historyBox->vitals->entryWindow, nullptr);
    press(FL_Enter, 0, "\r");
    NewEntryWindow* entry = win->historyBox->vitals->entryWindow.get();
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->label(), "Add history entry for Vitals: Pulse");
    entry->hide();
}

TEST_F(MainWindowKeysTest, FromAndToAreEmptyWithoutAUser) {
    chooseLine(1);
    chartPulse();
    win->chart->showTimeSpan();  // as a drawing sets them
    const char* from = win->chart->fromBox->label();
    EXPECT_NE(std::string(from ? from : ""), "");
    pickMenu("File/Close");
    EXPECT_STREQ(win->chart->fromBox->label(), "");
    EXPECT_STREQ(win->chart->toBox->label(), "");
}

// A reading is reached for correction without the mouse: Shift+F10 and the
// Menu key open the variable's menu, Edit/History… the history of the
// variable chosen in the list, and on the chart Ctrl+Right picks a point
// and Ctrl+Return opens its row.
TEST_F(MainWindowKeysTest, AReadingIsReachedForCorrectionByKeysAlone) {
    chooseLine(1);
    std::vector<std::string> menus;
    MyBrowser::popupHandler = [&menus](const Fl_Menu_Item* items, int, int) {
        menus.push_back(items[1].label());
        return &items[1];  // Edit History
    };
    variableList()->take_focus();
    for (int key : {FL_F + 10, FL_Menu}) {
        SCOPED_TRACE(key);
        press(key, key == FL_Menu ? 0 : FL_SHIFT);
        HistoryTableWindow* history = HistoryTableWindow::find("Pulse");
        ASSERT_NE(history, nullptr);
        EXPECT_TRUE(history->shown());
        history->hide();
        Fl::check();
    }
    MyBrowser::popupHandler = nullptr;
    EXPECT_EQ(menus, (std::vector<std::string>{"Edit History", "Edit History"}));

    // Without a variable chosen the Edit menu says what to do first.
    variableList()->deselect();
    pickMenu("Edit/History\342\200\246");
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    variableList()->select(1);
    pickMenu("Edit/History\342\200\246");
    ASSERT_NE(HistoryTableWindow::find("Pulse"), nullptr);
    EXPECT_TRUE(HistoryTableWindow::find("Pulse")->shown());
    HistoryTableWindow::find("Pulse")->hide();
    Fl::check();

    chartPulse();
    win->chart->redraw();
    Fl::check();
    ASSERT_GT(win->chart->drawnPointCount(), 0u);
    EXPECT_EQ(press(FL_Right, FL_CTRL), 1);
    EXPECT_EQ(win->chart->pickedSeries, "Pulse");
    EXPECT_EQ(win->chart->pickedInstant, instantOf(2026, 11, 1, 8, 0, 0));
    EXPECT_EQ(press(FL_Enter, FL_CTRL, "\r"), 1);
    HistoryTableWindow* history = HistoryTableWindow::find("Pulse");
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->shown());
    EXPECT_TRUE(history->table->row_selected(0));
    history->hide();
}

// The chart takes the focus in the Tab order; while it has it, plain Left
// and Right go through its points and Return opens the picked one's row.
TEST_F(MainWindowKeysTest, TheChartWithTheFocusTakesArrowsAndReturn) {
    chooseLine(1);
    chartPulse();
    win->chart->redraw();
    Fl::check();
    ASSERT_GT(win->chart->drawnPointCount(), 0u);
    // Elsewhere a plain Right is not the chart's.
    usersList()->take_focus();
    press(FL_Right);
    EXPECT_EQ(win->chart->pickedSeries, "");
    win->chart->timeButtons.back()->take_focus();
    press(FL_Tab, 0, "\t");
    ASSERT_EQ(Fl::focus(), win->chartKeys);
    EXPECT_EQ(press(FL_Right), 1);
    EXPECT_EQ(press(FL_Right), 1);
    EXPECT_EQ(press(FL_Left), 1);
    EXPECT_EQ(win->chart->pickedSeries, "Pulse");
    EXPECT_EQ(win->chart->pickedInstant, instantOf(2026, 11, 1, 8, 0, 0));
    EXPECT_EQ(press(FL_Enter, 0, "\r"), 1);
    HistoryTableWindow* history = HistoryTableWindow::find("Pulse");
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->shown());
    EXPECT_TRUE(history->table->row_selected(0));
    history->hide();
}
