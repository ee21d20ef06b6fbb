// The readings of a user's file: dates and times are read exactly as the
// entry rules read them, whatever the text.
#include <gtest/gtest.h>

#include <vector>

#include "exchange/UserReadings.h"
#include "rules/readings/EntryRules.h"

namespace {

std::vector<int> fields(const std::tm& t) {
    return {t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_isdst, t.tm_wday, t.tm_yday};
}

}  // namespace

TEST(UserReadings, DatesAndTimesAreReadAsTheEntryRulesReadThem) {
    const char* dates[] = {"2021/1/1",   "2021/01/01", "0999/12/31", "999/1/1",    "1/1/1",           "10000/1/1",
                           "2021/13/1",  "2021/0/1",   "2021/2/31",  "2021/1/32",  "2021/1/0",        " 2021/1/1",
                           "2021/1/1 ",  "2021/1/1x",  "",           "2021-1-1",   "+2021/1/1",       "-5/1/1",
                           "2021/ 1/1",  "2021/1",     "2021/1/",    "9999/12/31", "99999999999/1/1", "2021/01/01x",
                           "0000/01/01", "2021/02/30", "2021/00/10", "2021/10/00", "2021/01/32",      "2021/13/01"};
    const char* times[] = {"12:00:00 AM", "12:00:00 PM", "12:30:15 am", "11:59:59 pm", "00:00:00 AM", "01:05:00 PM",
                           "13:00:00 PM", "12:00 AM", "12:00:00", "12:00:00 Am", "12:00:00 aM", "12:00:00 XM",
                           "12:00:00  AM", "12:00:00AM", "12:60:00 AM", "12:00:60 AM", "1:2:3 PM", "12:00:00 AM x",
                           "", " 12:00:00 AM", "-1:00:00 AM", "12:00:00 PMx", "99999:00:00 PM", "12:00:00 P",
                           "00:59:59 pm", "12:00:00 pM", "12:60:00 PM", "12:00:60 PM", "99:00:00 AM", "12:00:00 xm"};
    for (const char* date : dates)
        for (const char* time : times) {
            std::tm expected{}, read{};
            int expectedYear = -1, readYear = -1;
            const EntryRules::Refusal result = EntryRules::readFields(date, time, expected, &expectedYear);
            ASSERT_EQ(readings::readWhen(date, time, read, readYear), result) << date << " " << time;
            if (result != EntryRules::Refusal::NotRefused) continue;
            EXPECT_EQ(readYear, expectedYear) << date << " " << time;
            EXPECT_EQ(fields(read), fields(expected)) << date << " " << time;
        }
}
