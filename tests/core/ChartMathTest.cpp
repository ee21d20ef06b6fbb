// The chart's arithmetic: steps, scales, time window, time axis, labels,
// pixels, title, normal ranges and shading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "rules/chart/ChartMath.h"
#include "store/Global.h"

namespace {

TimeKey keyAt(std::int64_t t) {
    TimeKey key = TimeKey::fromInstant(t);
    return key;
}

ChartVariable series(const std::string& name, const std::vector<std::pair<std::int64_t, double>>& points) {
    ChartVariable v;
    v.name = name;
    for (const auto& p : points) v.points[keyAt(p.first)] = p.second;
    return v;
}

std::tm localOf(double instant) {
    std::tm tm{};
    platform::instantToLocal(static_cast<std::int64_t>(instant), tm);
    return tm;
}

// Keeps the tests on the time zone the suite runs in.
class ChartMathTime : public ::testing::Test {
protected:
    ScopedTimeZone tz_{"Europe/Berlin"};
};

}  // namespace

TEST(ChartMathTitle, OneTwoAndFourSeries) {
    EXPECT_EQ(ChartMath::title({"Pulse"}), "History for Pulse");
    EXPECT_EQ(ChartMath::title({"Systolic", "Diastolic"}), "History for Systolic and Diastolic");
    EXPECT_EQ(ChartMath::title({"A", "B", "C", "D"}), "History for A, B, C and D");
    EXPECT_EQ(ChartMath::title({"Pulse", "SpO2", "Weight"}), "History for Pulse, SpO2 and Weight");
    EXPECT_EQ(ChartMath::title({}), "");
}

TEST(ChartMathSpacing, NiceStepsForValues) {
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, 0), 0.1);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, 100.0 / 6), 20);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, 40.0 / 6), 5);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, 29.0 / 6), 5);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, 1000.0), 1000);
    // Nonsense input falls back to the smallest step instead of failing.
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, -5), 0.1);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Values, std::nan("")), 0.1);
}

TEST(ChartMathSpacing, TimeStepsInDaysAndHours) {
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 30.0 / 8), 3);
    EXPECT_NEAR(ChartMath::bestSpacing(ChartMath::StepFor::Days, 0.5 / 8), 1.0 / 24, 1e-12);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 365.25 / 8), 50);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 182.625 / 8), 30);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 91.3125 / 8), 10);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 31.0 / 8), 3);
    EXPECT_DOUBLE_EQ(ChartMath::bestSpacing(ChartMath::StepFor::Days, 7.0 / 8), 1);
}

TEST(ChartMathScales, SingleValueGetsTwoIntervalsAroundIt) {
    ChartMath::YScales s = ChartMath::ordinaryScales({{72, 72}});
    ASSERT_EQ(s.series.size(), 1u);
    EXPECT_DOUBLE_EQ(s.series[0].step, 0.1);
    EXPECT_EQ(s.series[0].lo, 719);
    EXPECT_EQ(s.series[0].hi, 721);
    EXPECT_EQ(s.nTicks, 2);
    std::vector<std::string> labels;
    for (int k = 0; k <= s.nTicks; ++k)
        labels.push_back(ChartMath::yLabel((s.series[0].lo + k) * s.series[0].step, s.series[0].step));
    EXPECT_EQ(labels, (std::vector<std::string>{"71.9", "72.0", "72.1"}));
}

TEST(ChartMathScales, ZeroToHundred) {
    ChartMath::YScales s = ChartMath::ordinaryScales({{0, 100}});
    EXPECT_DOUBLE_EQ(s.series[0].step, 20);
    EXPECT_EQ(s.series[0].lo, -1);
    EXPECT_EQ(s.series[0].hi, 6);
    EXPECT_EQ(ChartMath::yLabel(-20, 20), "-20");
    EXPECT_EQ(ChartMath::yLabel(120, 20), "120");
}

