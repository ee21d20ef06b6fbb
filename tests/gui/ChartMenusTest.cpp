// The chart driven through the main window's two display menus: the limit
// of four series, unchecking, normal-range picks and the trend panel.
#include "MainWindowFixture.h"

#include <FL/Fl_Pack.H>
#include <FL/fl_draw.H>

#include <cstdlib>

#include "ui/chart/IndividualTrend.h"
#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/measurements/VariablePropertiesWindow.h"

namespace {

std::string entry(int id, const std::string& values, const std::string& date, const std::string& time) {
    return "<entry id=\"" + std::to_string(id) + "\">" + values + "<date>" + date + "</date><time>" + time +
           "</time></entry>";
}

std::string variable(const std::string& name, const std::string& entries) {
    return "\t<variable name=\"" + name + "\"><normalLow/><normalHigh/><panicLow/><panicHigh/>" + entries +
           "</variable>\n";
}

std::string value(double v) { return "<value>" + std::to_string(v) + "</value>"; }

class ChartMenusTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        std::string vars =
            variable("Pulse", entry(0, value(70), "2026/11/1", "08:00:00 AM") +
                                  entry(1, value(80), "2026/11/2", "12:30:00 PM") +
                                  entry(2, value(90), "2026/11/2", "12:30:00 pm")) +
            variable("Blood Pressure",
                     entry(0, "<systolic>120</systolic><diastolic>80</diastolic>", "2026/11/1", "09:00:00 AM")) +
            variable("Blood Sugar", entry(0, "<fasting>95</fasting>", "2026/11/3", "07:00:00 AM") +
                                        entry(1, "<fasting>101</fasting>",
                                              "2026/11/4", "07:00:00 AM")) +
            variable("SpO2", entry(0, value(97), "2026/11/5", "10:00:00 AM")) +
            variable("Weight", entry(0, value(150), "2026/11/6", "10:00:00 AM"));
        writeUsers({{0, "Ann", "Lee", vars}});
        openWindow();
        chooseLine(1);
        ASSERT_TRUE(Global::userOpen);
    }

    Fl_Menu_Button* multi() { return win->multiDisplayMenu; }
    Fl_Menu_Button* ranges() { return win->normalRangeMenu; }

    void check(const char* path) {
        const Fl_Menu_Item* item = multi()->find_item(path);
        ASSERT_NE(item, nullptr) << path;
        pick(multi(), item);
    }

    std::vector<std::string> seriesNames() {
        std::vector<std::string> names;
        for (const ChartVariable& v : win->chart->variables) names.push_back(v.name);
        return names;
    }

    // Runs the event loop until the windows are drawn and done holds (at most ten seconds,
    // for a busy machine; it returns as soon as done holds).
    template <class Done>
    static void settle(Done done) {
        for (int i = 0; i < 200 && !done(); ++i) Fl::wait(0.05);
    }

    std::vector<std::string> itemPaths(Fl_Menu_Button* menu) {
        std::vector<std::string> out;
        char path[256];
        for (int i = 0; i < menu->size(); ++i) {
            const Fl_Menu_Item& item = menu->menu()[i];
            if (!item.label() || item.submenu()) continue;
            if (menu->item_pathname(path, sizeof path, &item) == 0) out.push_back(path);
        }
        return out;
    }
};

}  // namespace

TEST_F(ChartMenusTest, MenusOfferOnlyWhatTheEntriesHold) {
    EXPECT_EQ(itemPaths(multi()),
              (std::vector<std::string>{"Vitals/Pulse", "Vitals/Blood Pressure/Systolic",
                                        "Vitals/Blood Pressure/Diastolic", "Vitals/Blood Sugar/Fasting",
                                        "Vitals/SpO2", "Vitals/Weight"}));
    EXPECT_EQ(itemPaths(ranges()), (std::vector<std::string>{"Vitals/Pulse", "Vitals/Blood Pressure",
                                                             "Vitals/Blood Sugar", "Vitals/SpO2"}));
}

