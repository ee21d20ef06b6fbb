#include "exchange/report/ReportPeriod.h"

#include <cstdio>
#include <cstdlib>

#include "exchange/UserReadings.h"
#include "platform/Platform.h"
#include "rules/units/ClockStyle.h"
#include "rules/users/InfoRules.h"

namespace {

// Midnight (or the given time) of a calendar day, local time; the day is
// normalised, so day numbers past the month's end move on.
bool instantOf(std::tm day, int hour, int minute, int second, std::int64_t& out, std::tm* normalised = nullptr) {
    day.tm_hour = hour;
    day.tm_min = minute;
    day.tm_sec = second;
    day.tm_isdst = -1;
    if (!platform::localToInstant(day, out)) return false;
    if (normalised) *normalised = day;
    return true;
}

bool readCount(const std::string& text, long& count, char& unit) {
    if (text.size() < 2) return false;
    unit = text.back();
    const std::string digits = text.substr(0, text.size() - 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 4) return false;
    count = std::strtol(digits.c_str(), nullptr, 10);
    return count >= 1 && (unit == 'd' || unit == 'y');
}

}  // namespace

std::string ReportPeriod::dayText(const std::tm& day) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
    return buf;
}

std::string ReportPeriod::shownDay(const std::tm& day, Units::DateStyle style) {
    Units::Preferences p;
    p.dateStyle = style == Units::DateStyle::DayFirst ? style : Units::DateStyle::Iso;
    return ClockStyle::date(day, p);
}

std::string ReportPeriod::recordedDayText(const std::string& recorded, Units::DateStyle style) {
    long long year = 0, month = 0, day = 0;
    if (InfoRules::readDate(recorded, year, month, day) != 3 || year < 1 || !InfoRules::dateExists(year, month, day))
        return recorded;
    std::tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = static_cast<int>(month - 1);
    t.tm_mday = static_cast<int>(day);
    return shownDay(t, style);
}

std::int64_t ReportPeriod::lastDaysStart(int days) const {
    std::tm start = lastDay;
    start.tm_mday -= days - 1;
    std::int64_t t = from;
    if (!instantOf(start, 0, 0, 0, t)) return from;
    return t < from ? from : t;
}

bool ReportPeriod::readDay(const std::string& text, std::tm& day) {
    int year = 0, month = 0, mday = 0;
    if (!readings::readIsoDay(text, year, month, mday) || year < 1970) return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = mday;
    std::int64_t t = 0;
    std::tm normalised{};
    if (!instantOf(tm, 12, 0, 0, t, &normalised)) return false;
    if (normalised.tm_year != tm.tm_year || normalised.tm_mon != tm.tm_mon || normalised.tm_mday != tm.tm_mday)
        return false;
    day = tm;
    return true;
}

bool ReportPeriod::readTypedDay(const std::string& typed, const Units::Preferences& p, std::tm& day) {
    int year = 0, month = 0, mday = 0;
    if (!ClockStyle::readDate(typed, p, year, month, mday)) return false;
    std::tm read{};
    read.tm_year = year - 1900;
    read.tm_mon = month - 1;
    read.tm_mday = mday;
    return readDay(dayText(read), day);
}

bool ReportPeriod::fromOptions(const std::string& fromOption, const std::string& toOption,
                               const std::string& lastOption, const std::tm& today, ReportPeriod& out,
                               std::string& error) {
    auto readOption = [&error](const char* option, const std::string& text, std::tm& day) {
        if (readDay(text, day)) return true;
        error = std::string(option) + ": cannot read the date \"" + text +
                "\" (expected YYYY-MM-DD, a day that exists, from 1970 on)";
        return false;
    };
    ReportPeriod p;
    if (!toOption.empty()) {
        if (!readOption("--to", toOption, p.lastDay)) return false;
    } else {
        p.lastDay = std::tm{};
        p.lastDay.tm_year = today.tm_year;
        p.lastDay.tm_mon = today.tm_mon;
        p.lastDay.tm_mday = today.tm_mday;
    }
    if (!fromOption.empty() && !lastOption.empty()) {
        error = "--from and --last cannot be given together";
        return false;
    }
    if (!fromOption.empty()) {
        if (!readOption("--from", fromOption, p.firstDay)) return false;
    } else {
        long count = 90;
        char unit = 'd';
        if (!lastOption.empty() && !readCount(lastOption, count, unit)) {
            error = "--last: cannot read \"" + lastOption + "\" (expected a number of days or years: 30d, 90d, 1y)";
            return false;
        }
        std::tm first = p.lastDay;
        if (unit == 'y') {
            first.tm_year -= static_cast<int>(count);
            first.tm_mday += 1;
        } else {
            first.tm_mday -= static_cast<int>(count) - 1;
        }
        std::int64_t t = 0;
        if (!instantOf(first, 12, 0, 0, t, &p.firstDay)) {
            error = "--last: the period would begin before 1970";
            return false;
        }
        p.firstDay.tm_hour = p.firstDay.tm_min = p.firstDay.tm_sec = 0;
        if (p.firstDay.tm_year < 70) {
            error = "--last: the period would begin before 1970";
            return false;
        }
    }
    if (!instantOf(p.firstDay, 0, 0, 0, p.from) || !instantOf(p.lastDay, 23, 59, 59, p.to)) {
        error = "the period cannot be represented in local time";
        return false;
    }
    if (p.from > p.to) {
        error = "the period begins (" + p.fromText() + ") after it ends (" + p.toText() + ")";
        return false;
    }
    out = p;
    return true;
}