TEST(ChartMathScales, SystolicIsTheReferenceAndPulseIsRefitted) {
    ChartMath::YScales s = ChartMath::ordinaryScales({{110, 150}, {60, 89}});
    EXPECT_EQ(s.reference, 0);
    EXPECT_EQ(s.nTicks, 10);
    EXPECT_DOUBLE_EQ(s.series[0].step, 5);
    EXPECT_EQ(s.series[0].lo * 5, 105);
    EXPECT_EQ(s.series[0].hi * 5, 155);
    // Pulse alone would be 55 to 90 in 7 intervals.
    ChartMath::YScales alone = ChartMath::ordinaryScales({{60, 89}});
    EXPECT_EQ(alone.series[0].lo * 5, 55);
    EXPECT_EQ(alone.series[0].hi * 5, 90);
    EXPECT_DOUBLE_EQ(s.series[1].step, 5);
    EXPECT_EQ(s.series[1].lo * 5, 45);
    EXPECT_EQ(s.series[1].hi * 5, 95);
    EXPECT_EQ(s.series[1].hi - s.series[1].lo, s.nTicks);
}

TEST(ChartMathScales, EqualCountsKeepTheFirstAsReference) {
    // 7, 5 and 7 intervals on their own.
    ASSERT_EQ(ChartMath::ordinaryScales({{60, 89}}).nTicks, 7);
    ASSERT_EQ(ChartMath::ordinaryScales({{1, 21}}).nTicks, 5);
    ASSERT_EQ(ChartMath::ordinaryScales({{0, 5}}).nTicks, 7);
    ChartMath::YScales s = ChartMath::ordinaryScales({{60, 89}, {1, 21}, {0, 5}});
    EXPECT_EQ(s.reference, 0);
    EXPECT_EQ(s.nTicks, 7);
    EXPECT_EQ(s.series[1].hi - s.series[1].lo, 7);
    EXPECT_DOUBLE_EQ(s.series[1].step, 5);
    EXPECT_EQ(s.series[1].lo, -2);
    EXPECT_EQ(s.series[1].hi, 5);
    // The third keeps its own scale.
    EXPECT_DOUBLE_EQ(s.series[2].step, 1);
    EXPECT_EQ(s.series[2].lo, -1);
    EXPECT_EQ(s.series[2].hi, 6);
    // Every shown value stays inside its axis.
    for (const auto& sc : s.series) {
        EXPECT_LE(sc.lo * sc.step, sc.min);
        EXPECT_GE(sc.hi * sc.step, sc.max);
    }
}

TEST(ChartMathScales, RefitLeavesScalesWithEnoughIntervals) {
    ChartMath::YScale scale;
    scale.step = 5;
    scale.lo = 11;
    scale.hi = 18;
    scale.min = 60;
    scale.max = 89;
    const ChartMath::YScale refitted = ChartMath::refittedScale(scale, 7, 1);
    EXPECT_EQ(refitted.lo, 11);
    EXPECT_EQ(refitted.hi, 18);
    EXPECT_DOUBLE_EQ(refitted.step, 5);
}

TEST(ChartMathScales, ReferenceOfTwoIntervalsLeavesOthersTheirStep) {
    // 0.5 alone has one interval; the reference 72 has two, so no refit
    // target can be computed.
    ChartMath::YScales one = ChartMath::ordinaryScales({{0.05, 0.05}});
    ASSERT_EQ(one.nTicks, 1);
    ChartMath::YScales s = ChartMath::ordinaryScales({{72, 72}, {0.05, 0.05}});
    EXPECT_EQ(s.nTicks, 2);
    EXPECT_DOUBLE_EQ(s.series[1].step, one.series[0].step);
    EXPECT_EQ(s.series[1].lo, one.series[0].lo);
    EXPECT_EQ(s.series[1].hi, one.series[0].lo + 2);
}

TEST(ChartMathScales, SeriesWithoutPointsGetTheScaleOfZero) {
    ChartMath::YScales s = ChartMath::ordinaryScales({{0, 0}});
    EXPECT_DOUBLE_EQ(s.series[0].step, 0.1);
    EXPECT_EQ(s.series[0].lo, -1);
    EXPECT_EQ(s.series[0].hi, 1);
}

TEST(ChartMathScales, NormalRangeModeSharesOneScale) {
    ChartMath::YScales s = ChartMath::normalRangeScales({{110, 150}, {70, 95}});
    ASSERT_EQ(s.series.size(), 2u);
    // (150 - 70) / 6 = 13.3 gives step 10; 6 to 16.
    EXPECT_DOUBLE_EQ(s.series[0].step, 10);
    EXPECT_EQ(s.series[0].lo, 6);
    EXPECT_EQ(s.series[0].hi, 16);
    EXPECT_EQ(s.series[1].lo, 6);
    EXPECT_EQ(s.series[1].hi, 16);
    EXPECT_EQ(s.nTicks, 10);
    EXPECT_DOUBLE_EQ(s.series[1].min, 70);
}