TEST_F(ChartMenusTest, AFifthCheckIsRefusedAndTheChartStaysAsItWas) {
    check("Vitals/Pulse");
    check("Vitals/Blood Pressure/Systolic");
    check("Vitals/Blood Pressure/Diastolic");
    check("Vitals/SpO2");
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"Pulse", "Systolic", "Diastolic", "SpO2"}));
    EXPECT_EQ(win->chart->varCount, 4);
    EXPECT_TRUE(dialogs->alerts.empty());

    check("Vitals/Weight");
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(dialogs->alerts[0],
              "At most 4 variables can be displayed at the same time.\n"
              "Please uncheck some variables or clear the graph first.");
    EXPECT_FALSE(multi()->find_item("Vitals/Weight")->value());
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"Pulse", "Systolic", "Diastolic", "SpO2"}));
    EXPECT_EQ(win->chart->varCount, 4);

    // Unchecking removes exactly that series; then the fifth fits.
    check("Vitals/Blood Pressure/Systolic");
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"Pulse", "Diastolic", "SpO2"}));
    check("Vitals/Weight");
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"Pulse", "Diastolic", "SpO2", "Weight"}));
    EXPECT_EQ(dialogs->alerts.size(), 1u);
}

TEST_F(ChartMenusTest, SeriesPointsFollowTheEntries) {
    check("Vitals/Pulse");
    ASSERT_EQ(win->chart->variables.size(), 1u);
    const PointMap& points = win->chart->variables.front().points;
    // Two entries at 12:30 PM on the same day make one point, the later one's.
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points.rbegin()->second, 90);
    EXPECT_EQ(TimeKey::fromInstant(points.rbegin()->first.instant).tm.tm_hour, 12);
    EXPECT_EQ(TimeKey::fromInstant(points.rbegin()->first.instant).tm.tm_min, 30);
    EXPECT_EQ(win->chart->variables.front().variable, "Pulse");
}

TEST_F(ChartMenusTest, NormalRangePickOfBloodSugarWithOnlyFastingValues) {
    check("Vitals/Pulse");
    pick(ranges(), ranges()->find_item("Vitals/Blood Sugar"));
    EXPECT_EQ(win->chart->display, ChartMath::Display::NormalRange);
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"Fasting", "Postprandial"}));
    std::list<ChartVariable>& vars = win->chart->variables;
    EXPECT_EQ(vars.front().points.size(), 2u);
    EXPECT_TRUE(vars.back().points.empty());
    // Every check mark is gone.
    for (int i = 1; i < multi()->size(); ++i) {
        if (multi()->menu()[i].label()) {
            EXPECT_FALSE(multi()->menu()[i].value()) << multi()->menu()[i].label();
        }
    }

    // The next Multi-Display pick empties the chart first.
    check("Vitals/SpO2");
    EXPECT_EQ(win->chart->display, ChartMath::Display::Multi);
    EXPECT_EQ(seriesNames(), (std::vector<std::string>{"SpO2"}));
}

TEST_F(ChartMenusTest, TheTrendPanelFollowsTheChartInTheMainWindow) {
    win->show();
    check("Vitals/Pulse");
    check("Vitals/SpO2");
    settle([&] { return win->trendBox->trends.size() == 2; });
    ASSERT_EQ(win->trendBox->trends.size(), 2u);
    EXPECT_STREQ(win->trendBox->trends[0]->child(0)->label(), "Pulse");
    EXPECT_STREQ(win->trendBox->trends[0]->child(2)->label(), "80.00");
    EXPECT_STREQ(win->trendBox->trends[1]->child(4)->label(), "97.0");

    win->chartRemoveCB_i();
    settle([&] { return win->trendBox->trends.empty(); });
    EXPECT_TRUE(win->trendBox->trends.empty());
    EXPECT_EQ(win->chart->timeRange, ChartMath::TimeRange::Auto);
    win->hide();
}

TEST_F(ChartMenusTest, EditedLimitsReachTheNormalRangeChart) {
    pick(ranges(), ranges()->find_item("Vitals/Pulse"));
    ASSERT_EQ(win->chart->variables.size(), 1u);
    VariablePropertiesWindow window(win, 400, "Pulse", "Pulse");
    const std::vector<std::string> texts{"55", "95.5", "35", "150"};
    for (std::size_t i = 0; i < texts.size(); ++i) window.inputs[i]->value(texts[i].c_str());
    window.okButton->do_callback();
    const NormalRange& r = win->chart->variables.front().range;
    EXPECT_DOUBLE_EQ(r.lo, 55);
    EXPECT_EQ(r.hiText, "95.5");
}
