#include "rules/chart/DisplayMenuRules.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/NumberText.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "rules/time/LocalDayClock.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "store/VariableTable.h"

namespace {

const char* firstAttributeValue(const XmlNode* node) {
    if (!node) return "";
    const XmlAttribute* attr = node->first_attribute();
    return attr ? attr->value() : "";
}

// The decimal digits are '0' to '9' in every locale.
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A blank of the current locale. A digit never is one (blanks are not
// alphanumeric in any locale), so the common case needs no locale lookup.
bool isBlank(char c) { return !isDigit(c) && std::isspace(static_cast<unsigned char>(c)); }

// A small reader with the rules of a text stream: ">> int" skips leading
// blanks and reads an optional sign and digits; get() takes any one character.
class TextReader {
public:
    explicit TextReader(const char* text) : p_(text ? text : "") {}

    bool readInt(int& out) {
        while (*p_ && isBlank(*p_)) ++p_;
        bool negative = false;
        if (*p_ == '+' || *p_ == '-') {
            negative = (*p_ == '-');
            ++p_;
        }
        if (!isDigit(*p_)) return false;
        long long value = 0;
        while (isDigit(*p_)) {
            value = value * 10 + (*p_ - '0');
            if (value > INT_MAX) return false;
            ++p_;
        }
        out = static_cast<int>(negative ? -value : value);
        return true;
    }

    bool skipOne() {
        if (!*p_) return false;
        ++p_;
        return true;
    }

    // The next non-blank character, or 0 at the end of the text.
    char nextNonBlank() {
        while (*p_ && isBlank(*p_)) ++p_;
        return *p_ ? *p_++ : '\0';
    }

private:
    const char* p_;
};

// The current local time, the base every key starts from.
std::tm nowLocal() {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return now;
}

bool entryKeyFrom(const std::tm& base, const char* date, const char* time, std::tm& out) {
    int year = 0, month = 0, day = 0;
    TextReader d(date);
    if (!d.readInt(year) || !d.skipOne() || !d.readInt(month) || !d.skipOne() || !d.readInt(day)) return false;
    int hour = 0, minute = 0, second = 0;
    TextReader t(time);
    if (!t.readInt(hour) || !t.skipOne() || !t.readInt(minute) || !t.skipOne() || !t.readInt(second)) return false;
    char marker = t.nextNonBlank();
    if (year < INT_MIN + 1900) return false;

    std::tm key = base;
    key.tm_year = year - 1900;
    key.tm_mon = month - 1;
    key.tm_mday = day;
    if (marker == '\0') {
        // Without AM or PM the hour is taken as a 24-hour reading.
        key.tm_hour = hour;
    } else {
        key.tm_hour = hour % 12 + ((marker == 'P' || marker == 'p') ? 12 : 0);
    }
    key.tm_min = minute;
    key.tm_sec = second;
    out = key;
    return true;
}

// A value as the C library reads it: blanks before it, a sign, the
// hexadecimal form and whatever follows the number are taken as they always
// were; a value that is not finite is no point.
bool readValue(const char* text, double& out) {
    return text && NumberText::readFinite(text, out, NumberText::library(true));
}

const XmlNode* firstEntry(const XmlNode* variable) { return variable->first_node("entry"); }

}  // namespace

DisplayMenuRules::Menus DisplayMenuRules::build(XmlNode* patient) {
    Menus menus;
    if (!patient) return menus;
    // A single-valued variable whose range is charted gets one Normal Range
    // item, for the first variable element of its name.
    std::vector<const Variable*> withRange;
    for (const Variable& v : VariableTable::all())
        if (v.rangeCharted && !v.grouped()) withRange.push_back(&v);

    for (XmlNode* variable = patient->first_node("variable"); variable;
         variable = variable->next_sibling("variable")) {
        std::string name = firstAttributeValue(variable);
        if (name.size() > kMaxVariableName) {
            TRACE_MSG(1, "DisplayMenuRules::build") << "Variable name longer than " << kMaxVariableName
                                                     << " characters left out of the display menus: " << name;
            continue;
        }
        std::string path = "Vitals/" + name;
        const Variable* known = VariableTable::find(name);

        if (known && known->grouped() && known->membersTogether) {
            if (!firstEntry(variable)) continue;
            for (const VariableMember& m : known->members)
                menus.multiDisplay.push_back({path + "/" + m.label, actionOf(m.element), variable});
            menus.normalRange.push_back({path, Action::NormalRange, variable});
            menus.anyVital = true;
        } else if (known && known->grouped()) {
            // Members measured apart are offered once an entry holds them,
            // the last member first. An entry is counted for the first member
            // it holds.
            std::vector<bool> held(known->members.size());
            std::size_t heldCount = 0;
            for (const XmlNode* entry = firstEntry(variable); entry && heldCount < held.size();
                 entry = entry->next_sibling("entry")) {
                for (std::size_t m = 0; m < held.size(); ++m) {
                    if (!entry->first_node(known->members[m].element)) continue;
                    if (!held[m]) ++heldCount;
                    held[m] = true;
                    menus.anyVital = true;
                    break;
                }
            }
            for (std::size_t m = held.size(); m-- > 0;)
                if (held[m])
                    menus.multiDisplay.push_back(
                        {path + "/" + known->members[m].label, actionOf(known->members[m].element), variable});
            if (heldCount > 0) menus.normalRange.push_back({path, Action::NormalRange, variable});
        } else {
            if (!firstEntry(variable)) continue;
            menus.multiDisplay.push_back({path, Action::Value, variable});
            menus.anyVital = true;
            for (auto it = withRange.begin(); it != withRange.end(); ++it) {
                if ((*it)->name == name) {
                    menus.normalRange.push_back({path, Action::NormalRange, variable});
                    withRange.erase(it);
                    break;
                }
            }
        }
    }
    return menus;
}

DisplayMenuRules::Action DisplayMenuRules::actionOf(const std::string& element) {
    for (Action a : {Action::Value, Action::Systolic, Action::Diastolic, Action::Postprandial, Action::Fasting})
        if (element == elementName(a)) return a;
    return Action::Value;
}

const char* DisplayMenuRules::elementName(Action action) {
    switch (action) {
        case Action::Value: return "value";
        case Action::Systolic: return "systolic";
        case Action::Diastolic: return "diastolic";
        case Action::Postprandial: return "postprandial";
        case Action::Fasting: return "fasting";
        case Action::NormalRange: return nullptr;
    }
    return nullptr;
}

bool DisplayMenuRules::entryKey(const char* date, const char* time, std::tm& out) {
    return entryKeyFrom(nowLocal(), date, time, out);
}

std::vector<PointMap> DisplayMenuRules::seriesPoints(XmlNode* variable, const std::vector<std::string>& elementNames,
                                                     const Units::Preferences& units) {
    const std::size_t n = elementNames.size();
    std::vector<PointMap::Storage> points(n);
    if (!variable) return std::vector<PointMap>(n);
    std::size_t children = 0;
    for (const XmlNode* c = variable->first_node(); c; c = c->next_sibling()) ++children;
    for (PointMap::Storage& p : points) p.reserve(children);
    const std::tm base = nowLocal();
    LocalDayClock clock;
    // Points are in the unit the person chose; the file holds the stored one.
    const Units::Quantity quantity = Units::quantityOf(Global::attributeText(variable, "name"));
    auto named = [](const XmlNode* node, const char* name, std::size_t size) {
        return node->name_size() == size && std::memcmp(node->name(), name, size) == 0;
    };
    std::vector<const XmlNode*> elements(n);
    std::vector<double> values(n);
    std::vector<char> have(n);
    for (XmlNode* entry = variable->first_node("entry"); entry; entry = entry->next_sibling("entry")) {
        // The first child of each name, as first_node finds it.
        const XmlNode* date = nullptr;
        const XmlNode* time = nullptr;
        std::fill(elements.begin(), elements.end(), nullptr);
        for (const XmlNode* c = entry->first_node(); c; c = c->next_sibling()) {
            if (!date && named(c, "date", 4)) {
                date = c;
            } else if (!time && named(c, "time", 4)) {
                time = c;
            }
            for (std::size_t k = 0; k < n; ++k)
                if (!elements[k] && named(c, elementNames[k].data(), elementNames[k].size())) elements[k] = c;
        }
        if (!date || !time) continue;
        bool any = false;
        for (std::size_t k = 0; k < n; ++k) {
            have[k] = elements[k] && readValue(elements[k]->value(), values[k]);
            any = any || have[k];
        }
        if (!any) continue;
        std::tm when{};
        if (!entryKeyFrom(base, date->value(), time->value(), when)) continue;
        std::int64_t instant = 0;
        if (!clock.toInstant(when, instant)) continue;
        for (std::size_t k = 0; k < n; ++k)
            if (have[k]) points[k].push_back({PointTime{instant}, Units::toShown(quantity, values[k], units)});
    }
    std::vector<PointMap> maps;
    maps.reserve(n);
    for (PointMap::Storage& p : points) maps.push_back(PointMap::fromUnordered(std::move(p)));
    return maps;
}

std::vector<std::string> DisplayMenuRules::elementsReadWith(const XmlNode* variable, const std::string& elementName) {
    const std::string name = firstAttributeValue(variable);
    std::vector<std::string> elements;
    const Variable* known = VariableTable::find(name);
    if (known && known->grouped())
        for (const VariableMember& m : known->members) elements.push_back(m.element);
    if (std::find(elements.begin(), elements.end(), elementName) == elements.end()) return {elementName};
    return elements;
}

PointMap DisplayMenuRules::seriesPoints(XmlNode* variable, const char* elementName, const Units::Preferences& units) {
    PointMap::Storage points;
    if (!variable) return PointMap();
    // Sized once for all the variable's children (its entries and a few
    // limits): growing by doubling would leave up to twice the memory in use.
    std::size_t children = 0;
    for (const XmlNode* n = variable->first_node(); n; n = n->next_sibling()) ++children;
    points.reserve(children);
    const std::tm base = nowLocal();
    // Readings share days: their local offset is looked up once per day.
    LocalDayClock clock;
    // Points are in the unit the person chose; the file holds the stored one.
    const Units::Quantity quantity = Units::quantityOf(Global::attributeText(variable, "name"));
    for (XmlNode* entry = variable->first_node("entry"); entry; entry = entry->next_sibling("entry")) {
        const XmlNode* element = elementName ? entry->first_node(elementName) : entry->first_node();
        if (!element) continue;
        double value = 0;
        if (!readValue(element->value(), value)) continue;
        const XmlNode* date = entry->first_node("date");
        const XmlNode* time = entry->first_node("time");
        if (!date || !time) continue;
        std::tm when{};
        if (!entryKeyFrom(base, date->value(), time->value(), when)) continue;
        std::int64_t instant = 0;
        if (!clock.toInstant(when, instant)) continue;
        points.push_back({PointTime{instant}, Units::toShown(quantity, value, units)});
    }
    // A later entry at the same instant replaces the earlier one.
    return PointMap::fromUnordered(std::move(points));
}

std::vector<std::pair<std::string, std::string>> DisplayMenuRules::normalRangeSeries(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const Variable* known = path.compare(0, 7, "Vitals/") == 0 ? VariableTable::find(path.substr(7)) : nullptr;
    if (!known || !known->grouped()) return {{name, "value"}};
    std::vector<std::pair<std::string, std::string>> series;
    for (const VariableMember& m : known->members) series.push_back({m.label, m.element});
    return series;
}
