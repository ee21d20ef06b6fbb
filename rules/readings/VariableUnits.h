// The unit each variable's values are shown with on a page, and the fewest
// decimals they are shown with: the unit the preferences choose (Units).
#pragma once

#include <string>

#include "rules/units/Units.h"

struct VariableUnit {
    const char* unit = "";  // "mmHg", "°F"; empty for a variable without one (Mood)
    int decimals = 0;       // the fewest decimals its values are shown with
};

namespace VariableUnits {

// Most decimals a value is ever shown with.
constexpr int kMostDecimals = 2;

// The unit of a variable by its stored name ("Blood Pressure" for both of
// its members); an unknown variable has no unit and no fixed decimals.
VariableUnit of(const std::string& variableName, const Units::Preferences& units);

// The fewest decimals, from `least` up to kMostDecimals, that show a value
// exactly (to a millionth).
int decimalsOf(double value, int least);

// A value rounded to `decimals` decimals half away from zero, as people
// round: 136.5 to 137, -0.25 to -0.3, 1.45 to 1.5.
double rounded(double value, int decimals);

// A value with a fixed number of decimals, rounded as rounded() rounds:
// "72", "98.6", "-0" as "0"; a value too long to show in full in its short
// form ("1e+300").
std::string number(double value, int decimals);

// A number text with its unit: "72 beats per minute", "96%", "7"; the
// percent sign follows the number directly, every other unit after a space.
std::string withUnit(const std::string& numberText, const char* unit);

}  // namespace VariableUnits
