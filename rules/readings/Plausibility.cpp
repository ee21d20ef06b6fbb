#include "rules/readings/Plausibility.h"

#include <cstdio>

#include "rules/units/Units.h"

namespace Plausibility {

const Limits kTable[] = {
    {"Pulse", 20, 300, "beats per minute"},
    {"Systolic", 40, 300, "mmHg"},
    {"Diastolic", 20, 200, "mmHg"},
    {"SpO2", 50, 100, "%"},
    {"Temperature", 77, 113, "°F"},
    {"Weight", 1, 1000, "lb"},
    {"Fasting", 10, 1000, "mg/dL"},
    {"Postprandial", 10, 1000, "mg/dL"},
    {"Mood", 1, 10, ""},
};
const int kTableSize = static_cast<int>(sizeof kTable / sizeof kTable[0]);

const Limits* limitsFor(const std::string& series) {
    for (const Limits& l : kTable)
        if (series == l.series) return &l;
    return nullptr;
}

bool outside(const std::string& series, double value) {
    const Limits* l = limitsFor(series);
    return l && (value < l->low || value > l->high);
}

std::string shortNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

std::string question(const std::string& series, double value) {
    // Told in the units the person chose; the limits are kept in the file's.
    const Units::Quantity q = Units::quantityOf(series);
    const Units::Preferences& p = Units::current();
    auto shown = [&](double v) { return Units::readingText(q, v, p); };
    auto unit = [&](const std::string& t) { return p.named ? Units::withUnit(t, q, p) : t; };
    const Limits* l = limitsFor(series);
    std::string text = series + " " + unit(shown(value)) + " is outside what can be measured on a person";
    if (l) text += " (" + shown(l->low) + " to " + unit(shown(l->high)) + ")";
    return text + ". Save it anyway?";
}

}  // namespace Plausibility
