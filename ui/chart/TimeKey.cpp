#include "ui/chart/TimeKey.h"

#include "platform/Platform.h"

TimeKey TimeKey::fromTm(const std::tm& when) {
    TimeKey key;
    key.tm = when;
    std::tm copy{};
    copy.tm_year = when.tm_year;
    copy.tm_mon = when.tm_mon;
    copy.tm_mday = when.tm_mday;
    copy.tm_hour = when.tm_hour;
    copy.tm_min = when.tm_min;
    copy.tm_sec = when.tm_sec;
    // The clock reading decides daylight saving, so that the same date and
    // time always give the same instant whatever season the key was made in.
    copy.tm_isdst = -1;
    key.valid = platform::localToInstant(copy, key.instant);
    return key;
}

TimeKey TimeKey::fromInstant(std::int64_t t) {
    TimeKey key;
    key.instant = t;
    key.valid = platform::instantToLocal(t, key.tm);
    return key;
}
