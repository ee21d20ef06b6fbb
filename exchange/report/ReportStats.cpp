#include "exchange/report/ReportStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Platform.h"
#include "rules/readings/VariableUnits.h"

namespace {

CountedAverage averageOf(const PointMap& points) {
    CountedAverage a;
    a.count = static_cast<long long>(points.size());
    long double sum = 0;
    for (const auto& p : points) sum += p.second;
    if (a.count) a.value = static_cast<double>(sum / a.count);
    return a;
}

}  // namespace

namespace ReportStats {

SeriesStats of(const ReportSeries& series) {
    SeriesStats s;
    s.count = static_cast<long long>(series.points.size());
    if (s.count == 0) return s;

    long double sum = 0;
    for (const auto& p : series.points) sum += p.second;
    const long double mean = sum / s.count;
    s.mean = static_cast<double>(mean);
    s.minimum = s.maximum = series.points.begin()->second;
    long double squares = 0;
    long long inside = 0;
    for (const auto& p : series.points) {
        const long double d = p.second - mean;
        s.minimum = std::min(s.minimum, p.second);
        s.maximum = std::max(s.maximum, p.second);
        squares += d * d;
        switch (series.place(p.second)) {
            case ReportSeries::Place::Inside: ++inside; break;
            case ReportSeries::Place::Below: ++s.below; break;
            case ReportSeries::Place::Above: ++s.above; break;
            case ReportSeries::Place::Unranged: break;
        }
        if (series.beyondPanic(p.second)) ++s.beyondPanic;
    }
    if (s.count > 1) s.sd = static_cast<double>(std::sqrt(squares / (s.count - 1)));
    if (series.hasNormal) s.insideShare = VariableUnits::number(100.0 * static_cast<double>(inside) / s.count, 1) + "%";
    return s;
}

TimeOfDayAverages timeOfDay(const PointMap& points, std::int64_t lastWeekStart) {
    PointMap morning, evening, lastWeek;
    for (const auto& p : points) {
        // The clock reading of the instant, whatever the entry's text held.
        std::tm local{};
        const int hour = platform::instantToLocal(p.first.instant, local) ? local.tm_hour : 0;
        if (hour < 12) morning.append(p);
        if (hour >= 18) evening.append(p);
        if (p.first.instant >= lastWeekStart) lastWeek.append(p);
    }
    return TimeOfDayAverages{averageOf(morning), averageOf(evening), averageOf(lastWeek)};
}

}  // namespace ReportStats
