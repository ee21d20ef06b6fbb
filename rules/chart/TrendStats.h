// The statistics of one series in the trend panel: average, minimum and
// maximum of its shown points, as the texts the panel shows.
#pragma once

#include <string>

#include "rules/chart/PointMap.h"

struct TrendTexts {
    std::string average;  // "%.2f"; empty without points
    std::string minimum;  // "%.1f"; empty without points
    std::string maximum;  // "%.1f"; empty without points
};

// Longest statistic text the panel shows; longer ones use "%.6g".
constexpr std::size_t kMaxStatText = 15;

TrendTexts computeStats(PointMap::const_iterator begin, PointMap::const_iterator end);
inline TrendTexts computeStats(const PointMap& points) { return computeStats(points.begin(), points.end()); }

// A statistic formatted with fmt, or with "%.6g" when that would be longer
// than kMaxStatText characters.
std::string statText(const char* fmt, double value);
