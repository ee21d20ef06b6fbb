// The chart widget: its rows of controls, its series operations, the time
// buttons and what a draw leaves behind (From/To texts, shown series).
#include "ChartFixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Pack.H>

namespace {

const Fl_Color kSelected = fl_rgb_color(55, 156, 255);

std::vector<double> valuesOf(const PointMap& points) {
    std::vector<double> out;
    for (const auto& p : points) out.push_back(p.second);
    return out;
}

}  // namespace

TEST_F(ChartFixture, ConstructionLaysOutTheRowsAndLeavesTheAreaOpen) {
    EXPECT_EQ(chart->x(), 252);
    EXPECT_EQ(chart->y(), 52);
    EXPECT_EQ(chart->varCount, 0);
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::Auto);
    EXPECT_EQ(chart->display, ChartMath::Display::Multi);
    EXPECT_EQ(chart->plot.top, 142);
    const int h = chart->h();
    EXPECT_EQ(chart->plot.bottom, 2 * h / 3 + 102);
    EXPECT_EQ(chart->plot.left, 252 + 10 + chart->w() / 20);
    EXPECT_EQ(chart->plot.right, 252 + chart->w() - 50);

    ASSERT_EQ(chart->timeButtons.size(), 6u);
    const char* labels[6] = {"Auto", "Year", "6 Months", "3 Months", "Month", "Week"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(chart->timeButtons[i]->label(), labels[i]);
        EXPECT_EQ(chart->timeButtons[i]->parent(), chart->timeRangePack);
        EXPECT_EQ(*static_cast<int*>(chart->timeButtons[i]->user_data()), i);
        EXPECT_EQ(chart->timeButtons[i]->color(), i == 0 ? kSelected : FL_BACKGROUND_COLOR);
    }
    EXPECT_STREQ(chart->timeRangePack->child(0)->label(), "Time Range:");
    EXPECT_FALSE(chart->timeRangePack->active());
    EXPECT_FALSE(chart->datePack->active());
    EXPECT_STREQ(chart->datePack->child(0)->label(), "From: ");
    EXPECT_EQ(chart->datePack->child(1), chart->fromBox);
    EXPECT_STREQ(chart->datePack->child(2)->label(), "To: ");
    EXPECT_EQ(chart->datePack->child(3), chart->toBox);

    // The panel built right after the chart sits in its drawing area.
    EXPECT_EQ(trends->parent(), chart->chartArea);
    EXPECT_EQ(chart->resizable(), chart->chartArea);
    EXPECT_EQ(chart->chartArea->y(), 107);
    EXPECT_EQ(chart->chartArea->h(), h - 30);
}

TEST_F(ChartFixture, DropVarByNameAndAll) {
    EXPECT_EQ(chart->dropVar("all"), 0);
    EXPECT_EQ(chart->varCount, 0);

    chart->addVariable(series("Pulse", {{instantOf(2026, 1, 1), 70}}));
    chart->addVariable(series("Pulse", {{instantOf(2026, 1, 2), 80}}));
    chart->addVariable(series("SpO2", {}));
    EXPECT_EQ(chart->varCount, 3);
    EXPECT_EQ(chart->dropVar("All"), -1);
    EXPECT_EQ(chart->dropVar("pulse"), -1);
    EXPECT_EQ(chart->varCount, 3);

    // Duplicate names: the first goes, the count drops by one.
    EXPECT_EQ(chart->dropVar("Pulse"), 0);
    EXPECT_EQ(chart->varCount, 2);
    ASSERT_EQ(chart->variables.size(), 2u);
    EXPECT_EQ(chart->variables.front().name, "Pulse");
    EXPECT_EQ(valuesOf(chart->variables.front().points), std::vector<double>{80});

    EXPECT_EQ(chart->dropVar("all"), 0);
    EXPECT_EQ(chart->varCount, 0);
    EXPECT_TRUE(chart->variables.empty());
    EXPECT_EQ(chart->dropVar(nullptr), -1);
}

