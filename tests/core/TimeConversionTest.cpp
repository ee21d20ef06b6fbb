// Local times on both sides of the daylight-saving changes give the same
// instants on every system (the test programs run in Europe/Berlin time).
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include "TestSupport.h"
#include "platform/Platform.h"

namespace {

struct LocalInstant {
    int year, month, day, hour, minute, second;
    std::int64_t instant;
    int isdst;
};

const LocalInstant kTimes[] = {
    {2026, 1, 15, 12, 0, 0, 1768474800, 0},   // winter
    {2026, 3, 29, 1, 59, 59, 1774745999, 0},  // the last second of winter time
    {2026, 3, 29, 3, 0, 0, 1774746000, 1},    // one second later: summer time
    {2026, 7, 15, 12, 0, 0, 1784109600, 1},   // summer
    {2026, 10, 25, 1, 59, 59, 1792886399, 1}, // before the repeated hour
    {2026, 10, 25, 3, 0, 0, 1792893600, 0},   // after it: 7201 seconds later
    {2025, 3, 30, 3, 30, 0, 1743298200, 1},
    {2025, 10, 26, 4, 0, 0, 1761447600, 0},
    {2030, 3, 31, 3, 0, 0, 1901149200, 1},
};

}  // namespace

TEST(TimeConversion, LocalTimesAcrossDaylightSavingChangesGiveTheSameInstantsBothWays) {
    for (const LocalInstant& t : kTimes) {
        std::tm local = localTm(t.year, t.month, t.day, t.hour, t.minute, t.second);
        std::int64_t instant = 0;
        ASSERT_TRUE(platform::localToInstant(local, instant)) << t.year << "-" << t.month << "-" << t.day;
        EXPECT_EQ(instant, t.instant) << t.year << "-" << t.month << "-" << t.day << " " << t.hour;
        std::tm back{};
        ASSERT_TRUE(platform::instantToLocal(t.instant, back));
        EXPECT_EQ(back.tm_year + 1900, t.year);
        EXPECT_EQ(back.tm_mon + 1, t.month);
        EXPECT_EQ(back.tm_mday, t.day);
        EXPECT_EQ(back.tm_hour, t.hour) << t.instant;
        EXPECT_EQ(back.tm_min, t.minute);
        EXPECT_EQ(back.tm_sec, t.second);
        EXPECT_EQ(back.tm_isdst > 0, t.isdst == 1) << t.instant;
    }
}
