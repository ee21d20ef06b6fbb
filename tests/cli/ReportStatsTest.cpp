// The statistics of the report: the Analysis panel's figures for the same
// window, the spread and the counts against the person's limits, and the
// blood pressure averages by time of day.
#include <gtest/gtest.h>

#include <cstdio>
#include <list>

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "exchange/report/ReportData.h"
#include "exchange/report/ReportStats.h"
#include "rules/chart/ChartMath.h"
#include "rules/chart/DisplayMenuRules.h"
#include "store/Global.h"
#include "store/XmlFile.h"

namespace {

struct ParsedUser {
    std::vector<char> text;
    XmlDocument doc;
    XmlNode* patient = nullptr;
    explicit ParsedUser(const std::string& variables) {
        const std::string xml = userFileXml(0, "Ann", "Lee", variables);
        text.assign(xml.begin(), xml.end());
        text.push_back('\0');
        std::string error;
        EXPECT_TRUE(XmlFile::parse(text, doc, error)) << error;
        patient = doc->first_node("patient");
    }
};

ReportSeries seriesOf(const std::vector<double>& values) {
    ReportSeries s;
    s.hasNormal = true;
    s.normalLow = 60;
    s.normalHigh = 100;
    s.hasPanicLow = s.hasPanicHigh = true;
    s.panicLow = 40;
    s.panicHigh = 130;
    std::int64_t t = instantOf(2026, 3, 1);
    for (double v : values) s.points[TimeKey::fromInstant(t += 3600)] = v;
    return s;
}

}  // namespace

TEST(ReportStats, AverageMinimumAndMaximumAgreeWithTheAnalysisPanelForTheSameWindow) {
    Global::init();
    std::vector<std::string> dates;
    std::vector<TestReading> readings;
    dates.reserve(200);
    for (int i = 0; i < 200; ++i) {
        std::tm day = localTm(2026, 1, 1 + i);
        char date[32];
        std::snprintf(date, sizeof date, "%04d/%02d/%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
        dates.push_back(date);
    }
    for (int i = 0; i < 200; ++i)
        readings.push_back(TestReading{dates[i].c_str(), i % 2 ? "07:15:00 PM" : "08:05:30 AM",
                                       50 + (i * 37) % 80 + 0.25 * (i % 3)});
    ParsedUser user(pulseXml(readings));

    // The panel: the chart's series in "3 Months", its shown points.
    std::list<ChartVariable> chart(1);
    chart.front().name = "Pulse";
    chart.front().points = DisplayMenuRules::seriesPoints(user.patient->first_node("variable"), "value", kFileUnits);
    const ChartMath::TimeWindow window = ChartMath::timeWindow(chart, ChartMath::TimeRange::ThreeMonths, 0);
    const TrendTexts panel = computeStats(window.begin[0], window.end[0]);

    const std::vector<ReportVariable> report = ReportData::gather(user.patient, window.tMin, window.tMax, kFileUnits);
    ASSERT_EQ(report.size(), 1u);
    const SeriesStats stats = ReportStats::of(report[0].series[0]);
    EXPECT_EQ(stats.count, std::distance(window.begin[0], window.end[0]));
    EXPECT_EQ(statText("%.2f", stats.mean), panel.average);
    EXPECT_EQ(statText("%.1f", stats.minimum), panel.minimum);
    EXPECT_EQ(statText("%.1f", stats.maximum), panel.maximum);
    EXPECT_FALSE(panel.average.empty());
}

// Two readings at one date and time (an older file) count once everywhere:
// the one stored last in the file, on the chart, in the Analysis panel and in
// the report's statistics, panic count and list alike.
TEST(ReportStats, ReadingsAtTheSameTimeCountOnceEverywhereTheLastInTheFile) {
    Global::init();
    ParsedUser user(pulseXml({{"2026/12/06", "08:05:00 AM", 150}, {"2026/12/06", "08:05:00 AM", 75},
                              {"2026/12/05", "08:05:00 AM", 70}}));
    std::list<ChartVariable> chart(1);
    chart.front().name = "Pulse";
    chart.front().points = DisplayMenuRules::seriesPoints(user.patient->first_node("variable"), "value", kFileUnits);
    ASSERT_EQ(chart.front().points.size(), 2u);
    EXPECT_EQ(chart.front().points.rbegin()->second, 75);
    const TrendTexts panel = computeStats(chart.front().points.begin(), chart.front().points.end());

    const std::vector<ReportVariable> report =
        ReportData::gather(user.patient, instantOf(2026, 12, 1), instantOf(2026, 12, 7), kFileUnits);
    ASSERT_EQ(report.size(), 1u);
    const SeriesStats stats = ReportStats::of(report[0].series[0]);
    const std::vector<ReportData::Row> rows = ReportData::rowsNewestFirst(report[0]);
    EXPECT_EQ(stats.count, 2);
    EXPECT_EQ(stats.beyondPanic, 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].values[0], 75);
    EXPECT_DOUBLE_EQ(stats.mean, std::stod(panel.average));
    EXPECT_DOUBLE_EQ(stats.maximum, std::stod(panel.maximum));
}

TEST(ReportStats, CountsReadingsAgainstTheNormalRangeAndThePanicLimits) {
    const SeriesStats s = ReportStats::of(seriesOf({35, 50, 60, 70, 100, 110, 140}));
    EXPECT_EQ(s.count, 7);
    EXPECT_EQ(s.below, 2);  // a limit itself is inside
    EXPECT_EQ(s.above, 2);
    EXPECT_EQ(s.beyondPanic, 2);
    EXPECT_EQ(s.insideShare, "42.9%");
    EXPECT_NEAR(s.sd, 37.2412, 1e-4);  // sample standard deviation
    EXPECT_NEAR(s.mean, 80.7143, 1e-4);
    EXPECT_EQ(s.minimum, 35);
    EXPECT_EQ(s.maximum, 140);
}

TEST(ReportStats, AVariableWithoutARangeCountsNothingAsOutside) {
    ReportSeries s = seriesOf({70, 250});
    s.hasNormal = s.hasPanicLow = s.hasPanicHigh = false;
    const SeriesStats stats = ReportStats::of(s);
    EXPECT_EQ(stats.below + stats.above + stats.beyondPanic, 0);
    EXPECT_EQ(stats.insideShare, "");
    EXPECT_EQ(ReportStats::of(seriesOf({72})).sd, 0);
}

TEST(ReportStats, BloodPressureAveragesSplitMorningEveningAndTheLastWeek) {
    PointMap points;
    const struct {
        int day, hour, minute;
        double value;
    } cases[] = {{1, 8, 0, 120}, {1, 11, 59, 130}, {1, 12, 0, 200}, {1, 17, 59, 210},
                 {9, 18, 0, 140}, {10, 23, 30, 150}, {10, 0, 0, 100}};
    for (const auto& c : cases) points[TimeKey::fromTm(localTm(2026, 3, c.day, c.hour, c.minute))] = c.value;
    const TimeOfDayAverages a = ReportStats::timeOfDay(points, instantOf(2026, 3, 4, 0, 0, 0));
    EXPECT_NEAR(a.morning.value, 116.6667, 1e-4);
    EXPECT_EQ(a.morning.count, 3);
    EXPECT_EQ(a.evening.value, 145);
    EXPECT_EQ(a.evening.count, 2);
    EXPECT_EQ(a.lastWeek.value, 130);
    EXPECT_EQ(a.lastWeek.count, 3);
}
