#include "rules/readings/HomePressureProtocol.h"

#include <map>

#include "rules/time/LocalDayClock.h"

namespace HomePressureProtocol {

const char* const kGuideline = "European Society of Hypertension";

namespace {

struct Day {
    bool morning = false;
    bool evening = false;
};

std::int64_t dayOf(const std::tm& local) {
    return LocalDayClock::daysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday);
}

bool isMorning(const std::tm& local) { return local.tm_hour < kMorningUntil; }
bool isEvening(const std::tm& local) { return local.tm_hour >= kEveningFrom; }

// The morning and evening days among the 7 days ending on `last`.
void countDays(const std::map<std::int64_t, Day>& days, std::int64_t last, HomeSeries& out) {
    out.firstDay = last - (kDays - 1);
    out.lastDay = last;
    out.morningDays = out.eveningDays = 0;
    for (auto it = days.lower_bound(out.firstDay); it != days.end() && it->first <= last; ++it) {
        out.morningDays += it->second.morning;
        out.eveningDays += it->second.evening;
    }
}

}  // namespace

bool find(const std::vector<HomeReading>& readings, HomeSeries& out) {
    out = HomeSeries{};
    if (readings.empty()) return false;
    std::map<std::int64_t, Day> days;
    for (const HomeReading& r : readings) {
        Day& d = days[dayOf(r.local)];
        d.morning = d.morning || isMorning(r.local);
        d.evening = d.evening || isEvening(r.local);
    }

    // From the latest day back: the first day that ends 7 complete days.
    for (auto it = days.rbegin(); it != days.rend(); ++it) {
        countDays(days, it->first, out);
        if (out.morningDays == kDays && out.eveningDays == kDays) {
            out.complete = true;
            break;
        }
    }
    if (!out.complete) {
        countDays(days, days.rbegin()->first, out);
        return true;
    }

    long double systolic = 0, diastolic = 0;
    for (const HomeReading& r : readings) {
        const std::int64_t day = dayOf(r.local);
        if (day <= out.firstDay || day > out.lastDay) continue;  // the first day is left out
        if (!isMorning(r.local) && !isEvening(r.local)) continue;
        systolic += r.systolic;
        diastolic += r.diastolic;
        ++out.readingsUsed;
    }
    out.systolic = static_cast<double>(systolic / out.readingsUsed);
    out.diastolic = static_cast<double>(diastolic / out.readingsUsed);
    return true;
}

std::string missingText(const HomeSeries& series) {
    if (series.complete) return "";
    const auto part = [](const char* when, int n) {
        return std::string(when) + " readings on " + std::to_string(n) + " of " + std::to_string(kDays) + " days";
    };
    std::string text;
    if (series.morningDays < kDays) text = part("morning", series.morningDays);
    if (series.eveningDays < kDays) text += (text.empty() ? "" : " and ") + part("evening", series.eveningDays);
    return text;
}

}  // namespace HomePressureProtocol
