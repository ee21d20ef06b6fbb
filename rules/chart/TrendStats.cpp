#include "rules/chart/TrendStats.h"

#include <cstdio>

std::string statText(const char* fmt, double value) {
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, fmt, value);
    if (n >= 0 && static_cast<std::size_t>(n) <= kMaxStatText) return std::string(buf, static_cast<std::size_t>(n));
    std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

TrendTexts computeStats(PointMap::const_iterator begin, PointMap::const_iterator end) {
    TrendTexts texts;
    if (begin == end) return texts;
    long double sum = begin->second;
    double min = begin->second, max = begin->second;
    long long count = 1;
    for (auto it = std::next(begin); it != end; ++it) {
        double v = it->second;
        if (v < min) {
            min = v;
        } else if (v > max) {
            max = v;
        }
        ++count;
        sum += v;
    }
    texts.minimum = statText("%.1f", min);
    texts.maximum = statText("%.1f", max);
    texts.average = statText("%.2f", static_cast<double>(sum / static_cast<long double>(count)));
    return texts;
}
