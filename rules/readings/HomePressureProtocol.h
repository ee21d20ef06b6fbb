// Home blood pressure as the European Society of Hypertension asks for it:
// readings in the morning and in the evening on 7 days in a row, the first
// day left out, the rest averaged and set beside the home threshold of
// 135/85 mmHg. Finds the last such stretch among a person's readings, or
// tells what the latest 7 days lack. Numbers only: no diagnosis.
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

struct HomeSeries {
    bool complete = false;    // a stretch of 7 days with morning and evening readings
    std::int64_t firstDay = 0;  // the 7 days looked at, in days since 1970-01-01:
    std::int64_t lastDay = 0;   // the last complete stretch, else the 7 days up to the last reading
    // A complete stretch: the averages of the morning and evening readings
    // of its days 2 to 7, and how many readings they are.
    double systolic = 0;
    double diastolic = 0;
    int readingsUsed = 0;
    // Of the 7 days looked at, those with a morning and with an evening reading.
    int morningDays = 0;
    int eveningDays = 0;
};

namespace HomePressureProtocol {

extern const char* const kGuideline;  // "European Society of Hypertension"
constexpr int kDays = 7;
constexpr int kMorningUntil = 12;  // morning: before 12:00
constexpr int kEveningFrom = 18;   // evening: from 18:00
constexpr double kSystolicThreshold = 135;
constexpr double kDiastolicThreshold = 85;

// False when there is no reading at all; the readings may come in any order.
bool find(const std::vector<HomeReading>& readings, HomeSeries& out);

// What an incomplete stretch lacks: "morning readings on 4 of 7 days and
// evening readings on 2 of 7 days"; empty for a complete one.
std::string missingText(const HomeSeries& series);

}  // namespace HomePressureProtocol
