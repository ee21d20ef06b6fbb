#include "exchange/report/ReportData.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "rules/chart/ChartMath.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "rules/units/Units.h"
#include "store/VariableTable.h"

namespace {

constexpr double kFeverFahrenheit = 100.4;  // 38.0 °C

PointMap within(const PointMap& all, std::int64_t from, std::int64_t to) {
    TimeKey a, b;
    a.instant = from;
    b.instant = to;
    return PointMap(all.lower_bound(a), all.upper_bound(b));
}

ReportSeries makeSeries(XmlNode* variable, const std::string& variableName, const std::string& element,
                        std::size_t member, std::size_t members, std::int64_t from, std::int64_t to,
                        const Units::Preferences& units) {
    ReportSeries s;
    s.element = element;
    s.name = variableName;
    if (members > 1) {
        // A member is named as the chart names it ("Systolic").
        const Variable* known = VariableTable::find(variableName);
        const VariableMember* m = known ? known->member(element) : nullptr;
        s.name = m ? m->label : element;
    }
    s.points = within(DisplayMenuRules::seriesPoints(variable, element.c_str(), units), from, to);

    const ChartMath::NormalRange range = ChartMath::normalRange(variable, s.name, units);
    s.hasNormal = (range.lo != 0 || range.hi != 0) && range.lo <= range.hi;
    s.normalLow = range.lo;
    s.normalHigh = range.hi;

    // Texts in the order normalLow, normalHigh, panicLow, panicHigh, each
    // row holding the members in order.
    const std::vector<std::string> texts = RangeRules::readTexts(variable, variableName);
    const std::size_t n = members > 1 ? members : 1;
    if (texts.size() == 4 * n) {
        s.hasPanicLow = RangeRules::readLimit(texts[2 * n + member], variableName, s.panicLow);
        s.hasPanicHigh = RangeRules::readLimit(texts[3 * n + member], variableName, s.panicHigh);
        // In the unit the readings and the normal range are shown in.
        const Units::Quantity q = Units::quantityOf(variableName);
        s.panicLow = Units::toShown(q, s.panicLow, units);
        s.panicHigh = Units::toShown(q, s.panicHigh, units);
    }
    return s;
}

// SpO2 below 92 % and temperatures from 38.0 °C (100.4 °F), whatever the
// person's own range.
ClinicalLimit clinicalLimit(const std::string& name, Units::Quantity quantity, const Units::Preferences& units) {
    ClinicalLimit c;
    if (VariableTable::is(name, VariableId::SpO2)) {
        c.set = true;
        c.value = 92;
        c.what = "below 92%";
    } else if (VariableTable::is(name, VariableId::Temperature)) {
        c.set = true;
        c.atOrAbove = true;
        c.value = Units::toShown(quantity, kFeverFahrenheit, units);
        c.what = "fevers";
    }
    return c;
}

// The details of the variable's readings that its series show.
void gatherDetails(const XmlNode* v, ReportVariable& variable) {
    for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
        ReadingDetails details = ReadingDetails::of(e);
        if (details.empty()) continue;
        std::tm when{};
        if (EntryRules::readFields(Global::childText(e, "date"), Global::childText(e, "time"), when) !=
            EntryRules::Refusal::NotRefused)
            continue;
        const TimeKey key = TimeKey::fromTm(when);
        bool shown = false;
        for (const ReportSeries& s : variable.series) {
            const auto p = s.points.lower_bound(key);
            shown = shown || (p != s.points.end() && p->first.instant == key.instant);
        }
        if (!shown || variable.details.count(key.instant)) continue;
        if (details.irregular) ++variable.irregular;
        variable.details.emplace(key.instant, std::move(details));
    }
}

}  // namespace

bool ClinicalLimit::counts(double reading, int decimals) const {
    if (!set) return false;
    // As the page shows both: 37.96 °C is a fever of 38.0.
    const double shown = VariableUnits::rounded(reading, decimals);
    const double limit = VariableUnits::rounded(value, decimals);
    return atOrAbove ? shown >= limit : shown < limit;
}

ReportSeries::Place ReportSeries::place(double value) const {
    if (!hasNormal) return Place::Unranged;
    if (value < normalLow) return Place::Below;
    if (value > normalHigh) return Place::Above;
    return Place::Inside;
}

bool ReportSeries::beyondPanic(double value) const {
    return (hasPanicLow && value < panicLow) || (hasPanicHigh && value > panicHigh);
}

