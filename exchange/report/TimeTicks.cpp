#include "exchange/report/TimeTicks.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "exchange/report/ReportPeriod.h"
#include "platform/Platform.h"
#include "rules/time/LocalDayClock.h"

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Candidate {
    TimeTicks::Kind kind;
    int step;
};

// Finest first.
const Candidate kCandidates[] = {
    {TimeTicks::Kind::Hours, 1},  {TimeTicks::Kind::Hours, 2},   {TimeTicks::Kind::Hours, 3},
    {TimeTicks::Kind::Hours, 6},  {TimeTicks::Kind::Hours, 12},  {TimeTicks::Kind::Days, 1},
    {TimeTicks::Kind::Days, 2},   {TimeTicks::Kind::Days, 7},    {TimeTicks::Kind::Days, 14},
    {TimeTicks::Kind::Months, 1}, {TimeTicks::Kind::Months, 2},  {TimeTicks::Kind::Months, 3},
    {TimeTicks::Kind::Months, 6}, {TimeTicks::Kind::Months, 12}, {TimeTicks::Kind::Months, 24},
    {TimeTicks::Kind::Months, 60}, {TimeTicks::Kind::Months, 120}, {TimeTicks::Kind::Months, 600},
};

constexpr int kSecondsPerHour = 3600;
// Hours are labelled only over a few days, days only over a few months.
constexpr std::int64_t kMostHourDays = 4;
constexpr std::int64_t kMostDayTicks = 400;

std::int64_t floorMod(std::int64_t a, std::int64_t b) { return ((a % b) + b) % b; }

std::string twoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string dayText(const std::tm& t, Units::DateStyle dates) { return ReportPeriod::shownDay(t, dates); }

std::int64_t localDay(std::int64_t instant) {
    std::tm t{};
    platform::instantToLocal(instant, t);
    return LocalDayClock::daysFromCivil(t.tm_year + 1900LL, t.tm_mon + 1, t.tm_mday);
}

// The instant of a local clock reading; false when it does not exist
// (skipped by a change to summer time).
bool instantOf(LocalDayClock& clock, std::int64_t day, int hour, std::int64_t& out) {
    std::tm t = LocalDayClock::civilFromDays(day);
    t.tm_hour = hour;
    t.tm_min = t.tm_sec = 0;
    if (!clock.toInstant(t, out)) return false;
    std::tm back{};
    return platform::instantToLocal(out, back) && back.tm_hour == hour;
}

std::vector<TimeTick> ticksOf(const Candidate& c, std::int64_t from, std::int64_t to, Units::DateStyle dates) {
    std::vector<TimeTick> out;
    LocalDayClock clock;
    const std::int64_t first = localDay(from), last = localDay(to);
    const auto add = [&](std::int64_t day, int hour, std::string label, std::string second = "") {
        std::int64_t at = 0;
        if (instantOf(clock, day, hour, at) && at >= from && at <= to)
            out.push_back(TimeTick{at, std::move(label), std::move(second)});
    };
    switch (c.kind) {
        case TimeTicks::Kind::Hours:
            for (std::int64_t day = first; day <= last; ++day) {
                const std::string date = dayText(LocalDayClock::civilFromDays(day), dates);
                bool dated = false;
                for (int hour = 0; hour < 24; hour += c.step) {
                    const std::size_t before = out.size();
                    add(day, hour, twoDigits(hour) + ":00", dated ? "" : date);
                    dated = dated || out.size() > before;
                }
            }
            break;
        case TimeTicks::Kind::Days:
            for (std::int64_t day = first; day <= last; ++day) {
                // Weeks and fortnights begin on Mondays (1970-01-05 was one).
                if (floorMod(c.step >= 7 ? day - 4 : day, c.step) != 0) continue;
                add(day, 0, dayText(LocalDayClock::civilFromDays(day), dates));
            }
            break;
        case TimeTicks::Kind::Months: {
            const std::tm a = LocalDayClock::civilFromDays(first), b = LocalDayClock::civilFromDays(last);
            for (std::int64_t m = (a.tm_year + 1900LL) * 12 + a.tm_mon; m <= (b.tm_year + 1900LL) * 12 + b.tm_mon;
                 ++m) {
                if (m % c.step != 0) continue;
                const std::int64_t year = m / 12;
                const int month = static_cast<int>(m % 12);
                const std::string label =
                    c.step >= 12 ? std::to_string(year) : std::string(kMonths[month]) + " " + std::to_string(year);
                add(LocalDayClock::daysFromCivil(year, month + 1, 1), 0, label);
            }
            break;
        }
    }
    return out;
}

double widthOf(const TimeTick& t, double fontSize) {
    return std::max(TimeTicks::labelWidth(t.label, fontSize), TimeTicks::labelWidth(t.second, fontSize));
}

bool apart(const std::vector<TimeTick>& ticks, std::int64_t from, std::int64_t to, double width, double fontSize) {
    const double perSecond = to > from ? width / static_cast<double>(to - from) : 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const double distance = static_cast<double>(ticks[i].instant - ticks[i - 1].instant) * perSecond;
        const double needed =
            (widthOf(ticks[i], fontSize) + widthOf(ticks[i - 1], fontSize)) / 2 + TimeTicks::gap(fontSize);
        if (distance < needed) return false;
    }
    return true;
}

}  // namespace

double TimeTicks::labelWidth(const std::string& text, double fontSize) {
    // DejaVu Sans' advances in em: capitals up to 0.78, digits and small
    // letters up to 0.64, the separators 0.37.
    double em = 0;
    for (char c : text) {
        const bool separator = c == '-' || c == ':' || c == ' ';
        em += c >= 'A' && c <= 'Z' ? 0.78 : separator ? 0.37 : 0.64;
    }
    return em * fontSize;
}

TimeTicks TimeTicks::choose(std::int64_t from, std::int64_t to, double width, double fontSize,
                             Units::DateStyle dates) {
    TimeTicks best, single;  // single: the finest step that leaves one tick
    const std::int64_t days = (to - from) / 86400 + 1;
    for (const Candidate& c : kCandidates) {
        if (c.kind == Kind::Hours && days > kMostHourDays) continue;
        if (c.kind == Kind::Days && days / c.step > kMostDayTicks) continue;
        // Too many ticks for the width even at the narrowest label.
        const double count = c.kind == Kind::Hours    ? static_cast<double>(to - from) / (c.step * kSecondsPerHour)
                             : c.kind == Kind::Days   ? static_cast<double>(days) / c.step
                                                      : static_cast<double>(days) / (30.4 * c.step);
        if (count * labelWidth("0000", fontSize) > width) continue;
        best.kind = c.kind;
        best.step = c.step;
        best.ticks = ticksOf(c, from, to, dates);
        if (best.ticks.size() >= 2 && apart(best.ticks, from, to, width, fontSize)) return best;
        if (best.ticks.size() == 1 && single.ticks.empty()) single = best;
    }
    return single.ticks.empty() ? best : single;
}
