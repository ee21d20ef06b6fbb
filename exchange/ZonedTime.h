// Times that carry their offset from UTC, as health software writes them
// ("2026-03-05T08:30:00+01:00", "2024-01-01 08:00:00 -0500"), turned into
// the local time the diary records, and the local time's offset written
// back for another program.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "rules/time/LocalDayClock.h"

class ZonedTime {
public:
    // Reads YYYY-MM-DD, a 'T' or a blank, HH:MM[:SS[.fraction]], then the
    // zone: 'Z', or +HH:MM, +HHMM or +HH (blanks before it allowed). The
    // fraction is dropped. False when the text has another form, names a
    // day or time that does not exist, or has no zone.
    static bool readInstant(const char* text, std::int64_t& instant);

    // The local time of an instant as "2026-03-05T08:30:00"; empty when the
    // system cannot convert it.
    static std::string localIso(std::int64_t instant);

    // A local time as FHIR writes it: "2026-03-05T08:30:00+01:00", with the
    // offset the local time zone has at that time (the year as given by
    // year, the other fields taken from given). A time the clock skips is
    // written as the clock shows the instant the platform gives it, with the
    // offset of that instant ("2026-03-29T02:30" in Berlin as
    // "2026-03-29T03:30:00+02:00"). Empty when the local time cannot be converted.
    static std::string withOffset(const std::tm& given, int year);
    // The same, the offset found by a clock that remembers each day's (for
    // the many readings of an export, most of which share their day's).
    static std::string withOffset(const std::tm& given, int year, LocalDayClock& clock);
};
