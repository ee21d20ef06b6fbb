// The time axis of the report's charts: over periods from a day to five
// years no two labels touch, days are labelled over short periods and
// months over long ones, and the ticks fall on the local calendar.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "exchange/report/SvgChart.h"
#include "exchange/report/TimeTicks.h"
#include "platform/Platform.h"

TEST(TimeTicks, LabelsNeverTouchFromADayToFiveYears) {
    const double width = SvgChart::kRight - SvgChart::kLeft, font = 10;
    const struct {
        int days;
        TimeTicks::Kind kind;
        const char* firstLabel;  // of a period ending on 2026-11-30
    } cases[] = {
        {1, TimeTicks::Kind::Hours, "00:00"},        {2, TimeTicks::Kind::Hours, "00:00"},
        {7, TimeTicks::Kind::Days, "2026-11-24"},    {14, TimeTicks::Kind::Days, "2026-11-17"},
        {31, TimeTicks::Kind::Days, "2026-11-02"},   {90, TimeTicks::Kind::Days, "2026-09-14"},
        {182, TimeTicks::Kind::Months, "Jul 2026"},  {365, TimeTicks::Kind::Months, "Jan 2026"},
        {730, TimeTicks::Kind::Months, "Jan 2025"},  {1826, TimeTicks::Kind::Months, "Jan 2022"},
    };
    for (const auto& c : cases) {
        const std::int64_t to = instantOf(2026, 11, 30, 23, 59, 59);
        std::tm first{};
        ASSERT_TRUE(platform::instantToLocal(to - (c.days - 1) * 86400LL, first));
        const std::int64_t from =
            instantOf(first.tm_year + 1900, first.tm_mon + 1, first.tm_mday, 0, 0, 0);
        const TimeTicks t = TimeTicks::choose(from, to, width, font);
        EXPECT_EQ(t.kind, c.kind) << c.days;
        ASSERT_GE(t.ticks.size(), 3u) << c.days;
        EXPECT_EQ(t.ticks.front().label, c.firstLabel) << c.days;
        const double perSecond = width / static_cast<double>(to - from);
        for (std::size_t i = 0; i < t.ticks.size(); ++i) {
            const TimeTick& tick = t.ticks[i];
            EXPECT_GE(tick.instant, from) << c.days;
            EXPECT_LE(tick.instant, to) << c.days;
            std::tm local{};
            ASSERT_TRUE(platform::instantToLocal(tick.instant, local));
            EXPECT_EQ(local.tm_min, 0) << c.days << " " << tick.label;
            if (c.kind != TimeTicks::Kind::Hours) {
                EXPECT_EQ(local.tm_hour, 0) << c.days << " " << tick.label;
            }
            if (c.kind == TimeTicks::Kind::Months) {
                EXPECT_EQ(local.tm_mday, 1) << c.days << " " << tick.label;
            }
            if (i == 0) continue;
            const TimeTick& before = t.ticks[i - 1];
            const auto widest = [&](const TimeTick& k) {
                return std::max(TimeTicks::labelWidth(k.label, font), TimeTicks::labelWidth(k.second, font));
            };
            const double room = static_cast<double>(tick.instant - before.instant) * perSecond;
            EXPECT_GE(room, (widest(tick) + widest(before)) / 2 + TimeTicks::gap(font))
                << c.days << ": " << before.label << " and " << tick.label;
        }
    }
}

TEST(TimeTicks, HoursCarryTheirDateOnceADay) {
    const TimeTicks t = TimeTicks::choose(instantOf(2026, 11, 5, 0, 0, 0), instantOf(2026, 11, 6, 23, 59, 59),
                                          SvgChart::kRight - SvgChart::kLeft, 10);
    ASSERT_EQ(t.kind, TimeTicks::Kind::Hours);
    int dated = 0;
    for (const TimeTick& tick : t.ticks) dated += !tick.second.empty();
    EXPECT_EQ(dated, 2);
    EXPECT_EQ(t.ticks.front().second, "2026-11-05");
}

TEST(TimeTicks, AWiderAxisTakesMoreTicks) {
    const std::int64_t from = instantOf(2026, 1, 1, 0, 0, 0), to = instantOf(2026, 12, 31, 23, 59, 59);
    EXPECT_GT(TimeTicks::choose(from, to, 2000, 10).ticks.size(), TimeTicks::choose(from, to, 400, 10).ticks.size());
}