TEST(ChartMathScales, ValueRangeOfPoints) {
    ChartVariable v = series("P", {{100, 5}, {200, -3}, {300, 9}, {400, 2}});
    double min = 1, max = 1;
    ChartMath::valueRange(v.points.begin(), v.points.end(), min, max);
    EXPECT_EQ(min, -3);
    EXPECT_EQ(max, 9);
    ChartMath::valueRange(std::next(v.points.begin(), 2), v.points.end(), min, max);
    EXPECT_EQ(min, 2);
    EXPECT_EQ(max, 9);
    ChartMath::valueRange(v.points.end(), v.points.end(), min, max);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 0);
}

TEST_F(ChartMathTime, AutoWindowCoversEveryPointAndIgnoresEmptySeries) {
    std::list<ChartVariable> vars;
    vars.push_back(series("Empty", {}));
    vars.push_back(series("A", {{instantOf(2026, 3, 1), 1}, {instantOf(2026, 3, 10), 2}}));
    vars.push_back(series("B", {{instantOf(2026, 2, 20), 1}, {instantOf(2026, 3, 5), 2}}));
    ChartMath::TimeWindow w = ChartMath::timeWindow(vars, ChartMath::TimeRange::Auto, 0);
    EXPECT_TRUE(w.anyPoint);
    EXPECT_EQ(w.tMin, instantOf(2026, 2, 20));
    EXPECT_EQ(w.tMax, instantOf(2026, 3, 10));
    ASSERT_EQ(w.begin.size(), 3u);
    auto it = vars.begin();
    for (std::size_t i = 0; i < 3; ++i, ++it) {
        EXPECT_TRUE(w.begin[i] == it->points.begin());
        EXPECT_TRUE(w.end[i] == it->points.end());
    }
}

TEST_F(ChartMathTime, WeekShowsTheSevenDaysBeforeTheLatestPointOfAnySeries) {
    std::list<ChartVariable> vars;
    vars.push_back(series("A", {{instantOf(2026, 11, 1), 1},
                                {instantOf(2026, 11, 25), 2},
                                {instantOf(2026, 11, 26), 3},
                                {instantOf(2026, 11, 30), 4}}));
    vars.push_back(series("B", {{instantOf(2026, 11, 20), 5}, {instantOf(2026, 11, 22), 6}}));
    vars.push_back(series("C", {{instantOf(2026, 11, 23, 12, 0, 0), 7}, {instantOf(2026, 12, 2), 8}}));
    ChartMath::TimeWindow w = ChartMath::timeWindow(vars, ChartMath::TimeRange::Week, 0);
    EXPECT_EQ(w.tMax, instantOf(2026, 12, 2));
    EXPECT_EQ(w.tMin, instantOf(2026, 12, 2) - 604800);
    std::vector<std::vector<double>> shown;
    auto it = vars.begin();
    for (std::size_t i = 0; i < vars.size(); ++i, ++it) {
        std::vector<double> values;
        for (auto p = w.begin[i]; p != w.end[i]; ++p) values.push_back(p->second);
        shown.push_back(values);
    }
    EXPECT_EQ(shown[0], (std::vector<double>{2, 3, 4}));
    EXPECT_TRUE(shown[1].empty());
    // A point exactly at the start of the window is shown.
    vars.back().points[keyAt(w.tMin)] = 9;
    w = ChartMath::timeWindow(vars, ChartMath::TimeRange::Week, 0);
    std::vector<double> last;
    for (auto p = w.begin[2]; p != w.end[2]; ++p) last.push_back(p->second);
    EXPECT_EQ(last, (std::vector<double>{9, 8}));
}

