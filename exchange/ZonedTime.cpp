#include "exchange/ZonedTime.h"

#include <cctype>
#include <cstdio>

#include "platform/Platform.h"
#include "rules/time/LocalDayClock.h"

namespace {

bool digits(const char*& p, int count, int& out) {
    out = 0;
    for (int i = 0; i < count; ++i, ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        out = out * 10 + (*p - '0');
    }
    return true;
}

}  // namespace

bool ZonedTime::readInstant(const char* text, std::int64_t& instant) {
    const char* p = text;
    int year, month, day, hour, minute, second = 0;
    if (!(digits(p, 4, year) && *p++ == '-' && digits(p, 2, month) && *p++ == '-' && digits(p, 2, day))) return false;
    if (*p != 'T' && *p != ' ') return false;
    ++p;
    if (!(digits(p, 2, hour) && *p++ == ':' && digits(p, 2, minute))) return false;
    if (*p == ':' && !(++p, digits(p, 2, second))) return false;
    if (*p == '.') {
        ++p;
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    }
    while (*p == ' ') ++p;
    int offset = 0;
    if (*p == 'Z') {
        ++p;
    } else if (*p == '+' || *p == '-') {
        const int sign = *p++ == '-' ? -1 : 1;
        int oh = 0, om = 0;
        if (!digits(p, 2, oh)) return false;
        if (*p == ':') ++p;
        if (std::isdigit(static_cast<unsigned char>(*p)) && !digits(p, 2, om)) return false;
        if (oh > 23 || om > 59) return false;
        offset = sign * (oh * 3600 + om * 60);
    } else {
        return false;
    }
    if (*p != '\0') return false;
    if (month < 1 || month > 12 || day < 1 || day > LocalDayClock::daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    instant = LocalDayClock::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
    return true;
}

std::string ZonedTime::localIso(std::int64_t instant) {
    std::tm local{};
    if (!platform::instantToLocal(instant, local)) return std::string();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

namespace {

// when as FHIR writes it, with the offset of the local clock from the instant.
std::string offsetText(const std::tm& when, int year, std::int64_t instant) {
    const std::int64_t clock =
        LocalDayClock::daysFromCivil(when.tm_year + 1900, when.tm_mon + 1, when.tm_mday) * 86400 +
        when.tm_hour * 3600 + when.tm_min * 60 + when.tm_sec;
    const std::int64_t offset = clock - instant;
    const std::int64_t size = offset < 0 ? -offset : offset;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year, when.tm_mon + 1, when.tm_mday,
                  when.tm_hour, when.tm_min, when.tm_sec, offset < 0 ? '-' : '+', static_cast<int>(size / 3600),
                  static_cast<int>(size % 3600 / 60));
    return text;
}

}  // namespace

std::string ZonedTime::withOffset(const std::tm& given, int year) {
    std::int64_t instant = 0;
    if (!LocalDayClock::libraryInstant(given, instant)) return std::string();
    // A time the clock skips (02:30 as daylight saving begins) is the instant
    // the library gives it, told as the clock shows that instant.
    std::tm shown{};
    if (platform::instantToLocal(instant, shown) &&
        (shown.tm_mday != given.tm_mday || shown.tm_hour != given.tm_hour || shown.tm_min != given.tm_min))
        return offsetText(shown, shown.tm_year + 1900, instant);
    return offsetText(given, year, instant);
}

std::string ZonedTime::withOffset(const std::tm& given, int year, LocalDayClock& clock) {
    std::int64_t instant = 0;
    if (!clock.toInstant(given, instant)) return std::string();
    // The same rule for a skipped time; the clock asks the library only on
    // the days whose offset changes.
    std::tm shown{};
    if (clock.skipped(given, shown)) return offsetText(shown, shown.tm_year + 1900, instant);
    return offsetText(given, year, instant);
}
