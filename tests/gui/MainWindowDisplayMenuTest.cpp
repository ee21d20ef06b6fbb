// The main window's two display menus: the items built from the open user's
// variables, the limit of four, the check marks and what reaches the chart.
#include "MainWindowFixture.h"
#include "ui/chart/MyChart.h"

namespace {

std::string entry(const char* date, const char* time, const std::string& values) {
    return std::string("\t\t<entry><date>") + date + "</date><time>" + time + "</time>" + values + "</entry>\n";
}

std::string variable(const char* name, const std::string& entries) {
    return std::string("\t<variable name=\"") + name + "\">\n" + entries + "\t</variable>\n";
}

// A user with entries in seven single-valued variables, blood pressure and
// blood sugar (fasting only, one entry holding both kinds).
std::string manyVariables() {
    std::string v;
    v += variable("Pulse", entry("2026/11/01", "08:00:00 AM", "<value>70</value>") +
                               entry("2026/11/02", "08:00:00 AM", "<value>72</value>"));
    v += variable("Blood Pressure", entry("2026/11/01", "08:00:00 AM", "<systolic>120</systolic><diastolic>80</diastolic>"));
    v += variable("Blood Sugar", entry("2026/11/01", "07:00:00 AM", "<fasting>95</fasting>") +
                                     entry("2026/11/02", "07:00:00 AM", "<fasting>99</fasting><postprandial>140</postprandial>"));
    v += variable("SpO2", entry("2026/11/01", "08:00:00 AM", "<value>97</value>"));
    v += variable("Temperature", entry("2026/11/01", "08:00:00 AM", "<value>98.6</value>"));
    v += variable("Weight", entry("2026/11/01", "08:00:00 AM", "<value>150</value>"));
    v += variable("Mood", entry("2026/11/01", "08:00:00 AM", "<value>7</value>"));
    v += variable("Empty", "");
    return v;
}

std::vector<std::string> seriesNames(const MyChart* chart) {
    std::vector<std::string> names;
    for (const ChartVariable& v : chart->variables) names.push_back(v.name);
    return names;
}

}  // namespace

class DisplayMenuTest : public MainWindowFixture {
protected:
    // Full paths of a menu's items (after the "Vitals" title), in order.
    std::vector<std::string> paths(Fl_Menu_Button* menu) {
        std::vector<std::string> out;
        const Fl_Menu_Item* items = menu->menu();
        char buffer[256];
        for (int i = 1; items && i < menu->size(); ++i) {
            if (!items[i].label() || items[i].submenu()) continue;
            if (menu->item_pathname(buffer, sizeof buffer, &items[i]) == 0) out.push_back(buffer);
        }
        return out;
    }

    std::vector<std::string> checkedLabels() {
        std::vector<std::string> out;
        const Fl_Menu_Item* items = win->multiDisplayMenu->menu();
        for (int i = 1; items && i < win->multiDisplayMenu->size(); ++i)
            if (items[i].label() && items[i].value()) out.push_back(items[i].label());
        return out;
    }

    const Fl_Menu_Item* multi(const char* path) { return win->multiDisplayMenu->find_item(path); }
    const Fl_Menu_Item* range(const char* path) { return win->normalRangeMenu->find_item(path); }

    void check(const char* path) { pick(win->multiDisplayMenu, multi(path)); }

    // The window up and the chart, with Pulse on it, drawn once; the number of its draws so far.
    std::size_t chartPulse() {
        writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
        openWindow();
        chooseLine(1);
        check("Vitals/Pulse");
        while (win->chart->draws == 0) Fl::wait(0.05);
        Fl::flush();
        return win->chart->draws;
    }
};