TEST_F(ChartMathTime, FixedModesUseTheirSpans) {
    const std::int64_t spans[6] = {0, 31557600, 15778800, 7889400, 2678400, 604800};
    std::list<ChartVariable> vars;
    std::int64_t last = instantOf(2026, 12, 6);
    vars.push_back(series("A", {{instantOf(2020, 1, 1), 1}, {last, 2}}));
    for (int mode = 1; mode <= 5; ++mode) {
        EXPECT_EQ(ChartMath::rangeSpan(static_cast<ChartMath::TimeRange>(mode)), spans[mode]);
        ChartMath::TimeWindow w = ChartMath::timeWindow(vars, static_cast<ChartMath::TimeRange>(mode), 0);
        EXPECT_EQ(w.tMin, last - spans[mode]) << mode;
        EXPECT_EQ(std::distance(w.begin[0], w.end[0]), 1) << mode;
    }
    // A range no button names shows nothing.
    ChartMath::TimeWindow w = ChartMath::timeWindow(vars, static_cast<ChartMath::TimeRange>(9), 0);
    EXPECT_TRUE(w.begin[0] == w.end[0]);
}

TEST_F(ChartMathTime, NoPointsGiveOneDayEndingNow) {
    std::list<ChartVariable> vars;
    vars.push_back(series("A", {}));
    vars.push_back(series("B", {}));
    const std::int64_t now = instantOf(2026, 12, 7, 20, 0, 0);
    ChartMath::TimeWindow w = ChartMath::timeWindow(vars, ChartMath::TimeRange::ThreeMonths, now);
    EXPECT_FALSE(w.anyPoint);
    EXPECT_EQ(w.tMax, now);
    EXPECT_EQ(w.tMin, now - 86400);
    EXPECT_TRUE(w.begin[0] == w.end[0]);
    ChartMath::TimeAxis a = ChartMath::timeAxis(w.tMin, w.tMax);
    EXPECT_GE(a.ticks(), 1);
    EXPECT_LE(a.xmin * a.S * 86400, static_cast<double>(w.tMin));
    EXPECT_GE(a.xmax * a.S * 86400, static_cast<double>(w.tMax));
}

TEST_F(ChartMathTime, TickStepOfEachFixedModeAndSnappedEnds) {
    const double steps[6] = {0, 50, 30, 10, 3, 1};
    std::int64_t last = instantOf(2026, 12, 6, 15, 0, 0);
    for (int mode = 1; mode <= 5; ++mode) {
        ChartMath::TimeAxis a = ChartMath::timeAxis(last - ChartMath::rangeSpan(static_cast<ChartMath::TimeRange>(mode)), last);
        EXPECT_DOUBLE_EQ(a.S, steps[mode]) << mode;
        // Both ends sit ten seconds after a local midnight and enclose the window.
        std::tm left = localOf(a.xmin * a.S * 86400 + 0.5);
        std::tm right = localOf(a.xmax * a.S * 86400 + 0.5);
        EXPECT_EQ(left.tm_hour, 0);
        EXPECT_EQ(left.tm_min, 0);
        EXPECT_EQ(left.tm_sec, 10);
        EXPECT_EQ(right.tm_hour, 0);
        EXPECT_EQ(right.tm_sec, 10);
        EXPECT_LT(a.xmin * a.S * 86400, static_cast<double>(last - ChartMath::rangeSpan(static_cast<ChartMath::TimeRange>(mode))));
        EXPECT_GT(a.xmax * a.S * 86400, static_cast<double>(last));
        EXPECT_GE(a.ticks(), 7);
        EXPECT_LE(a.ticks(), 13) << mode;
    }
}

TEST_F(ChartMathTime, ThirtyDaysAndTwelveHours) {
    std::int64_t end = instantOf(2026, 12, 6, 15, 0, 0);
    ChartMath::TimeAxis month = ChartMath::timeAxis(end - 30 * 86400, end);
    EXPECT_DOUBLE_EQ(month.S, 3);

    ChartMath::TimeAxis half = ChartMath::timeAxis(instantOf(2026, 12, 6, 3, 0, 0), end);
    EXPECT_NEAR(half.S, 1.0 / 24, 1e-12);
    // Hourly ticks: the ends are snapped to whole hours, not midnight.
    std::tm left = localOf(half.xmin * half.S * 86400 + 0.5);
    EXPECT_EQ(left.tm_hour, 0);
    EXPECT_EQ(left.tm_min, 0);
    EXPECT_EQ(left.tm_sec, 10);
    const ChartMath::TickLabel first = ChartMath::tickLabel(half, half.xmin * half.S, kFileUnits);
    EXPECT_EQ(first.day, "Dec 06");
    EXPECT_EQ(first.second, "12AM");
    EXPECT_EQ(ChartMath::tickLabel(half, (half.xmin + 15) * half.S, kFileUnits).second, "03PM");
}

