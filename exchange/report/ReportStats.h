// The statistics of one series over the report's period, as numbers that the
// page shows in the variable's format: average, minimum and maximum (those
// of the Analysis panel for the same window), spread, and how the readings
// stand against the normal and panic limits set for the person.
#pragma once

#include <cstdint>
#include <string>

#include "exchange/report/ReportData.h"
#include "rules/chart/TrendStats.h"

struct SeriesStats {
    long long count = 0;
    double mean = 0;             // average, minimum and maximum of the readings
    double minimum = 0;
    double maximum = 0;
    double sd = 0;               // sample standard deviation, with two readings or more
    std::string insideShare;     // "87.5%"; empty without a normal range or readings
    long long below = 0;         // under the normal low limit
    long long above = 0;         // over the normal high limit
    long long beyondPanic = 0;   // under the panic low or over the panic high limit
};

// An average of some readings with their number (0: no average).
struct CountedAverage {
    double value = 0;
    long long count = 0;
};

// Blood pressure: readings before 12:00, from 18:00, and in the last seven
// days of the period.
struct TimeOfDayAverages {
    CountedAverage morning;
    CountedAverage evening;
    CountedAverage lastWeek;
};

namespace ReportStats {

SeriesStats of(const ReportSeries& series);

// lastWeekStart: the first instant of the period's last seven days.
TimeOfDayAverages timeOfDay(const PointMap& points, std::int64_t lastWeekStart);

}  // namespace ReportStats
