#include "rules/readings/VariableUnits.h"

#include <algorithm>
#include <cmath>

#include "rules/units/Units.h"
#include "store/VariableTable.h"

namespace VariableUnits {

VariableUnit of(const std::string& variableName, const Units::Preferences& units) {
    const Units::Quantity q = Units::quantityOf(variableName);
    if (q == Units::Quantity::Unitless) return VariableUnit{};  // Mood, and variables added by hand
    const Units::Unit& shown = Units::shown(q, units);
    // A page for a reader, not a form: the file's unit as a page names it
    // (the pulse's in words).
    const Variable* variable = VariableTable::findByNameOrLabel(variableName);
    const bool asFiled = variable && Units::isStored(q, units);
    return VariableUnit{asFiled ? variable->pageUnit : shown.shown, shown.decimals};
}

int decimalsOf(double value, int least) {
    if (!std::isfinite(value)) return least;
    int d = least < 0 ? 0 : least;
    double scale = std::pow(10.0, d);
    for (; d < kMostDecimals; ++d, scale *= 10) {
        const double scaled = value * scale;
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scale) break;
    }
    return d;
}

double rounded(double value, int decimals) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 9) return value;
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (std::fabs(scaled) >= 1e15) return value;
    // A value that lies half way but for the binary fraction it is stored
    // with (1.45 is 1.4499999999999999556) is half way.
    const double whole = std::trunc(scaled);
    const double fraction = std::fabs(scaled - whole);
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(scaled));
    if (std::fabs(fraction - 0.5) <= tolerance) return (whole + (scaled < 0 ? -1 : 1)) / scale;
    return std::round(scaled) / scale;
}

std::string number(double value, int decimals) {
    std::string text = Units::fixed(rounded(value, decimals), decimals);
    // A negative value that rounds to zero shows as zero.
    const std::size_t digits = text[0] == '-' ? 1 : 0;
    if (text.find_first_not_of("0.", digits) == std::string::npos) return text.substr(digits);
    return text;
}

std::string withUnit(const std::string& numberText, const char* unit) { return Units::withUnit(numberText, unit); }

}  // namespace VariableUnits