TEST_F(ChartMathTime, LabelTextsAndYears) {
    // An axis with ticks the given days apart, its ends in one year or not.
    auto axis = [](double step, bool sameYear) {
        ChartMath::TimeAxis a;
        a.S = step;
        a.sameYear = sameYear;
        return a;
    };
    double midnight = (instantOf(2026, 12, 6, 0, 0, 10)) / 86400.0;
    ChartMath::TickLabel label = ChartMath::tickLabel(axis(3, true), midnight, kFileUnits);
    EXPECT_EQ(label.day, "Dec 06");
    EXPECT_EQ(label.second, "");
    EXPECT_EQ(ChartMath::tickLabel(axis(3, false), midnight, kFileUnits).second, "2026");
    label = ChartMath::tickLabel(axis(1, false), instantOf(2027, 1, 5, 0, 0, 0) / 86400.0, kFileUnits);
    EXPECT_EQ(label.day, "Jan 05");
    EXPECT_EQ(label.second, "2027");
    label = ChartMath::tickLabel(axis(0.25, true), instantOf(2026, 7, 4, 0, 30, 0) / 86400.0, kFileUnits);
    EXPECT_EQ(label.day, "Jul 04");
    EXPECT_EQ(label.second, "12AM");
    EXPECT_EQ(ChartMath::tickLabel(axis(0.125, true), instantOf(2026, 7, 4, 12, 30, 0) / 86400.0, kFileUnits).second,
              "12PM");

    // Ends in different years.
    ChartMath::TimeAxis a = ChartMath::timeAxis(instantOf(2026, 12, 20), instantOf(2027, 1, 10));
    EXPECT_FALSE(a.sameYear);
    ChartMath::TimeAxis b = ChartMath::timeAxis(instantOf(2026, 3, 20), instantOf(2026, 4, 10));
    EXPECT_TRUE(b.sameYear);

    EXPECT_EQ(ChartMath::shortDate(instantOf(2026, 12, 6), kFileUnits), "12/06/26");
    EXPECT_EQ(ChartMath::shortDate(instantOf(2009, 1, 31), kFileUnits), "01/31/09");
}

TEST(ChartMathPixels, PositionsAcrossThePlot) {
    // The axis from 100 to 110 units of one day.
    double xmin = 100, xmax = 110, S = 1;
    EXPECT_EQ(ChartMath::xPixel(100 * 86400, xmin, xmax, S, 50, 550), 50);
    EXPECT_EQ(ChartMath::xPixel(110 * 86400, xmin, xmax, S, 50, 550), 550);
    EXPECT_EQ(ChartMath::xPixel(105 * 86400, xmin, xmax, S, 50, 550), 300);
    EXPECT_EQ(ChartMath::xPixel(100 * 86400 + 86400 / 100, xmin, xmax, S, 50, 550), 50);  // truncates

    // lo 719, hi 721, step 0.1: 72 is in the middle of a 400-pixel plot.
    EXPECT_EQ(ChartMath::yPixel(72, 0.1, 719, 721, 100, 500), 300);
    EXPECT_EQ(ChartMath::yPixel(71.9, 0.1, 719, 721, 100, 500), 500);
    EXPECT_EQ(ChartMath::yPixel(72.1, 0.1, 719, 721, 100, 500), 100);
    EXPECT_EQ(ChartMath::yPixel(1, 1, 3, 3, 100, 500), 500);

    EXPECT_EQ(ChartMath::gridRow(0, 7, 100, 500), 500);
    EXPECT_EQ(ChartMath::gridRow(7, 7, 100, 500), 100);
    EXPECT_EQ(ChartMath::gridRow(3, 7, 100, 500), 500 + (-400 * 3) / 7);
    EXPECT_EQ(ChartMath::tickColumn(1, 3, 50, 550), 216);

    // Far-off values stay drawable.
    EXPECT_EQ(ChartMath::yPixel(1e12, 1, 0, 10, 100, 500), -30000);
    EXPECT_EQ(ChartMath::clampPixel(1e9), 30000);
}