TEST_F(DisplayMenuTest, WithoutEntriesOnlyGreyedVitals) {
    writeUsers({{0, "Ada", "Lovelace", variable("Pulse", "") + variable("Blood Sugar", "")}});
    openWindow();
    chooseLine(1);
    for (Fl_Menu_Button* menu : {win->multiDisplayMenu, win->normalRangeMenu}) {
        const Fl_Menu_Item* vitals = menu->find_item("Vitals");
        ASSERT_NE(vitals, nullptr);
        EXPECT_TRUE(vitals->submenu());
        EXPECT_FALSE(vitals->active());
        EXPECT_EQ(vitals->flags, FL_SUBMENU | FL_MENU_INACTIVE);
        EXPECT_EQ(vitals->user_data(), win);
        EXPECT_TRUE(paths(menu).empty());
    }
}

TEST_F(DisplayMenuTest, ItemsFollowVariablesWithEntries) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    EXPECT_TRUE(win->multiDisplayMenu->find_item("Vitals")->active());
    EXPECT_TRUE(win->normalRangeMenu->find_item("Vitals")->active());
    EXPECT_EQ(paths(win->multiDisplayMenu),
              std::vector<std::string>({"Vitals/Pulse", "Vitals/Blood Pressure/Systolic",
                                        "Vitals/Blood Pressure/Diastolic", "Vitals/Blood Sugar/Fasting",
                                        "Vitals/SpO2", "Vitals/Temperature", "Vitals/Weight", "Vitals/Mood"}));
    EXPECT_EQ(paths(win->normalRangeMenu),
              std::vector<std::string>({"Vitals/Pulse", "Vitals/Blood Pressure", "Vitals/Blood Sugar", "Vitals/SpO2",
                                        "Vitals/Temperature"}));
    // Flags, callbacks and user data.
    XmlNode* bp = Global::findVariable("Blood Pressure");
    const Fl_Menu_Item* systolic = multi("Vitals/Blood Pressure/Systolic");
    ASSERT_NE(systolic, nullptr);
    EXPECT_EQ(systolic->flags, FL_MENU_TOGGLE);
    EXPECT_EQ(systolic->callback(), &MainWindow::systolicCB);
    EXPECT_EQ(systolic->user_data(), bp);
    EXPECT_EQ(multi("Vitals/Blood Pressure/Diastolic")->callback(), &MainWindow::diastolicCB);
    EXPECT_EQ(multi("Vitals/Blood Sugar/Fasting")->callback(), &MainWindow::fastingCB);
    EXPECT_EQ(multi("Vitals/Pulse")->callback(), &MainWindow::valueCB);
    EXPECT_EQ(multi("Vitals/Pulse")->user_data(), Global::findVariable("Pulse"));
    EXPECT_EQ(multi("Vitals/Blood Sugar/Postprandial"), nullptr);
    const Fl_Menu_Item* bpRange = range("Vitals/Blood Pressure");
    ASSERT_NE(bpRange, nullptr);
    EXPECT_EQ(bpRange->flags, 0);
    EXPECT_EQ(bpRange->callback(), &MainWindow::normalRangeCB);
    EXPECT_EQ(bpRange->user_data(), bp);
}

TEST_F(DisplayMenuTest, FifthCheckRefusedWithAlertAndChartKeepsFour) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    for (const char* p : {"Vitals/Pulse", "Vitals/SpO2", "Vitals/Weight", "Vitals/Mood"}) check(p);
    EXPECT_TRUE(dialogs->alerts.empty());
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Pulse", "SpO2", "Weight", "Mood"}));
    EXPECT_EQ(win->chart->varCount, 4);
    check("Vitals/Temperature");
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(dialogs->alerts[0],
              "At most 4 variables can be displayed at the same time.\n"
              "Please uncheck some variables or clear the graph first.");
    EXPECT_FALSE(multi("Vitals/Temperature")->value());
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Pulse", "SpO2", "Weight", "Mood"}));
    EXPECT_EQ(traceCount("User checked more than 4 variables"), 1);
    EXPECT_EQ(traceCount("There are 5 items checked"), 1);
    // Unchecking one of the four removes exactly that series; then the fifth fits.
    check("Vitals/SpO2");
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Pulse", "Weight", "Mood"}));
    check("Vitals/Temperature");
    EXPECT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Pulse", "Weight", "Mood", "Temperature"}));
}