namespace ReportData {

std::vector<ReportVariable> gather(XmlNode* patient, std::int64_t from, std::int64_t to,
                                   const Units::Preferences& units) {
    std::vector<ReportVariable> out;
    if (!patient) return out;
    for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable")) {
        const XmlAttribute* nameAttr = v->first_attribute();
        if (!nameAttr) continue;
        ReportVariable variable;
        variable.name.assign(nameAttr->value(), nameAttr->value_size());
        const std::vector<const char*> members = RangeRules::memberNames(variable.name);
        if (members.empty()) {
            variable.series.push_back(makeSeries(v, variable.name, "value", 0, 1, from, to, units));
        } else {
            for (std::size_t m = 0; m < members.size(); ++m)
                variable.series.push_back(makeSeries(v, variable.name, members[m], m, members.size(), from, to, units));
        }
        bool any = false;
        for (const ReportSeries& s : variable.series) any = any || !s.points.empty();
        if (!any) continue;
        gatherDetails(v, variable);
        // The unit's decimals, or more when a reading or a limit as filed
        // needs them. Values converted from the file's unit show with the
        // unit's own decimals: 180 mg/dL as 10.0 mmol/L, never 9.99.
        const VariableUnit unit = VariableUnits::of(variable.name, units);
        const Units::Quantity quantity = Units::quantityOf(variable.name);
        variable.unit = unit.unit;
        variable.title = unitTitle(variable.name, units);
        variable.clinical = clinicalLimit(variable.name, quantity, units);
        int decimals = unit.decimals;
        const bool asFiled = quantity == Units::Quantity::Unitless || Units::isStored(quantity, units);
        for (const ReportSeries& s : variable.series) {
            if (!asFiled) break;
            for (const auto& p : s.points) decimals = VariableUnits::decimalsOf(p.second, decimals);
            if (s.hasNormal) {
                decimals = VariableUnits::decimalsOf(s.normalLow, decimals);
                decimals = VariableUnits::decimalsOf(s.normalHigh, decimals);
            }
            if (s.hasPanicLow) decimals = VariableUnits::decimalsOf(s.panicLow, decimals);
            if (s.hasPanicHigh) decimals = VariableUnits::decimalsOf(s.panicHigh, decimals);
        }
        variable.decimals = decimals;
        variable.decimalComma = units.decimalComma;
        variable.dates = units.dateStyle;
        out.push_back(std::move(variable));
    }
    return out;
}

std::string valueText(const ReportVariable& variable, double value) {
    std::string text = VariableUnits::number(value, variable.decimals);
    if (!variable.decimalComma) return text;
    Units::Preferences comma;
    comma.decimalComma = true;
    return Units::marked(text, comma);
}

std::string valueWithUnit(const ReportVariable& variable, double value) {
    return VariableUnits::withUnit(valueText(variable, value), variable.unit);
}

std::string unitTitle(const std::string& variableName, const Units::Preferences& units) {
    // A report always names its units, whether or not the windows do.
    Units::Preferences p = units;
    p.named = true;
    return Units::label(variableName, Units::quantityOf(variableName), p);
}

std::vector<Row> rowsNewestFirst(const ReportVariable& variable) {
    // Walks every series from its newest reading back, taking the newest
    // instant of all each time; series that share the instant share the row.
    const std::size_t n = variable.series.size();
    std::vector<PointMap::const_reverse_iterator> at, end;
    std::size_t total = 0;
    for (const ReportSeries& s : variable.series) {
        at.push_back(s.points.rbegin());
        end.push_back(s.points.rend());
        total += s.points.size();
    }
    std::vector<Row> rows;
    rows.reserve(total);
    for (;;) {
        const PointTime* newest = nullptr;
        for (std::size_t i = 0; i < n; ++i)
            if (at[i] != end[i] && (!newest || newest->instant < at[i]->first.instant)) newest = &at[i]->first;
        if (!newest) break;
        Row row{TimeKey::fromInstant(newest->instant), std::vector<double>(n, std::nan("")), nullptr};
        const auto said = variable.details.find(row.when.instant);
        if (said != variable.details.end()) row.details = &said->second;
        for (std::size_t i = 0; i < n; ++i) {
            if (at[i] != end[i] && at[i]->first.instant == row.when.instant) {
                row.values[i] = at[i]->second;
                ++at[i];
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ReportData