TEST_F(ChartFixture, AddPointReplacesEqualTimesAndActsOnTheFirstSeries) {
    EXPECT_EQ(chart->addPointToVariable("Pulse", localTm(2026, 12, 6, 10, 0, 0, 0), 70), -1);
    chart->addVariable(series("Pulse", {}));
    chart->addVariable(series("Pulse", {}));
    EXPECT_EQ(chart->addPointToVariable("Pulse", localTm(2026, 12, 6, 10, 0, 0, 0), 70), 0);
    EXPECT_EQ(chart->addPointToVariable("Pulse", localTm(2026, 12, 6, 10, 0, 0, 0), 75), 0);
    EXPECT_EQ(valuesOf(chart->variables.front().points), std::vector<double>{75});
    EXPECT_EQ(chart->addPointToVariable("Pulse", localTm(2026, 12, 6, 10, 0, 1, 0), 76), 0);
    EXPECT_EQ(valuesOf(chart->variables.front().points), (std::vector<double>{75, 76}));
    EXPECT_TRUE(chart->variables.back().points.empty());
    // A summer time given with the winter flag is still the same reading.
    EXPECT_EQ(chart->addPointToVariable("Pulse", localTm(2026, 7, 1, 9, 0, 0, 0), 60), 0);
    std::tm summer = localTm(2026, 7, 1, 9, 0, 0, 0);
    summer.tm_isdst = 1;
    EXPECT_EQ(chart->addPointToVariable("Pulse", summer, 61), 0);
    EXPECT_EQ(valuesOf(chart->variables.front().points), (std::vector<double>{61, 75, 76}));
    EXPECT_EQ(chart->varCount, 2);
}

TEST_F(ChartFixture, TimeButtonsSelectTheModeAndRefreshResetsAnEmptyChart) {
    chart->addVariable(series("Pulse", {{instantOf(2026, 1, 1), 70}}));
    chart->refresh();
    EXPECT_TRUE(chart->timeRangePack->active());
    EXPECT_TRUE(chart->datePack->active());

    chart->timeButtons[5]->do_callback();
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::Week);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(chart->timeButtons[i]->color(), i == 5 ? kSelected : FL_BACKGROUND_COLOR) << i;
    chart->timeButtons[2]->do_callback();
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::SixMonths);
    EXPECT_EQ(chart->timeButtons[2]->color(), kSelected);
    EXPECT_EQ(chart->timeButtons[5]->color(), FL_BACKGROUND_COLOR);

    // The mode survives adding and removing while a series stays.
    chart->addVariable(series("SpO2", {}));
    chart->dropVar("Pulse");
    chart->refresh();
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::SixMonths);

    chart->dropVar("SpO2");
    chart->refresh();
    EXPECT_EQ(chart->timeRange, ChartMath::TimeRange::Auto);
    EXPECT_FALSE(chart->timeRangePack->active());
    EXPECT_FALSE(chart->datePack->active());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(chart->timeButtons[i]->color(), i == 0 ? kSelected : FL_BACKGROUND_COLOR) << i;
}

