// The values a living person can have, per quantity of the template's
// variables: a reading outside them is asked about before it is stored, and
// a negative one is refused. Variables a person adds by hand have no range.
#pragma once

#include <string>

#include "rules/units/Units.h"

namespace Plausibility {

struct Limits {
    const char* series;  // the chart series / value the limits belong to
    double low;
    double high;
    const char* unit;    // as the README lists it; empty where there is none
};

// The limits of a series ("Pulse", "Systolic", "Fasting", ...), or null for
// a variable a person added.
const Limits* limitsFor(const std::string& series);

// True when value lies outside the limits of its series (never for a series
// without limits).
bool outside(const std::string& series, double value);

// "Pulse 720 /min is outside what can be measured on a person (20 to 300 /min).
// Save it anyway?", in the units the person chose; value is in the file's unit.
std::string question(const std::string& series, double value, const Units::Preferences& units);

// Why an imported value is refused: "Temperature 36.8 °F is outside what
// can be measured on a person (77 to 113 °F)", the value in the unit the
// imported file gave it in (null: the data files' unit), then in the units
// the person chose where those differ ("..., 2.67 °C in the chosen units
// (25 to 45 °C)"); value is in the data files' unit.
std::string importReason(const std::string& series, double value, const Units::Unit* fileUnit,
                         const Units::Preferences& units);

// A value as a person writes it: 720, 36.8, 98.6 (no trailing zeros).
std::string shortNumber(double value);

}  // namespace Plausibility