TEST(ChartMathRange, TextsFromTheVariableAndDefaults) {
    TestDataFolder folder;
    Global::init();
    std::vector<char> text;
    std::string xml =
        "<patient id=\"0\">"
        "<variable name=\"Temperature\"><normalLow>98.6</normalLow><normalHigh/></variable>"
        "<variable name=\"Blood Pressure\"><normalLow><systolic>95</systolic><diastolic>65.5</diastolic>"
        "</normalLow><normalHigh><systolic>135</systolic><diastolic/></normalHigh></variable>"
        "<variable name=\"Pulse\"><normalLow>0123456789012345678901234567890123</normalLow>"
        "<normalHigh>lots</normalHigh></variable>"
        "<variable name=\"Mood\"><normalLow>1</normalLow><normalHigh>5</normalHigh></variable>"
        "<variable name=\"SpO2\"><normalLow>0123456789012345678901234567890</normalLow>"
        "<normalHigh>100</normalHigh></variable>"
        "</patient>";
    text.assign(xml.begin(), xml.end());
    text.push_back('\0');
    XmlDocument doc;
    doc->parse<rapidxml::parse_no_data_nodes>(text.data());
    XmlNode* patient = doc->first_node("patient");
    auto var = [&](const char* name) {
        for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable"))
            if (std::strcmp(v->first_attribute()->value(), name) == 0) return v;
        return static_cast<XmlNode*>(nullptr);
    };

    ChartMath::NormalRange t = ChartMath::normalRange(var("Temperature"), "Temperature", kFileUnits);
    EXPECT_DOUBLE_EQ(t.lo, 98.6);
    EXPECT_EQ(t.loText, "98.6");
    EXPECT_DOUBLE_EQ(t.hi, 99.5);  // empty: the default
    EXPECT_EQ(t.hiText, "99.5");

    ChartMath::NormalRange s = ChartMath::normalRange(var("Blood Pressure"), "Systolic", kFileUnits);
    EXPECT_EQ(s.loText, "95");
    EXPECT_EQ(s.hiText, "135");
    ChartMath::NormalRange d = ChartMath::normalRange(var("Blood Pressure"), "Diastolic", kFileUnits);
    EXPECT_EQ(d.loText, "65.5");
    EXPECT_EQ(d.hiText, "89");

    // 34 characters: too long, so the default; a text that is no number: the default.
    ChartMath::NormalRange p = ChartMath::normalRange(var("Pulse"), "Pulse", kFileUnits);
    EXPECT_EQ(p.loText, "60");
    EXPECT_EQ(p.hiText, "100");
    EXPECT_EQ(ChartMath::legendText("Pulse", ChartMath::Display::NormalRange, p, kFileUnits),
              "Pulse (normal range: 60 - 100)");
    EXPECT_EQ(ChartMath::legendText("Pulse", ChartMath::Display::Multi, p, kFileUnits), "Pulse");

    // 31 characters still count.
    ChartMath::NormalRange o = ChartMath::normalRange(var("SpO2"), "SpO2", kFileUnits);
    EXPECT_DOUBLE_EQ(o.lo, 123456789012345678901234567890.0);

    // No defaults for other names: 0.
    ChartMath::NormalRange m = ChartMath::normalRange(var("Mood"), "Mood", kFileUnits);
    EXPECT_EQ(m.loText, "1");
    EXPECT_EQ(m.hiText, "5");
    ChartMath::NormalRange none = ChartMath::normalRange(nullptr, "Mood", kFileUnits);
    EXPECT_EQ(none.loText, "0");
    EXPECT_EQ(none.hiText, "0");
    ChartMath::NormalRange fasting = ChartMath::normalRange(nullptr, "Fasting", kFileUnits);
    EXPECT_EQ(fasting.loText, "90");
    EXPECT_EQ(fasting.hiText, "130");
    EXPECT_EQ(ChartMath::rangeText(96.9), "96.9");
    EXPECT_EQ(ChartMath::rangeText(60), "60");
}

