#include "rules/time/LocalDayClock.h"

#include "platform/Platform.h"

namespace {

bool leapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Years the day arithmetic is used for; others go to the library.
const std::int64_t kFirstYear = -100000;
const std::int64_t kLastYear = 100000;

}  // namespace

int LocalDayClock::daysInMonth(std::int64_t year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

bool LocalDayClock::libraryInstant(const std::tm& when, std::int64_t& out) {
    std::tm copy{};
    copy.tm_year = when.tm_year;
    copy.tm_mon = when.tm_mon;
    copy.tm_mday = when.tm_mday;
    copy.tm_hour = when.tm_hour;
    copy.tm_min = when.tm_min;
    copy.tm_sec = when.tm_sec;
    copy.tm_isdst = -1;
    return platform::localToInstant(copy, out);
}

std::int64_t LocalDayClock::daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::tm LocalDayClock::civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    std::tm out{};
    out.tm_year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0) - 1900);
    out.tm_mon = month - 1;
    out.tm_mday = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    return out;
}

bool LocalDayClock::shows(std::int64_t instant, std::int64_t local) {
    std::tm fields{};
    if (!platform::instantToLocal(instant, fields)) return false;
    const std::int64_t seconds =
        daysFromCivil(static_cast<std::int64_t>(fields.tm_year) + 1900, fields.tm_mon + 1, fields.tm_mday) * 86400 +
        fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
    return seconds == local;
}

const LocalDayClock::Day& LocalDayClock::day(std::int64_t year, int month, int mday) {
    const std::int64_t key = daysFromCivil(year, month, mday);
    if (last_ && key == lastKey_) return *last_;
    auto found = days_.find(key);
    if (found == days_.end()) {
        // Readings come day after day. The day after a chained one starts
        // with the chained offset (no change of offset within the two hours
        // after the chained day's end, so its start is no repeated reading
        // either); when its last second and the instant two hours later show
        // that offset too, the day is uniform, with the same assumption the
        // library's own answers below make: the offset changes at most once
        // a day. That takes two plain conversions of instants instead of two
        // of clock readings, which cost several times as much.
        const std::int64_t local1 = key * 86400 + 86399;
        const std::int64_t stable = 7200;  // longer than any change of offset
        if (chained_ && key == chainKey_ + 1 && shows(local1 - chainOffset_, local1) &&
            shows(local1 - chainOffset_ + stable, local1 + stable)) {
            Day d;
            d.uniform = true;
            d.offset = chainOffset_;
            chainKey_ = key;
            found = days_.emplace(key, d).first;
            lastKey_ = key;
            last_ = &found->second;
            return *last_;
        }
        Day d;
        std::tm first{};
        first.tm_year = static_cast<int>(year - 1900);
        first.tm_mon = month - 1;
        first.tm_mday = mday;
        std::tm lastSecond = first;
        lastSecond.tm_hour = 23;
        lastSecond.tm_min = 59;
        lastSecond.tm_sec = 59;
        std::int64_t t0 = 0, t1 = 0;
        if (libraryInstant(first, t0) && libraryInstant(lastSecond, t1)) {
            const std::int64_t local0 = key * 86400;
            d.offset = local0 - t0;
            d.uniform = local1 - t1 == d.offset;
        }
        chained_ = d.uniform && shows(t1 + stable, local1 + stable);
        chainKey_ = key;
        chainOffset_ = d.offset;
        found = days_.emplace(key, d).first;
    }
    lastKey_ = key;
    last_ = &found->second;
    return *last_;
}

bool LocalDayClock::skipped(const std::tm& when, std::tm& shown) {
    const std::int64_t year = static_cast<std::int64_t>(when.tm_year) + 1900;
    const int month = when.tm_mon + 1;
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || when.tm_mday < 1 ||
        when.tm_mday > daysInMonth(year, month))
        return false;
    if (day(year, month, when.tm_mday).uniform) return false;
    std::int64_t instant = 0;
    std::tm local{};
    if (!libraryInstant(when, instant) || !platform::instantToLocal(instant, local)) return false;
    if (local.tm_year == when.tm_year && local.tm_mon == when.tm_mon && local.tm_mday == when.tm_mday &&
        local.tm_hour == when.tm_hour && local.tm_min == when.tm_min && local.tm_sec == when.tm_sec)
        return false;
    shown = local;
    return true;
}

bool LocalDayClock::toInstant(const std::tm& when, std::int64_t& out) {
    const std::int64_t year = static_cast<std::int64_t>(when.tm_year) + 1900;
    const int month = when.tm_mon + 1;
    const bool ordinary = year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && when.tm_mday >= 1 &&
                          when.tm_mday <= daysInMonth(year, month) && when.tm_hour >= 0 && when.tm_hour <= 23 &&
                          when.tm_min >= 0 && when.tm_min <= 59 && when.tm_sec >= 0 && when.tm_sec <= 59;
    if (ordinary) {
        const Day& d = day(year, month, when.tm_mday);
        if (d.uniform) {
            out = daysFromCivil(year, month, when.tm_mday) * 86400 + when.tm_hour * 3600 + when.tm_min * 60 +
                  when.tm_sec - d.offset;
            return true;
        }
    }
    return libraryInstant(when, out);
}
