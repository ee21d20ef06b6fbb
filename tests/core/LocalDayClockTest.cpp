// The day-by-day local-time conversion gives the C library's instants.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "rules/time/LocalDayClock.h"

TEST(LocalDayClock, EveryHalfHourOfSeveralYearsMatchesTheLibraryInZonesWithAndWithoutDaylightSaving) {
    // Every half hour also walks through each gap of spring and each
    // repeated hour of autumn (Lord Howe shifts by half an hour; Havana,
    // Santiago and Beirut change at midnight, so that a day starts or ends
    // in a gap or a repeated hour).
    ScopedTimeZone tz("UTC");
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata", "UTC",
                             "America/Havana", "America/Santiago", "Asia/Beirut"}) {
        tz.set(zone);
        LocalDayClock clock;
        int compared = 0, mismatches = 0;
        for (int year = 2019; year <= 2026; ++year) {
            for (int month = 0; month < 12; ++month) {
                for (int day = 1; day <= 31; ++day) {
                    for (int halfHour = 0; halfHour < 48; ++halfHour) {
                        std::tm when{};
                        when.tm_year = year - 1900;
                        when.tm_mon = month;
                        when.tm_mday = day;
                        when.tm_hour = halfHour / 2;
                        when.tm_min = halfHour % 2 * 30;
                        when.tm_sec = 7;
                        std::tm copy = when;
                        copy.tm_isdst = -1;
                        std::int64_t expected = 0, got = 0;
                        const bool libraryOk = platform::localToInstant(copy, expected);
                        const bool clockOk = clock.toInstant(when, got);
                        ++compared;
                        if (libraryOk != clockOk || (libraryOk && expected != got)) ++mismatches;
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << zone;
        EXPECT_GT(compared, 8 * 12 * 31 * 48 - 1) << zone;
    }
}

TEST(LocalDayClock, FieldsOutsideTheirRangesAreNormalisedAsTheLibraryDoes) {
    ScopedTimeZone tz("Europe/Berlin");
    LocalDayClock clock;
    // Day 31 of April, hour 25, minute 75, second 61, month 13, year 1.
    const int cases[][6] = {{2026, 3, 31, 10, 0, 0}, {2026, 2, 29, 25, 75, 61}, {2026, 12, 1, 0, 0, 0},
                            {1, 0, 1, 12, 0, 0},     {2026, 2, 29, 2, 30, 0},   {2026, 9, 25, 2, 30, 0}};
    for (const auto& c : cases) {
        std::tm when{};
        when.tm_year = c[0] - 1900;
        when.tm_mon = c[1];
        when.tm_mday = c[2];
        when.tm_hour = c[3];
        when.tm_min = c[4];
        when.tm_sec = c[5];
        std::tm copy = when;
        copy.tm_isdst = -1;
        std::int64_t expected = 0, got = 0;
        // Year 1 lies beyond the Windows runtime's conversions (1970 to 3000):
        // there the library has no answer to compare with.
        if (!platform::localToInstant(copy, expected)) continue;
        ASSERT_TRUE(clock.toInstant(when, got));
        EXPECT_EQ(got, expected) << c[0] << "/" << c[1] << "/" << c[2];
    }
    EXPECT_EQ(LocalDayClock::daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(LocalDayClock::daysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(LocalDayClock::daysFromCivil(1969, 12, 31), -1);
}
