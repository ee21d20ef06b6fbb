#include "rules/readings/Plausibility.h"

#include <cstdio>
#include <vector>

#include "rules/units/Units.h"
#include "store/VariableTable.h"

namespace Plausibility {

const Limits* limitsFor(const std::string& series) {
    // One row per member of the table's variables, in its order.
    static const std::vector<Limits> limits = [] {
        std::vector<Limits> rows;
        for (const Variable& v : VariableTable::all())
            for (const VariableMember& m : v.members)
                rows.push_back({m.label, m.plausibleLow, m.plausibleHigh, v.pageUnit});
        return rows;
    }();
    for (const Limits& l : limits)
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

std::string question(const std::string& series, double value, const Units::Preferences& units) {
    // Told in the units the person chose; the limits are kept in the file's.
    const Units::Quantity q = Units::quantityOf(series);
    auto shown = [&](double v) { return Units::readingText(q, v, units); };
    auto unit = [&](const std::string& t) { return Units::withUnit(t, q, units); };
    const Limits* l = limitsFor(series);
    std::string text = series + " " + unit(shown(value)) + " is outside what can be measured on a person";
    if (l) text += " (" + shown(l->low) + " to " + unit(shown(l->high)) + ")";
    return text + ". Save it anyway?";
}

std::string importReason(const std::string& series, double value, const Units::Unit* fileUnit,
                         const Units::Preferences& units) {
    const Units::Quantity q = Units::quantityOf(series);
    const Units::Unit& given = fileUnit ? *fileUnit : Units::stored(q);
    const Units::Unit& chosen = Units::shown(q, units);
    const Limits* l = limitsFor(series);
    auto in = [&](const Units::Unit& u, double v) {
        return Units::trimmed(Units::toUnit(v, u), Units::kReadingDecimals);
    };
    auto limits = [&](const Units::Unit& u) {
        return l ? " (" + in(u, l->low) + " to " + Units::withUnit(in(u, l->high), u.shown) + ")" : std::string();
    };
    std::string text = series + " " + Units::withUnit(in(given, value), given.shown) +
                       " is outside what can be measured on a person" + limits(given);
    if (&chosen != &given)
        text += ", " + Units::withUnit(in(chosen, value), chosen.shown) + " in the chosen units" + limits(chosen);
    return text;
}

}  // namespace Plausibility
