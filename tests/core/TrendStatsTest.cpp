// Average, minimum and maximum texts of the trend panel.
#include <gtest/gtest.h>

#include "rules/chart/TrendStats.h"

namespace {

PointMap pointsOf(const std::vector<double>& values) {
    PointMap points;
    std::int64_t t = 1764979200;  // 2025/12/06
    for (double v : values) {
        TimeKey key;
        key.instant = t;
        key.valid = true;
        points[key] = v;
        t += 3600;
    }
    return points;
}

}  // namespace

TEST(TrendStats, AverageMinimumMaximumTexts) {
    TrendTexts t = computeStats(pointsOf({120, 130, 141}));
    EXPECT_EQ(t.average, "130.33");
    EXPECT_EQ(t.minimum, "120.0");
    EXPECT_EQ(t.maximum, "141.0");

    TrendTexts one = computeStats(pointsOf({72}));
    EXPECT_EQ(one.average, "72.00");
    EXPECT_EQ(one.minimum, "72.0");
    EXPECT_EQ(one.maximum, "72.0");

    // Order in time does not matter; falling and negative values.
    TrendTexts falling = computeStats(pointsOf({5, -2.25, 3, -7.5}));
    EXPECT_EQ(falling.minimum, "-7.5");
    EXPECT_EQ(falling.maximum, "5.0");
    EXPECT_EQ(falling.average, "-0.44");
}

TEST(TrendStats, NoPointsGiveEmptyTexts) {
    TrendTexts t = computeStats(PointMap());
    EXPECT_EQ(t.average, "");
    EXPECT_EQ(t.minimum, "");
    EXPECT_EQ(t.maximum, "");
}

TEST(TrendStats, OnlyTheGivenStretchCounts) {
    PointMap points = pointsOf({10, 20, 30, 40});
    TrendTexts t = computeStats(std::next(points.begin(), 2), points.end());
    EXPECT_EQ(t.average, "35.00");
    EXPECT_EQ(t.minimum, "30.0");
    EXPECT_EQ(t.maximum, "40.0");
}

TEST(TrendStats, LongTextsUseTheShortExponentForm) {
    // Fifteen characters still fit.
    EXPECT_EQ(statText("%.1f", 1234567890123.5), "1234567890123.5");
    EXPECT_EQ(statText("%.1f", 12345678901234.5), "1.23457e+13");
    EXPECT_EQ(statText("%.2f", -1e15), "-1e+15");
    TrendTexts t = computeStats(pointsOf({1e18, 3e18}));
    EXPECT_EQ(t.minimum, "1e+18");
    EXPECT_EQ(t.maximum, "3e+18");
    EXPECT_EQ(t.average, "2e+18");
    for (const std::string* s : {&t.average, &t.minimum, &t.maximum}) EXPECT_LE(s->size(), kMaxStatText);
}

TEST(TrendStats, HugeValuesDoNotOverflowTheAverage) {
    TrendTexts t = computeStats(pointsOf({1.5e308, 1.5e308}));
    EXPECT_EQ(t.average, "1.5e+308");
}
