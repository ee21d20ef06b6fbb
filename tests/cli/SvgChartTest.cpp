// The chart of the report: long series shrink to a few points per pixel
// column without losing a spike, and readings are marked by where they stand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestSupport.h"
#include "exchange/report/SvgChart.h"
#include "exchange/report/TimeTicks.h"

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(SvgChart, ReductionKeepsFirstLowestHighestAndLastOfEveryColumn) {
    std::vector<SvgChart::PlotPoint> points;
    for (int i = 0; i < 10000; ++i) {
        double v = 70 + i % 7;
        if (i == 1234) v = 190;  // a spike up
        if (i == 5678) v = 20;   // and one down
        points.push_back(SvgChart::PlotPoint{100 + i / 1000, v, i});
    }
    const std::vector<SvgChart::PlotPoint> kept = SvgChart::reduceToColumns(points);
    EXPECT_LE(kept.size(), 40u);
    const auto has = [&](double v) {
        return std::any_of(kept.begin(), kept.end(), [&](const SvgChart::PlotPoint& p) { return p.value == v; });
    };
    EXPECT_TRUE(has(190));
    EXPECT_TRUE(has(20));
    EXPECT_EQ(kept.front().instant, 0);
    EXPECT_EQ(kept.back().instant, 9999);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(),
                               [](const auto& a, const auto& b) { return a.instant < b.instant; }));
    // A column of one point keeps it once.
    EXPECT_EQ(SvgChart::reduceToColumns({SvgChart::PlotPoint{5, 1.0, 7}}).size(), 1u);
}

TEST(SvgChart, ALongSeriesStaysSmallAndMarksItsOutOfRangeReadings) {
    ReportVariable pulse;
    pulse.name = "Pulse";
    pulse.unit = "beats per minute";
    pulse.title = "Pulse";
    ReportSeries s;
    s.name = "Pulse";
    s.hasNormal = s.hasPanicLow = s.hasPanicHigh = true;
    s.normalLow = 60;
    s.normalHigh = 100;
    s.panicLow = 40;
    s.panicHigh = 130;
    const std::int64_t from = instantOf(2026, 1, 1, 0, 0, 0), to = instantOf(2026, 3, 31, 23, 59, 59);
    for (int i = 0; i < 100000; ++i) s.points[TimeKey::fromInstant(from + i * 77)] = 70 + i % 20;
    s.points[TimeKey::fromInstant(from + 50000 * 77 + 1)] = 150;  // beyond panic
    s.points[TimeKey::fromInstant(from + 70000 * 77 + 1)] = 55;   // below normal
    pulse.series.push_back(s);

    const std::string svg = SvgChart::chart(pulse, from, to);
    EXPECT_LT(svg.size(), 100000u);
    EXPECT_EQ(count(svg, std::string("fill=\"") + SvgChart::kBandColor + "\""), 1u);
    const std::size_t panic = svg.find(std::string("class=\"panic\" fill=\"") + SvgChart::kPanicColor);
    const std::size_t outside = svg.find(std::string("class=\"outside\" fill=\"") + SvgChart::kOutsideColor);
    ASSERT_NE(panic, std::string::npos);
    ASSERT_NE(outside, std::string::npos);
    // Shapes that a black-and-white printout keeps apart: a square beyond
    // the panic limits, a triangle pointing down below the normal range.
    const std::string panicMarks = svg.substr(panic, svg.find("</g>", panic) - panic);
    const std::string outsideMarks = svg.substr(outside, svg.find("</g>", outside) - outside);
    EXPECT_EQ(count(panicMarks, "<rect "), 1u);
    EXPECT_EQ(count(panicMarks, "<path "), 0u);
    EXPECT_EQ(count(outsideMarks, "l5 -8h-10z"), 1u);
    EXPECT_EQ(count(outsideMarks, "<rect "), 0u);
    EXPECT_NE(svg.find(">beats per minute</text>"), std::string::npos);
    // Over 90 days a tick every other Monday, none before the period; dates
    // as the rest of the page writes them.
    EXPECT_EQ(svg.find(">2025-12-"), std::string::npos);
    EXPECT_NE(svg.find(">2026-01-05<"), std::string::npos);
    EXPECT_NE(svg.find(">2026-01-19<"), std::string::npos);
    EXPECT_NE(svg.find(">2026-03-30<"), std::string::npos);
}

// The date labels under the chart, read back from the SVG, stand apart by
// their widths whatever the period.
TEST(SvgChart, DateLabelsNeverOverlap) {
    ReportVariable pulse;
    pulse.name = pulse.title = "Pulse";
    pulse.series.emplace_back();
    const std::int64_t to = instantOf(2026, 11, 30, 23, 59, 59);
    const std::string row = "y=\"" + std::to_string(SvgChart::kBottom + 17) + "\"";
    for (int days : {1, 3, 10, 21, 45, 90, 400, 1000, 1826}) {
        const std::int64_t from = to + 1 - days * 86400LL;
        pulse.series[0].points.clear();
        pulse.series[0].points[TimeKey::fromInstant(from + 3600)] = 70;
        const std::string svg = SvgChart::chart(pulse, from, to);
        std::vector<std::pair<double, std::string>> labels;  // x, text
        for (std::size_t at = svg.find(row); at != std::string::npos; at = svg.find(row, at + 1)) {
            const std::size_t x = svg.rfind("x=\"", at) + 3;
            const std::size_t text = svg.find('>', at) + 1;
            labels.emplace_back(std::stod(svg.substr(x)), svg.substr(text, svg.find('<', text) - text));
        }
        ASSERT_GE(labels.size(), 2u) << days;
        for (std::size_t i = 1; i < labels.size(); ++i) {
            const double half = (TimeTicks::labelWidth(labels[i].second, 10) +
                                 TimeTicks::labelWidth(labels[i - 1].second, 10)) / 2;
            EXPECT_GT(labels[i].first - labels[i - 1].first, half)
                << days << " days: " << labels[i - 1].second << " and " << labels[i].second;
        }
    }
}

TEST(SvgChart, MarkerColoursStandOutFromTheBandAndTheBackgroundByAtLeastThreeToOne) {
    // Relative luminance and contrast ratio of "#rrggbb" colours.
    const auto luminance = [](const std::string& hex) {
        double l = 0;
        const double weights[3] = {0.2126, 0.7152, 0.0722};
        for (int i = 0; i < 3; ++i) {
            const double c = std::stoi(hex.substr(1 + 2 * i, 2), nullptr, 16) / 255.0;
            l += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return l;
    };
    const auto contrast = [&](const std::string& a, const std::string& b) {
        const double x = luminance(a), y = luminance(b);
        return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    for (const char* marker : {SvgChart::kOutsideColor, SvgChart::kPanicColor})
        for (const char* behind : {SvgChart::kBandColor, "#ffffff"})
            EXPECT_GE(contrast(marker, behind), 3.0) << marker << " on " << behind;
}
