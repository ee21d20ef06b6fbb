// Home blood pressure as the European Society of Hypertension asks for it:
// readings in the morning and in the evening on 7 days in a row (at least
// 3 days accepted), every reading of a sitting counted, the first day left
// out, the rest averaged and set beside the home threshold of 135/85 mmHg.
// Takes the latest days in a row that meet the rule, and tells what they
// rest on and what was left out. Numbers only: no diagnosis.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct HomeReading {
    std::tm local{};  // the reading's local clock time (year, month, day, hour)
    double systolic = 0;
    double diastolic = 0;
};

// An average of some readings of both values with their number (0: none).
struct HomeAverage {
    double systolic = 0;
    double diastolic = 0;
    int readings = 0;
};

struct HomeSeries {
    // At least kLeastDays days in a row with a morning or an evening reading.
    bool accepted = false;
    // The days of the series (day 1 included), in days since 1970-01-01:
    // those accepted, else the latest days in a row that have readings.
    std::int64_t firstDay = 0;
    std::int64_t lastDay = 0;
    int days = 0;        // lastDay - firstDay + 1
    // Days 2 to the last: all their morning and evening readings, and those
    // of the morning and of the evening apart.
    HomeAverage all;
    HomeAverage morning;
    HomeAverage evening;
    int atOrAboveThreshold = 0;  // of `all`, readings at or above 135 or 85
    // What was left out: day 1's readings, readings between the morning
    // and the evening, and of days 2 to the last those without a morning
    // or without an evening reading.
    int firstDayReadings = 0;
    int middayReadings = 0;
    int daysWithoutMorning = 0;
    int daysWithoutEvening = 0;
};

namespace HomePressureProtocol {

extern const char* const kGuideline;      // "European Society of Hypertension"
extern const char* const kGuidelineName;  // the guideline's title, cited on the page
constexpr int kDays = 7;                  // days asked for
constexpr int kLeastDays = 3;             // days accepted at least
constexpr int kMorningUntil = 12;         // morning: before 12:00
constexpr int kEveningFrom = 18;          // evening: from 18:00
constexpr double kSystolicThreshold = 135;
constexpr double kDiastolicThreshold = 85;

// False when no reading falls in the morning or the evening; the readings
// may come in any order. The latest run of days in a row with a morning or
// an evening reading that has kLeastDays days or more, its last kDays days;
// when no run has that many, the latest run, not accepted.
bool find(const std::vector<HomeReading>& readings, HomeSeries& out);

// At or above the home threshold: 135 systolic or 85 diastolic.
bool raised(double systolic, double diastolic);

}  // namespace HomePressureProtocol
