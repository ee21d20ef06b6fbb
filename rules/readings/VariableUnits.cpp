#include "rules/readings/VariableUnits.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "rules/units/Units.h"

namespace VariableUnits {

VariableUnit of(const std::string& variableName) {
    const Units::Quantity q = Units::quantityOf(variableName);
    if (q == Units::Quantity::Unitless) return VariableUnit{};  // Mood, and variables added by hand
    const Units::Unit& shown = Units::shown(q, Units::current());
    // A page for a reader, not a form: the pulse's unit in words.
    return VariableUnit{q == Units::Quantity::Pulse ? "beats per minute" : shown.shown, shown.decimals};
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

std::string number(double value, int decimals) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) {
        std::snprintf(buf, sizeof buf, "%.6g", value);
        return buf;
    }
    // A negative value that rounds to zero shows as zero.
    const char* digits = buf[0] == '-' ? buf + 1 : buf;
    if (std::strspn(digits, "0.") == std::strlen(digits)) return digits;
    return buf;
}

std::string withUnit(const std::string& numberText, const char* unit) { return Units::withUnit(numberText, unit); }

}  // namespace VariableUnits
