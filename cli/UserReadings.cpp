#include "cli/UserReadings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "store/Global.h"
#include "ui/measurements/EntryRules.h"

namespace readings {

std::int64_t keyOf(const std::tm& when, int year) {
    std::int64_t k = year;
    k = k * 13 + when.tm_mon;
    k = k * 32 + when.tm_mday;
    k = k * 24 + when.tm_hour;
    k = k * 60 + when.tm_min;
    return k * 60 + when.tm_sec;
}

UserReadings read(const UserRecord& record, const XmlNode* patient) {
    UserReadings user;
    user.record = record;
    for (const XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
        VariableReadings variable;
        variable.node = v;
        const XmlAttribute* name = v->first_attribute();
        if (name) variable.name.assign(name->value(), name->value_size());
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            EntryReading entry;
            entry.node = e;
            entry.id = Global::attributeText(e, "id");
            entry.date = Global::childText(e, "date");
            entry.time = Global::childText(e, "time");
            for (const XmlNode* c = e->first_node(); c; c = c->next_sibling()) {
                const std::string element(c->name(), c->name_size());
                if (element == "date" || element == "time") continue;
                entry.values.push_back({element == "value" ? std::string() : element, Global::textOf(c)});
            }
            entry.readable = EntryRules::readFields(entry.date, entry.time, entry.when, &entry.typedYear);
            if (entry.readable == 0) entry.key = keyOf(entry.when, entry.typedYear);
            variable.entries.push_back(entry);
        }
        user.variables.push_back(variable);
    }
    return user;
}

std::string isoText(const EntryReading& entry) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", entry.typedYear, entry.when.tm_mon + 1,
                  entry.when.tm_mday, entry.when.tm_hour, entry.when.tm_min, entry.when.tm_sec);
    return text;
}

namespace {

// Reads exactly `digits` digits.
bool digits(const char*& p, int count, int& out) {
    out = 0;
    for (int i = 0; i < count; ++i, ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        out = out * 10 + (*p - '0');
    }
    return true;
}

bool day(const char*& p, int& year, int& month, int& dayOfMonth) {
    return digits(p, 4, year) && *p++ == '-' && digits(p, 2, month) && *p++ == '-' && digits(p, 2, dayOfMonth);
}

}  // namespace

bool readIsoDay(const std::string& text, int& year, int& month, int& dayOfMonth) {
    const char* p = text.c_str();
    return day(p, year, month, dayOfMonth) && *p == '\0';
}

bool readIsoTime(const std::string& text, std::tm& when) {
    const char* p = text.c_str();
    int year = 0, month = 0, dayOfMonth = 0, hour = 0, minute = 0, second = 0;
    if (!day(p, year, month, dayOfMonth)) return false;
    if (*p != 'T' && *p != ' ') return false;
    ++p;
    if (!(digits(p, 2, hour) && *p++ == ':' && digits(p, 2, minute))) return false;
    if (*p == ':' && !(++p, digits(p, 2, second))) return false;
    if (*p != '\0') return false;
    when = std::tm{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = dayOfMonth;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    when.tm_isdst = -1;
    return true;
}

std::string windowDate(const std::tm& when) { return EntryRules::initialDateText(when); }

std::string windowTime(const std::tm& when) {
    // Hours past 23 have no 12-hour form; given as typed they are refused.
    if (when.tm_hour > 23) {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.tm_hour, when.tm_min, when.tm_sec);
        return text;
    }
    return EntryRules::initialTimeText(when);
}

}  // namespace readings
