// A calendar-time key of a chart point: the broken-down local time together
// with its instant, converted once when the key is made, so that ordering
// keys never calls the local-time conversion again.
#pragma once

#include <cstdint>
#include <ctime>

struct TimeKey {
    std::tm tm{};            // year, month, day, hour, minute, second, isdst as given
    std::int64_t instant = 0;  // seconds since the epoch in the local time zone
    bool valid = false;      // false when the local-time conversion failed

    // Converts a copy carrying only year, month, day, hour, minute and
    // second; daylight saving is decided by the local time zone's rules for
    // that reading, not by the flag the record carries.
    static TimeKey fromTm(const std::tm& when);
    static TimeKey fromInstant(std::int64_t t);

    bool operator<(const TimeKey& other) const { return instant < other.instant; }
};
