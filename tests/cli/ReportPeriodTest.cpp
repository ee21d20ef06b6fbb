// The period of a report from --from, --to and --last.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "exchange/report/ReportPeriod.h"

TEST(ReportPeriod, OptionsGiveWholeLocalDays) {
    const std::tm today = localTm(2026, 12, 7);
    const struct {
        const char* from;
        const char* to;
        const char* last;
        const char* first;
        const char* lastDay;
    } cases[] = {
        {"", "", "", "2026-09-09", "2026-12-07"},  // the 90 days up to today
        {"", "", "30d", "2026-11-08", "2026-12-07"},
        {"", "2024-03-01", "1y", "2023-03-02", "2024-03-01"},
        {"", "2026-03-31", "90d", "2026-01-01", "2026-03-31"},
        {"2026-01-15", "2026-02-20", "", "2026-01-15", "2026-02-20"},
        {"2026-02-20", "2026-02-20", "", "2026-02-20", "2026-02-20"},
    };
    for (const auto& c : cases) {
        ReportPeriod p;
        std::string error;
        ASSERT_TRUE(ReportPeriod::fromOptions(c.from, c.to, c.last, today, p, error)) << error;
        EXPECT_EQ(p.fromText(), c.first);
        EXPECT_EQ(p.toText(), c.lastDay);
        std::tm firstTm{}, lastTm{};
        ASSERT_TRUE(ReportPeriod::readDay(c.first, firstTm));
        ASSERT_TRUE(ReportPeriod::readDay(c.lastDay, lastTm));
        EXPECT_EQ(p.from, instantOf(firstTm.tm_year + 1900, firstTm.tm_mon + 1, firstTm.tm_mday, 0, 0, 0));
        EXPECT_EQ(p.to, instantOf(lastTm.tm_year + 1900, lastTm.tm_mon + 1, lastTm.tm_mday, 23, 59, 59));
    }
}

TEST(ReportPeriod, UnreadableOrContradictoryOptionsAreRefusedWithAReason) {
    const std::tm today = localTm(2026, 12, 7);
    const struct {
        const char* from;
        const char* to;
        const char* last;
        const char* reason;
    } cases[] = {
        {"2026-02-30", "", "", "--from"}, {"", "2026-13-01", "", "--to"},  {"", "2026/12/07", "", "--to"},
        {"1969-12-31", "", "", "--from"}, {"", "", "90", "--last"},        {"", "", "0d", "--last"},
        {"", "", "2w", "--last"},         {"2026-01-01", "", "30d", "together"},
        {"2026-03-02", "2026-03-01", "", "after it ends"},
    };
    for (const auto& c : cases) {
        ReportPeriod p;
        std::string error;
        EXPECT_FALSE(ReportPeriod::fromOptions(c.from, c.to, c.last, today, p, error)) << c.from << c.to << c.last;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(ReportPeriod, RecordedDatesTakeTheReportsStyleAndOthersStayAsTheyAre) {
    using S = Units::DateStyle;
    const struct {
        const char* recorded;
        S style;
        const char* shown;
    } cases[] = {{"1950/3/7", S::File, "1950-03-07"},       {"1950/3/7", S::Iso, "1950-03-07"},
                 {"1950/3/7", S::DayFirst, "07.03.1950"},   {" 1980/02/29", S::File, "1980-02-29"},
                 {"1981/02/29", S::DayFirst, "1981/02/29"}, {"15/06/1980", S::DayFirst, "15/06/1980"},
                 {"March 1950", S::Iso, "March 1950"},      {"", S::DayFirst, ""}};
    for (const auto& c : cases) EXPECT_EQ(ReportPeriod::recordedDayText(c.recorded, c.style), c.shown) << c.recorded;
}
