#include "rules/readings/HomePressureProtocol.h"

#include <map>

#include "rules/time/LocalDayClock.h"

namespace HomePressureProtocol {

const char* const kGuideline = "European Society of Hypertension";
const char* const kGuidelineName = "2023 ESH Guidelines for the management of arterial hypertension";

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

struct Sum {
    long double systolic = 0, diastolic = 0;
    int readings = 0;
    void add(const HomeReading& r) {
        systolic += r.systolic;
        diastolic += r.diastolic;
        ++readings;
    }
    HomeAverage average() const {
        if (readings == 0) return HomeAverage{};
        return HomeAverage{static_cast<double>(systolic / readings), static_cast<double>(diastolic / readings),
                           readings};
    }
};

}  // namespace

bool raised(double systolic, double diastolic) {
    return systolic >= kSystolicThreshold || diastolic >= kDiastolicThreshold;
}

bool find(const std::vector<HomeReading>& readings, HomeSeries& out) {
    out = HomeSeries{};
    std::map<std::int64_t, Day> days;  // days with a morning or an evening reading
    for (const HomeReading& r : readings) {
        if (!isMorning(r.local) && !isEvening(r.local)) continue;
        Day& d = days[dayOf(r.local)];
        d.morning = d.morning || isMorning(r.local);
        d.evening = d.evening || isEvening(r.local);
    }
    if (days.empty()) return false;

    // From the latest day back, run by run: the first run long enough, else
    // the latest run.
    bool found = false;
    std::int64_t latestFirst = 0, latestLast = 0;
    for (auto it = days.rbegin(); it != days.rend() && !found;) {
        const std::int64_t last = it->first;
        std::int64_t first = last;
        for (++it; it != days.rend() && it->first == first - 1; ++it) first = it->first;
        if (last == days.rbegin()->first) {
            latestFirst = first;
            latestLast = last;
        }
        if (last - first + 1 >= kLeastDays) {
            out.accepted = true;
            out.firstDay = last - first + 1 > kDays ? last - (kDays - 1) : first;
            out.lastDay = last;
            found = true;
        }
    }
    if (!found) {
        out.firstDay = latestFirst;
        out.lastDay = latestLast;
    }
    out.days = static_cast<int>(out.lastDay - out.firstDay + 1);

    Sum all, morning, evening;
    for (const HomeReading& r : readings) {
        const std::int64_t day = dayOf(r.local);
        if (day < out.firstDay || day > out.lastDay) continue;
        if (!isMorning(r.local) && !isEvening(r.local)) {
            ++out.middayReadings;
        } else if (day == out.firstDay) {
            ++out.firstDayReadings;
        } else {
            all.add(r);
            (isMorning(r.local) ? morning : evening).add(r);
            if (raised(r.systolic, r.diastolic)) ++out.atOrAboveThreshold;
        }
    }
    for (auto it = days.upper_bound(out.firstDay); it != days.end() && it->first <= out.lastDay; ++it) {
        out.daysWithoutMorning += !it->second.morning;
        out.daysWithoutEvening += !it->second.evening;
    }
    out.all = all.average();
    out.morning = morning.average();
    out.evening = evening.average();
    return true;
}

}  // namespace HomePressureProtocol
