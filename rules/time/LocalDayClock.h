// Converts local calendar times to instants exactly as the C library's
// local-time conversion does (daylight saving decided by the zone's rules),
// at a fraction of its cost when many readings share a day: the local
// offset of each day is asked of the library once, and every reading of
// that day is then plain arithmetic. Days on which the offset changes, and
// fields outside their ordinary ranges, are left to the library itself.
// A clock remembers the days it has seen: use one for one batch of
// conversions, never across a change of the time zone.
#pragma once

#include <cstdint>
#include <ctime>
#include <unordered_map>

class LocalDayClock {
public:
    // The instant of the local time given by the year, month, day, hour,
    // minute and second fields of when (its other fields are ignored); false
    // when the library cannot convert it.
    bool toInstant(const std::tm& when, std::int64_t& out);

    // True when the local clock never shows the time of when's fields (it
    // jumps over it as daylight saving begins); shown then receives the
    // clock reading of the instant the library gives that time.
    bool skipped(const std::tm& when, std::tm& shown);

    // Days since 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
    static std::int64_t daysFromCivil(std::int64_t year, int month, int day);
    // The other way: the date (tm_year, tm_mon, tm_mday) of a day since 1970-01-01.
    static std::tm civilFromDays(std::int64_t days);
    // The number of days of a month (1 to 12) of a proleptic Gregorian year.
    static int daysInMonth(std::int64_t year, int month);

    // The library's own answer: the conversion of a copy that carries only
    // the year, month, day, hour, minute and second, daylight saving decided
    // by the zone's rules for that clock reading.
    static bool libraryInstant(const std::tm& when, std::int64_t& out);

private:
    struct Day {
        bool uniform = false;     // one offset from the first to the last second
        std::int64_t offset = 0;  // local clock minus instant, in seconds
    };
    const Day& day(std::int64_t year, int month, int mday);
    // True when the instant shows the local clock reading local (seconds
    // since 1970-01-01 00:00:00 of the local calendar).
    static bool shows(std::int64_t instant, std::int64_t local);

    std::unordered_map<std::int64_t, Day> days_;
    std::int64_t lastKey_ = 0;
    const Day* last_ = nullptr;
    // The last day found uniform whose offset also holds for two hours after
    // its end: the next day needs no conversion of its start (see day()).
    bool chained_ = false;
    std::int64_t chainKey_ = 0;
    std::int64_t chainOffset_ = 0;
};
