#include "rules/readings/ReadingEdits.h"

#include <cstdlib>
#include <cstring>

#include "app/NumberText.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/Units.h"

namespace ReadingEdits {

namespace {

std::string textOf(const XmlNode* node) { return node ? std::string(node->value(), node->value_size()) : ""; }

std::string childText(const XmlNode* entry, const char* name) {
    return textOf(entry ? entry->first_node(name) : nullptr);
}

// A time already in the form the file's own times have ("07:30:00 PM": the
// hour 01 to 12, minutes and seconds 00 to 59): reading it and writing it
// again gives the same text, whatever the date.
bool inOwnForm(const XmlNode* time) {
    const char* t = time->value();
    if (time->value_size() != 11) return false;
    auto digit = [t](int i) { return t[i] >= '0' && t[i] <= '9'; };
    for (int i : {0, 1, 3, 4, 6, 7})
        if (!digit(i)) return false;
    const int hour = (t[0] - '0') * 10 + (t[1] - '0');
    return t[2] == ':' && t[5] == ':' && t[8] == ' ' && (t[9] == 'A' || t[9] == 'P') && t[10] == 'M' && hour >= 1 &&
           hour <= 12 && t[3] <= '5' && t[6] <= '5';
}

bool sameMoment(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

bool recordedAt(const XmlNode* entry, const std::tm& when) {
    std::tm read{};
    return entry &&
           EntryRules::readFields(childText(entry, "date"), childText(entry, "time"), read) ==
               EntryRules::Refusal::NotRefused &&
           sameMoment(read, when);
}

XmlNode* entryAt(XmlNode* variable, const std::tm& when, const XmlNode* except) {
    for (XmlNode* e = variable ? variable->first_node("entry") : nullptr; e; e = e->next_sibling("entry"))
        if (e != except && recordedAt(e, when)) return e;
    return nullptr;
}

std::string valuesText(const XmlNode* entry, const Units::Preferences& units) {
    // In the unit the person chose, as the windows show the value.
    const XmlNode* variable = entry ? entry->parent() : nullptr;
    const XmlAttribute* name = variable ? variable->first_attribute("name") : nullptr;
    const Units::Quantity quantity = Units::quantityOf(name ? std::string(name->value(), name->value_size()) : "");
    std::string text;
    for (const XmlNode* c = entry ? entry->first_node() : nullptr; c; c = c->next_sibling()) {
        const std::string name(c->name(), c->name_size());
        if (name == "date" || name == "time" || c->type() != rapidxml::node_element ||
            ReadingDetails::isDetail(c->name(), c->name_size()))
            continue;
        const std::string stored = textOf(c);
        double v = 0;
        const bool number = NumberText::read(stored, v, NumberText::library(false)) == NumberText::Result::Read;
        if (!text.empty()) text += "/";
        text += number ? Units::readingText(quantity, v, units) : stored;
    }
    return text.empty() ? text : Units::withUnit(text, quantity, units);
}

std::string readingLine(const XmlNode* entry, const Units::Preferences& units) {
    const XmlNode* variable = entry ? entry->parent() : nullptr;
    const XmlAttribute* name = variable ? variable->first_attribute("name") : nullptr;
    return (name ? std::string(name->value(), name->value_size()) : std::string()) + " " + valuesText(entry, units) +
           " on " + whenText(entry, units);
}

std::string whenText(const XmlNode* entry, const Units::Preferences& units) {
    return ClockStyle::shownDate(childText(entry, "date"), units) + " " +
           ClockStyle::shownTime(childText(entry, "time"), units);
}

std::string removalQuestion(const std::string& variableName, const std::vector<XmlNode*>& entries,
                            const Units::Preferences& units) {
    if (entries.size() == 1)
        return "Remove 1 reading of " + variableName + " (" + whenText(entries[0], units) + ": " +
               valuesText(entries[0], units) + ")?";
    return "Remove " + std::to_string(entries.size()) + " readings of " + variableName + "?";
}

std::string duplicateQuestion(const std::string& variableName, const XmlNode* existing,
                              const Units::Preferences& units) {
    return "There is already a " + variableName + " reading at " + whenText(existing, units) + " (" +
           valuesText(existing, units) + "). Replace it?";
}

bool replaceEntry(RapidDocument& doc, XmlNode* entry, const EntryRules::EntryPlan& plan, const std::string& date,
                  const std::string& time) {
    if (!entry || !plan.accepted() || plan.values.empty()) return false;
    auto text = [&doc](const std::string& s) { return doc.allocate_string(s.c_str(), s.size() + 1); };
    auto element = [&doc, &text](const std::string& name, const std::string& value) {
        return doc.allocate_node(rapidxml::node_element, text(name), text(value), 0, value.size());
    };
    entry->remove_all_nodes();
    for (const EntryRules::StoredValue& v : plan.values) entry->append_node(element(v.element, v.text));
    entry->append_node(element("date", date));
    entry->append_node(element("time", time));
    plan.details.appendTo(doc, entry);
    return true;
}

int normalizeTimes(RapidDocument& doc, XmlNode* patient) {
    int changed = 0;
    for (XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
        for (XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            // The entry's first time element, as first_node finds it.
            XmlNode* time = nullptr;
            for (XmlNode* c = e->first_node(); c && !time; c = c->next_sibling())
                if (c->name_size() == 4 && std::memcmp(c->name(), "time", 4) == 0) time = c;
            if (time && inOwnForm(time)) continue;
            std::tm when{};
            if (!time || EntryRules::readFields(childText(e, "date"), textOf(time), when) !=
                             EntryRules::Refusal::NotRefused)
                continue;
            const std::string own = EntryRules::initialTimeText(when);
            if (own == textOf(time)) continue;
            time->value(doc.allocate_string(own.c_str(), own.size() + 1), own.size());
            ++changed;
        }
    }
    return changed;
}

void Removal::take(const std::vector<XmlNode*>& entries) {
    for (XmlNode* e : entries) {
        XmlNode* parent = e ? e->parent() : nullptr;
        if (!parent) continue;
        taken_.push_back({e, parent, e->next_sibling()});
        parent->remove_node(e);
    }
}

void Removal::putBack() {
    // In the reverse order: each entry's later sibling is back before it is.
    for (auto it = taken_.rbegin(); it != taken_.rend(); ++it) {
        if (it->next)
            it->parent->insert_node(it->next, it->entry);
        else
            it->parent->append_node(it->entry);
    }
    taken_.clear();
}

}  // namespace ReadingEdits