TEST_F(DisplayMenuTest, SeriesCarryTheEntriesOfTheirElement) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Blood Pressure/Diastolic");
    ASSERT_EQ(win->chart->variables.size(), 1u);
    const ChartVariable& d = win->chart->variables.front();
    EXPECT_EQ(d.name, "Diastolic");
    EXPECT_EQ(d.variable, "Blood Pressure");
    ASSERT_EQ(d.points.size(), 1u);
    EXPECT_DOUBLE_EQ(d.points.begin()->second, 80);
    check("Vitals/Pulse");
    ASSERT_EQ(win->chart->variables.size(), 2u);
    EXPECT_EQ(win->chart->variables.back().points.size(), 2u);
}

TEST_F(DisplayMenuTest, NormalRangePickOfBloodSugarGivesFastingThenPostprandial) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    check("Vitals/Weight");
    pick(win->normalRangeMenu, range("Vitals/Blood Sugar"));
    EXPECT_EQ(win->chart->display, ChartMath::Display::NormalRange);
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Fasting", "Postprandial"}));
    EXPECT_EQ(win->chart->variables.front().points.size(), 2u);
    // Only one entry holds a postprandial value; it still makes a series.
    EXPECT_EQ(win->chart->variables.back().points.size(), 1u);
    EXPECT_TRUE(checkedLabels().empty());
    EXPECT_EQ(traceCount("item picked in normal range display menu: Vitals/Blood Sugar"), 1);
    // The next Multi-Display pick empties the chart first.
    check("Vitals/Mood");
    EXPECT_EQ(win->chart->display, ChartMath::Display::Multi);
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Mood"}));
}

TEST_F(DisplayMenuTest, NormalRangePicksOfOtherVariables) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    pick(win->normalRangeMenu, range("Vitals/Blood Pressure"));
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Systolic", "Diastolic"}));
    pick(win->normalRangeMenu, range("Vitals/Temperature"));
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Temperature"}));
    EXPECT_EQ(win->chart->display, ChartMath::Display::NormalRange);
}

TEST_F(DisplayMenuTest, CheckMarksKeptByLabelOnRebuild) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    check("Vitals/Blood Pressure/Systolic");
    win->resetDisplayMenu(MainWindow::Checks::Kept);
    EXPECT_EQ(checkedLabels(), std::vector<std::string>({"Pulse", "Systolic"}));
    // The rebuilt items point at the same elements.
    EXPECT_EQ(multi("Vitals/Pulse")->user_data(), Global::findVariable("Pulse"));
    win->resetDisplayMenu(MainWindow::Checks::Cleared);
    EXPECT_TRUE(checkedLabels().empty());
}

TEST_F(DisplayMenuTest, CheckMarkOfVanishedLabelDropped) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Weight");
    check("Vitals/Mood");
    // Weight loses its entries.
    XmlNode* weight = Global::findVariable("Weight");
    weight->remove_all_nodes();
    win->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(multi("Vitals/Weight"), nullptr);
    EXPECT_EQ(checkedLabels(), std::vector<std::string>({"Mood"}));
}

TEST_F(DisplayMenuTest, ClearChartRemovesChecksAndSeries) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    check("Vitals/Blood Sugar/Fasting");
    win->clearChartButton->do_callback();
    EXPECT_TRUE(checkedLabels().empty());
    EXPECT_EQ(win->chart->varCount, 0);
    EXPECT_TRUE(win->chart->variables.empty());
    // Items are still there and can be checked again.
    check("Vitals/Pulse");
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>({"Pulse"}));
}