TEST_F(ChartFixture, WeekShowsTheCommonWindowForSeriesEndingOnDifferentDays) {
    chart->addVariable(series("A", {{instantOf(2026, 11, 1), 1},
                                    {instantOf(2026, 11, 26), 2},
                                    {instantOf(2026, 11, 30), 3}}));
    chart->addVariable(series("B", {{instantOf(2026, 11, 10), 4}, {instantOf(2026, 11, 20), 5}}));
    chart->addVariable(series("C", {{instantOf(2026, 11, 28), 6}, {instantOf(2026, 12, 3), 7}}));
    chart->refresh();
    render();
    // "Auto": every point; the window runs from the first to the last point.
    ASSERT_EQ(chart->shownVariables.size(), 3u);
    EXPECT_EQ(valuesOf(chart->shownVariables.front().points), (std::vector<double>{1, 2, 3}));
    EXPECT_STREQ(chart->fromBox->label(), "11/01/26 12:00 PM");
    EXPECT_STREQ(chart->toBox->label(), "12/03/26");

    chart->timeButtons[5]->do_callback();
    render();
    std::vector<std::vector<double>> shown;
    for (const ChartVariable& v : chart->shownVariables) shown.push_back(valuesOf(v.points));
    EXPECT_EQ(shown[0], (std::vector<double>{2, 3}));
    EXPECT_TRUE(shown[1].empty());
    EXPECT_EQ(shown[2], (std::vector<double>{6, 7}));
    // The week runs back from the last reading's time: its first day's
    // earlier readings are outside it, which the From box shows.
    EXPECT_STREQ(chart->fromBox->label(), "11/26/26 12:00 PM");
    EXPECT_NE(chart->fromBox->tooltip(), nullptr);
    EXPECT_STREQ(chart->toBox->label(), "12/03/26");
    // The shown copies keep names and nodes in chart order.
    EXPECT_EQ(chart->shownVariables.back().name, "C");

    // After the last series is dropped, a new series shows every point again.
    chart->dropVar("all");
    chart->refresh();
    render();
    EXPECT_TRUE(chart->shownVariables.empty());
    // An empty chart spans no dates.
    EXPECT_STREQ(chart->fromBox->label(), "");
    EXPECT_STREQ(chart->toBox->label(), "");
    chart->addVariable(series("D", {{instantOf(2020, 1, 1), 1}, {instantOf(2026, 1, 1), 2}}));
    chart->refresh();
    render();
    EXPECT_EQ(valuesOf(chart->shownVariables.front().points), (std::vector<double>{1, 2}));
}

TEST_F(ChartFixture, SeriesWithoutPointsTakeNoPartInTheWindow) {
    chart->addVariable(series("Empty", {}));
    chart->addVariable(series("B", {{instantOf(2026, 3, 1), 4}, {instantOf(2026, 3, 9), 5}}));
    chart->refresh();
    render();
    EXPECT_STREQ(chart->fromBox->label(), "03/01/26 12:00 PM");
    EXPECT_STREQ(chart->toBox->label(), "03/09/26");
    ASSERT_EQ(chart->shownVariables.size(), 2u);
    EXPECT_TRUE(chart->shownVariables.front().points.empty());

    // No point anywhere: a day ending now.
    chart->dropVar("B");
    render();
    std::string today = ChartMath::shortDate(std::time(nullptr), kFileUnits);
    EXPECT_EQ(std::string(chart->toBox->label()), today);
    EXPECT_EQ(chart->shownVariables.size(), 1u);
}

// Among thousands of points a click finds the one a search over every drawn
// point finds: the nearest within reach, the first drawn of equally near ones.
TEST_F(ChartFixture, AClickAmongDensePointsFindsTheNearestDrawnPoint) {
    const std::int64_t start = instantOf(2026, 1, 1);
    for (int s = 0; s < 2; ++s) {
        std::vector<std::pair<std::int64_t, double>> pts;
        for (int i = 0; i < 6000; ++i) pts.emplace_back(start + i * 600 + s * 60, 60 + (i * 7 + s * 3) % 50);
        chart->addVariable(series(s == 0 ? "Pulse" : "SpO2", pts));
    }
    chart->refresh();
    render();
    ASSERT_EQ(chart->drawnPointCount(), 12000u);
    std::vector<MyChart::DrawnPoint> all;
    for (std::size_t i = 0; i < chart->drawnPointCount(); ++i) all.push_back(chart->drawnPoint(i));
    for (int x = chart->plot.left - 8; x <= chart->plot.right + 8; x += 37)
        for (int y = chart->plot.top - 8; y <= chart->plot.bottom + 8; y += 11) {
            const MyChart::DrawnPoint* nearest = nullptr;
            int best = 6 * 6 + 1;
            for (const MyChart::DrawnPoint& p : all) {
                const int d = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y);
                if (d < best) {
                    best = d;
                    nearest = &p;
                }
            }
            MyChart::DrawnPoint found;
            ASSERT_EQ(chart->pointNear(x, y, found), nearest != nullptr) << x << "," << y;
            if (!nearest) continue;
            EXPECT_EQ(found.series, nearest->series) << x << "," << y;
            EXPECT_EQ(found.instant, nearest->instant) << x << "," << y;
        }
}
