// The home blood pressure series of the guideline: the last 7 days in a row
// with morning and evening readings, the first day left out; or what the
// latest 7 days lack.
#include <gtest/gtest.h>

#include "rules/readings/HomePressureProtocol.h"
#include "rules/time/LocalDayClock.h"

namespace {

const std::int64_t kNov1 = LocalDayClock::daysFromCivil(2026, 11, 1);

struct At {
    int day;  // 0: 2026-11-01
    int hour;
    double systolic, diastolic;
};

// Readings at 07:00 and 20:00 on the days first to last.
std::vector<At> twiceADay(int first, int last, double systolic = 130, double diastolic = 80) {
    std::vector<At> out;
    for (int d = first; d <= last; ++d) {
        out.push_back({d, 7, systolic, diastolic});
        out.push_back({d, 20, systolic + 10, diastolic + 4});
    }
    return out;
}

std::vector<At> operator+(std::vector<At> a, const std::vector<At>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(HomePressureProtocol, FindsTheLastCompleteStretchOrTellsWhatTheLatestDaysLack) {
    const struct {
        const char* what;
        std::vector<At> readings;
        bool complete;
        int first, last;  // the days looked at
        double systolic, diastolic;
        int used;
        const char* missing;
    } cases[] = {
        {"seven days, the first left out", std::vector<At>{{0, 7, 200, 120}, {0, 20, 200, 120}} + twiceADay(1, 6),
         true, 0, 6, 135, 82, 12, ""},
        {"afternoon readings count for nothing", twiceADay(0, 6) + std::vector<At>{{3, 14, 300, 200}}, true, 0, 6,
         135, 82, 12, ""},
        {"of eight days the last seven", twiceADay(0, 7), true, 1, 7, 135, 82, 12, ""},
        {"the last stretch, before a few later readings", twiceADay(0, 6) + twiceADay(20, 22), true, 0, 6, 135, 82,
         12, ""},
        {"across the end of a month, 18:59 is evening",
         twiceADay(27, 32) + std::vector<At>{{33, 7, 130, 80}, {33, 18, 140, 84}}, true, 27, 33, 135, 82, 12, ""},
        {"12:59 is not morning, 17:59 not evening",
         std::vector<At>{{0, 12, 120, 80}, {0, 17, 120, 80}, {0, 20, 120, 80}} + twiceADay(1, 6), false, 0, 6, 0, 0, 0,
         "morning readings on 6 of 7 days"},
        {"mornings on four days only",
         std::vector<At>{{0, 7, 1, 1}, {1, 7, 1, 1}, {2, 7, 1, 1}, {3, 7, 1, 1}, {0, 20, 1, 1}, {1, 20, 1, 1},
                         {2, 20, 1, 1}, {3, 20, 1, 1}, {4, 20, 1, 1}, {5, 20, 1, 1}, {6, 20, 1, 1}},
         false, 0, 6, 0, 0, 0, "morning readings on 4 of 7 days"},
        {"a day without readings", twiceADay(0, 2) + twiceADay(4, 8), false, 2, 8, 0, 0, 0,
         "morning readings on 6 of 7 days and evening readings on 6 of 7 days"},
        {"a single reading", std::vector<At>{{10, 20, 1, 1}}, false, 4, 10, 0, 0, 0,
         "morning readings on 0 of 7 days and evening readings on 1 of 7 days"},
    };
    for (const auto& c : cases) {
        std::vector<HomeReading> readings;
        // Newest first, as the report hands them over.
        for (auto it = c.readings.rbegin(); it != c.readings.rend(); ++it) {
            HomeReading r;
            r.local = LocalDayClock::civilFromDays(kNov1 + it->day);
            r.local.tm_hour = it->hour;
            r.local.tm_min = 59;
            r.systolic = it->systolic;
            r.diastolic = it->diastolic;
            readings.push_back(r);
        }
        HomeSeries s;
        ASSERT_TRUE(HomePressureProtocol::find(readings, s)) << c.what;
        EXPECT_EQ(s.complete, c.complete) << c.what;
        EXPECT_EQ(s.firstDay - kNov1, c.first) << c.what;
        EXPECT_EQ(s.lastDay - kNov1, c.last) << c.what;
        EXPECT_EQ(HomePressureProtocol::missingText(s), c.missing) << c.what;
        if (!c.complete) continue;
        EXPECT_DOUBLE_EQ(s.systolic, c.systolic) << c.what;
        EXPECT_DOUBLE_EQ(s.diastolic, c.diastolic) << c.what;
        EXPECT_EQ(s.readingsUsed, c.used) << c.what;
    }
    HomeSeries none;
    EXPECT_FALSE(HomePressureProtocol::find({}, none));
}