TEST(ChartMathShading, PulseBelowAndAboveTheRange) {
    // Values 55, 70, 110 with the range 60 to 100 on rows yLo 400, yHi 200.
    std::vector<ChartMath::PixelPoint> pts{{100, 450, 55}, {200, 350, 70}, {300, 150, 110}};
    std::vector<ChartMath::Triangle> t = ChartMath::shadingTriangles(pts, 60, 100, 400, 200);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FALSE(t[0].above);
    // First point, its foot on the low line, and where the line crosses it.
    EXPECT_EQ(t[0].x[0], 100);
    EXPECT_EQ(t[0].y[0], 450);
    EXPECT_EQ(t[0].x[1], 100);
    EXPECT_EQ(t[0].y[1], 400);
    EXPECT_EQ(t[0].x[2], 150);
    EXPECT_EQ(t[0].y[2], 400);
    EXPECT_TRUE(t[1].above);
    // The crossing of the high line, the last point and its foot.
    EXPECT_EQ(t[1].x[0], 275);
    EXPECT_EQ(t[1].y[0], 200);
    EXPECT_EQ(t[1].x[1], 300);
    EXPECT_EQ(t[1].y[1], 150);
    EXPECT_EQ(t[1].x[2], 300);
    EXPECT_EQ(t[1].y[2], 200);
}

TEST(ChartMathShading, RunsOutsideTheRangeAreFilledWithTwoTrianglesPerStep) {
    std::vector<ChartMath::PixelPoint> pts{{0, 100, 120}, {10, 80, 130}, {20, 90, 125}, {30, 300, 80}};
    std::vector<ChartMath::Triangle> t = ChartMath::shadingTriangles(pts, 60, 100, 400, 200);
    ASSERT_EQ(t.size(), 5u);
    for (const auto& tri : t) EXPECT_TRUE(tri.above);
    // Between the first two points: (P0, P0', P1) and (P0', P1, P1').
    EXPECT_EQ(t[0].x[2], 10);
    EXPECT_EQ(t[0].y[2], 80);
    EXPECT_EQ(t[1].x[0], 0);
    EXPECT_EQ(t[1].y[0], 200);
    EXPECT_EQ(t[1].y[2], 200);
    // Back inside: the last triangle ends at the crossing of row 200.
    EXPECT_EQ(t[4].y[2], 200);
    EXPECT_EQ(t[4].x[2], 20 + 10 * (200 - 90) / (300 - 90));
}

TEST(ChartMathShading, EdgesOfTheRange) {
    // Values equal to the limits are not outside.
    std::vector<ChartMath::PixelPoint> onLimits{{0, 400, 60}, {10, 200, 100}, {20, 400, 60}};
    EXPECT_TRUE(ChartMath::shadingTriangles(onLimits, 60, 100, 400, 200).empty());
    EXPECT_TRUE(ChartMath::shadingTriangles({}, 60, 100, 400, 200).empty());
    // A single point outside draws nothing.
    EXPECT_TRUE(ChartMath::shadingTriangles({{5, 450, 50}}, 60, 100, 400, 200).empty());
    // A crossing whose two points lie on one pixel row draws no triangle,
    // and the run that starts there is still shaded afterwards.
    std::vector<ChartMath::PixelPoint> flat{{0, 400, 60.2}, {10, 400, 59.8}, {20, 450, 50}, {30, 450, 60.1}};
    std::vector<ChartMath::Triangle> t = ChartMath::shadingTriangles(flat, 60, 100, 400, 200);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].x[0], 10);
    EXPECT_EQ(t[1].x[0], 10);
    EXPECT_EQ(t[1].x[2], 20);
    for (const auto& tri : t) EXPECT_FALSE(tri.above);
}

TEST(ChartMathShading, LongRunsStayBounded) {
    std::vector<ChartMath::PixelPoint> pts;
    for (int i = 0; i < 5000; ++i) pts.push_back({i, 450 + (i % 7), 40});
    pts.push_back({5000, 300, 80});
    std::vector<ChartMath::Triangle> t = ChartMath::shadingTriangles(pts, 60, 100, 400, 200);
    ASSERT_EQ(t.size(), 2u * 4999 + 1);
    EXPECT_EQ(t.back().x[0], 4999);
    EXPECT_EQ(t.back().y[1], 400);
    EXPECT_EQ(t.back().y[2], 400);
}

