#include "rules/time/TimeKey.h"

#include "platform/Platform.h"
#include "rules/time/LocalDayClock.h"

TimeKey TimeKey::fromTm(const std::tm& when) {
    TimeKey key;
    key.tm = when;
    // The clock reading decides daylight saving, so that the same date and
    // time always give the same instant whatever season the key was made in.
    key.valid = LocalDayClock::libraryInstant(when, key.instant);
    return key;
}

TimeKey TimeKey::fromInstant(std::int64_t t) {
    TimeKey key;
    key.instant = t;
    key.valid = platform::instantToLocal(t, key.tm);
    return key;
}