TEST_F(DisplayMenuTest, ChoosingAnotherUserEmptiesChartAndChecks) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}, {1, "Alan", "Turing", ""}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    chooseLine(2);
    EXPECT_EQ(win->chart->varCount, 0);
    EXPECT_TRUE(paths(win->multiDisplayMenu).empty());
    chooseLine(1);
    EXPECT_TRUE(checkedLabels().empty());
}

TEST_F(DisplayMenuTest, PointsReachTheChartThroughTheWindow) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 10;
    when.tm_mday = 5;
    when.tm_hour = 9;
    when.tm_isdst = -1;
    win->addPointToChart("Pulse", when, 66);
    ASSERT_EQ(win->chart->variables.size(), 1u);
    EXPECT_EQ(win->chart->variables.front().points.size(), 3u);
}

TEST_F(DisplayMenuTest, CheckedItemsReportedOnStandardOutput) {
    writeUsers({{0, "Ada", "Lovelace", manyVariables()}});
    openWindow();
    chooseLine(1);
    check("Vitals/Pulse");
    testing::internal::CaptureStdout();
    check("Vitals/Blood Pressure/Systolic");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "MainWindow::variableCB_i: Pulse is checked\n"
              "MainWindow::variableCB_i: Systolic is checked\n"
              "MainWindow::variableCB_i: There are 2 items checked\n");
    EXPECT_EQ(traceCount("Systolic is checked"), 1);
    EXPECT_EQ(traceCount("Pulse is checked"), 2);
}

TEST_F(DisplayMenuTest, MenuPicksReportedOnStandardOutput) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    testing::internal::CaptureStdout();
    pickMenu("File/Save");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "item picked in menu: File/Save\n");
}

TEST_F(DisplayMenuTest, AnAtSignInAVariableNameIsShownAndChartedLiterally) {
    writeUsers({{0, "Ada", "Lovelace", variable("Heart@Rest", entry("2026/11/01", "08:00:00 AM", "<value>61</value>"))}});
    openWindow();
    chooseLine(1);
    const Fl_Menu_Item* item = multi("Vitals/Heart@@Rest");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->label(), "Heart@@Rest");  // the toolkit shows "Heart@Rest"
    check("Vitals/Heart@@Rest");
    EXPECT_EQ(seriesNames(win->chart), std::vector<std::string>{"Heart@Rest"});
    check("Vitals/Heart@@Rest");
    EXPECT_TRUE(win->chart->variables.empty());
}

TEST_F(DisplayMenuTest, ATimeButtonDrawsItselfWhenPressedAndTheChartOnceWhenReleased) {
    const std::size_t before = chartPulse();
    MyChart* chart = win->chart;
    Fl_Button* year = chart->timeButtons[1];
    Fl::e_x = year->x() + year->w() / 2;
    Fl::e_y = year->y() + year->h() / 2;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, win);
    ASSERT_EQ(Fl::pushed(), year);
    EXPECT_NE(year->damage(), 0);
    Fl::flush();
    EXPECT_EQ(year->damage(), 0);      // drawn down
    EXPECT_EQ(chart->draws, before);  // and the chart left as it is
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, win);
    Fl::flush();
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::Year);
    EXPECT_EQ(chart->draws, before + 1);
    Fl::flush();
    EXPECT_EQ(chart->draws, before + 1);
}

TEST_F(DisplayMenuTest, AMenuClosingOverTheChartAsTheFocusComesBackLeavesTheChartAsItIs) {
    const std::size_t before = chartPulse();
    MyChart* chart = win->chart;
    // What the display server says as a menu over the chart closes: the
    // place it covered is uncovered, and the users list has the focus again.
    win->damage(FL_DAMAGE_EXPOSE, chart->x() + 20, chart->y() + 20, 200, 300);
    usersList()->redraw();
    Fl::flush();
    EXPECT_EQ(usersList()->damage(), 0);  // the list is drawn
    EXPECT_EQ(chart->draws, before);       // the chart is not
    chart->redraw();
    Fl::flush();
    EXPECT_EQ(chart->draws, before + 1);
}
