// The home blood pressure series of the guideline: the latest days in a row
// with morning or evening readings, 7 asked for and 3 accepted, the first
// day left out, every reading of a sitting counted.
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

// Readings at 07:00 (130/80) and 20:00 (140/84) on the days first to last.
std::vector<At> twiceADay(int first, int last) {
    std::vector<At> out;
    for (int d = first; d <= last; ++d) {
        out.push_back({d, 7, 130, 80});
        out.push_back({d, 20, 140, 84});
    }
    return out;
}

std::vector<At> operator+(std::vector<At> a, const std::vector<At>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<At> without(std::vector<At> a, int day, int hour) {
    for (auto it = a.begin(); it != a.end(); ++it) {
        if (it->day == day && it->hour == hour) {
            a.erase(it);
            break;
        }
    }
    return a;
}

}  // namespace

TEST(HomePressureProtocol, TakesTheLatestDaysThatMeetTheRuleAndTellsWhatWasLeftOut) {
    const struct {
        const char* what;
        std::vector<At> readings;
        bool accepted;
        int first, last;  // the days of the series
        double systolic, diastolic;
        int used, morning, evening, firstDay, midday, noMorning, noEvening, raised;
    } cases[] = {
        {"a complete week, the first day left out",
         std::vector<At>{{0, 7, 200, 120}, {0, 20, 200, 120}} + twiceADay(1, 6), true, 0, 6, 135, 82, 12, 6, 6, 2, 0,
         0, 0, 6},
        {"one evening missed", without(twiceADay(0, 6), 4, 20), true, 0, 6, 134.545454545, 81.818181818, 11, 6, 5, 2,
         0, 0, 1, 5},
        {"three days only", twiceADay(4, 6), true, 4, 6, 135, 82, 4, 2, 2, 2, 0, 0, 0, 2},
        {"two days are not enough", twiceADay(5, 6), false, 5, 6, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0},
        {"both readings of a sitting count",
         twiceADay(0, 6) + std::vector<At>{{3, 7, 110, 74}, {3, 20, 160, 90}}, true, 0, 6, 135, 82, 14, 7, 7, 2, 0, 0,
         0, 7},
        {"the latest days chosen over an earlier week", twiceADay(0, 6) + twiceADay(20, 23), true, 20, 23, 135, 82, 6,
         3, 3, 2, 0, 0, 0, 3},
        {"the latest two days too few: the week before them",
         twiceADay(0, 9) + twiceADay(20, 21), true, 3, 9, 135, 82, 12, 6, 6, 2, 0, 0, 0, 6},
        {"of a long run the last seven days", twiceADay(0, 30), true, 24, 30, 135, 82, 12, 6, 6, 2, 0, 0, 0, 6},
        {"afternoon readings left out, 12:00 and 17:59 are afternoon",
         twiceADay(0, 6) + std::vector<At>{{3, 12, 300, 200}, {3, 17, 300, 200}}, true, 0, 6, 135, 82, 12, 6, 6, 2, 2,
         0, 0, 6},
        {"across the end of a month, mornings only",
         std::vector<At>{{27, 7, 130, 80}, {28, 7, 130, 80}, {29, 7, 130, 80}, {30, 7, 130, 80}}, true, 27, 30, 130,
         80, 3, 3, 0, 1, 0, 0, 3, 0},
        {"a day without readings breaks the run", twiceADay(0, 3) + twiceADay(5, 6), true, 0, 3, 135, 82, 6, 3, 3, 2,
         0, 0, 0, 3},
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
        EXPECT_EQ(s.accepted, c.accepted) << c.what;
        EXPECT_EQ(s.firstDay - kNov1, c.first) << c.what;
        EXPECT_EQ(s.lastDay - kNov1, c.last) << c.what;
        EXPECT_EQ(s.days, c.last - c.first + 1) << c.what;
        EXPECT_EQ(s.firstDayReadings, c.firstDay) << c.what;
        EXPECT_EQ(s.middayReadings, c.midday) << c.what;
        EXPECT_EQ(s.daysWithoutMorning, c.noMorning) << c.what;
        EXPECT_EQ(s.daysWithoutEvening, c.noEvening) << c.what;
        if (!c.accepted) continue;
        EXPECT_NEAR(s.all.systolic, c.systolic, 1e-6) << c.what;
        EXPECT_NEAR(s.all.diastolic, c.diastolic, 1e-6) << c.what;
        EXPECT_EQ(s.all.readings, c.used) << c.what;
        EXPECT_EQ(s.morning.readings, c.morning) << c.what;
        EXPECT_EQ(s.evening.readings, c.evening) << c.what;
        EXPECT_EQ(s.atOrAboveThreshold, c.raised) << c.what;
    }
    HomeSeries none;
    EXPECT_FALSE(HomePressureProtocol::find({}, none));
    HomeReading noon;
    noon.local = LocalDayClock::civilFromDays(kNov1);
    noon.local.tm_hour = 13;
    EXPECT_FALSE(HomePressureProtocol::find({noon}, none));
}

TEST(HomePressureProtocol, TheThresholdItselfIsRaised) {
    EXPECT_FALSE(HomePressureProtocol::raised(134.9, 84.9));
    EXPECT_TRUE(HomePressureProtocol::raised(135, 70));
    EXPECT_TRUE(HomePressureProtocol::raised(120, 85));
}