TEST(ChartMathScales, AnyFiniteValuesGetABoundedScaleThatHoldsThem) {
    const std::vector<std::pair<double, double>> cases = {
        {6e7, 6e7}, {1e12, 1e12}, {1, 1e12}, {-1e308, 1e308}, {1e308, 1e308}, {-5e7, 6e7}, {72, 72}};
    for (const auto& c : cases) {
        for (const ChartMath::YScales& s :
             {ChartMath::ordinaryScales({c}), ChartMath::normalRangeScales({c}), ChartMath::ordinaryScales({c, {60, 89}})}) {
            const ChartMath::YScale& sc = s.series[0];
            EXPECT_GE(s.nTicks, 1) << c.first << " " << c.second;
            EXPECT_LE(s.nTicks, ChartMath::kMaxIntervals) << c.first << " " << c.second;
            // The axis holds the values, and they land on distinct rows of a 500-pixel plot.
            const int yMin = ChartMath::yPixel(c.first, sc.step, sc.lo, sc.hi, 100, 600);
            const int yMax = ChartMath::yPixel(c.second, sc.step, sc.lo, sc.hi, 100, 600);
            EXPECT_GT(yMin, 100) << c.first;
            EXPECT_LT(yMin, 600) << c.first;
            EXPECT_GT(yMax, 100) << c.second;
            EXPECT_LT(yMax, 600) << c.second;
            if (c.first != c.second) {
                EXPECT_GT(yMin, yMax) << c.first << " " << c.second;
            }
        }
    }
}

TEST_F(ChartMathTime, ExtremeYearsGiveABoundedReadableTimeAxis) {
    const std::vector<std::pair<int, int>> years = {{1, 99999}, {-11720, 20244}, {2026, 20244}, {1, 2}};
    for (const auto& y : years) {
        const ChartMath::TimeAxis a = ChartMath::timeAxis(instantOf(y.first, 1, 1), instantOf(y.second, 1, 1));
        EXPECT_GE(a.xmax - a.xmin, 2) << y.first;
        EXPECT_LE(a.xmax - a.xmin, ChartMath::kMaxTimeTicks) << y.first;
        // Every tick has its own label.
        std::vector<std::string> labels;
        for (int i = 0; i <= a.ticks(); ++i) {
            const ChartMath::TickLabel label = ChartMath::tickLabel(a, (i + a.xmin) * a.S, kFileUnits);
            labels.push_back(label.day + " " + label.second);
        }
        std::sort(labels.begin(), labels.end());
        EXPECT_EQ(std::unique(labels.begin(), labels.end()), labels.end()) << y.first << " " << y.second;
    }
}

TEST(ChartMathLabels, HugeTickValuesGetShortLabels) {
    EXPECT_EQ(ChartMath::yLabel(123456789, 1), "123456789");
    EXPECT_EQ(ChartMath::yLabel(1234567890, 10), "1.23e+09");
    EXPECT_EQ(ChartMath::yLabel(-3e307, 1e307), "-3e+307");
}

TEST(ChartMathLabels, OverlappingLabelsMoveApartOthersStay) {
    EXPECT_EQ(ChartMath::spreadLabels({100, 300, 200}, 15), (std::vector<int>{100, 300, 200}));
    EXPECT_EQ(ChartMath::spreadLabels({110, 100, 105, 400}, 15), (std::vector<int>{130, 100, 115, 400}));
    EXPECT_EQ(ChartMath::spreadLabels({}, 15), std::vector<int>{});
}

// A range that starts within a day says when: the readings of that day
// before it are outside the chart and its averages.
TEST_F(ChartMathTime, ARangeStartingWithinADayShowsItsTime) {
    Units::Preferences europe;
    europe.dateStyle = Units::DateStyle::Iso;
    europe.clock24 = europe.named = true;
    const struct {
        std::int64_t start;
        const Units::Preferences& units;
        const char* text;
    } cases[] = {
        {instantOf(2026, 12, 1, 0, 0, 0), europe, "2026-12-01"},
        {instantOf(2026, 12, 1, 17, 20, 0), europe, "2026-12-01 17:20"},
        {instantOf(2026, 12, 1, 17, 20, 0), kFileUnits, "12/01/26 05:20 PM"},
        {instantOf(2026, 12, 1, 0, 0, 1), europe, "2026-12-01 00:00"},
        {instantOf(2026, 12, 1, 0, 0, 0), kFileUnits, "12/01/26"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChartMath::startText(c.start, c.units), c.text);
}
