#include "exchange/UserReadings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "rules/readings/EntryRules.h"
#include "rules/time/LocalDayClock.h"
#include "store/Global.h"

namespace readings {

std::int64_t keyOf(const std::tm& when, int year) {
    std::int64_t k = year;
    k = k * 13 + when.tm_mon;
    k = k * 32 + when.tm_mday;
    k = k * 24 + when.tm_hour;
    k = k * 60 + when.tm_min;
    return k * 60 + when.tm_sec;
}

namespace {

// The number of the two digits at text[at], or -1 when they are not two digits.
int twoDigits(const char* text, int at) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return digit(text[at]) && digit(text[at + 1]) ? (text[at] - '0') * 10 + (text[at + 1] - '0') : -1;
}

}  // namespace

EntryRules::Refusal readWhen(const char* date, const char* time, std::tm& when, int& typedYear) {
    // "2026/03/05" and "08:30:00 AM" (or am, PM, pm), each field within its range.
    const int century = twoDigits(date, 0), years = century < 0 ? -1 : twoDigits(date, 2);
    const int month = years < 0 || date[4] != '/' ? -1 : twoDigits(date, 5);
    const int day = month < 0 || date[7] != '/' ? -1 : twoDigits(date, 8);
    const int hour = day < 0 || date[10] != '\0' ? -1 : twoDigits(time, 0);
    const int minute = hour < 0 || time[2] != ':' ? -1 : twoDigits(time, 3);
    const int second = minute < 0 || time[5] != ':' ? -1 : twoDigits(time, 6);
    const char a = second < 0 || time[8] != ' ' ? '\0' : time[9];
    const bool upper = a == 'A' || a == 'P';
    const bool plain = (upper || a == 'a' || a == 'p') && time[10] == (upper ? 'M' : 'm') && time[11] == '\0';
    if (!plain || month < 1 || month > 12 || day < 1 || day > 31 || minute > 59 || second > 59)
        return EntryRules::readFields(date, time, when, &typedYear);
    const int year = century * 100 + years;
    std::tm read{};
    read.tm_year = (year < 1970 ? 1970 : year) - 1900;
    read.tm_mon = month - 1;
    read.tm_mday = day;
    read.tm_hour = hour % 12 + (a == 'P' || a == 'p' ? 12 : 0);
    read.tm_min = minute;
    read.tm_sec = second;
    read.tm_isdst = -1;
    when = read;
    typedYear = year;
    return EntryRules::Refusal::NotRefused;
}

EntryReading readEntry(const XmlNode* e) {
    EntryReading entry;
    entry.node = e;
    entry.id = Global::attributeText(e, "id");
    // The first date and time children, found in one walk.
    const XmlNode* date = nullptr;
    const XmlNode* time = nullptr;
    for (const XmlNode* c = e->first_node(); c && !(date && time); c = c->next_sibling()) {
        if (c->name_size() != 4) continue;
        if (!date && std::memcmp(c->name(), "date", 4) == 0) date = c;
        if (!time && std::memcmp(c->name(), "time", 4) == 0) time = c;
    }
    entry.date = Global::textOf(date);
    entry.time = Global::textOf(time);
    entry.readable = readWhen(entry.date, entry.time, entry.when, entry.typedYear) == EntryRules::Refusal::NotRefused;
    if (entry.readable) entry.key = keyOf(entry.when, entry.typedYear);
    return entry;
}

UserReadings read(const UserRecord& record, const XmlNode* patient, Depth depth) {
    UserReadings user;
    user.record = record;
    for (const XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
        VariableReadings variable;
        variable.node = v;
        const XmlAttribute* name = v->first_attribute();
        if (name) variable.name.assign(name->value(), name->value_size());
        if (depth == Depth::WithEntries) {
            std::size_t count = 0;
            for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) ++count;
            variable.entries.reserve(count);
            for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry"))
                variable.entries.push_back(readEntry(e));
        }
        user.variables.push_back(std::move(variable));
    }
    return user;
}

std::map<std::string, std::string> valuesOf(const EntryReading& entry) {
    std::map<std::string, std::string> values;
    forEachValue(entry, [&values](std::string_view member, std::string_view text) {
        const std::string stored(text);
        double value = 0;
        const bool number = EntryRules::readValue(stored, value) == EntryRules::ValueRead::Number;
        values[std::string(member)] = number ? EntryRules::valueText(value) : stored;
    });
    return values;
}

std::size_t isoText(const EntryReading& entry, char* text) {
    const std::tm& w = entry.when;
    if (entry.typedYear < 0 || entry.typedYear > 9999)
        return static_cast<std::size_t>(std::snprintf(text, 32, "%04d-%02d-%02dT%02d:%02d:%02d", entry.typedYear,
                                                      w.tm_mon + 1, w.tm_mday, w.tm_hour, w.tm_min, w.tm_sec));
    // Written digit by digit: an export writes one of these per row.
    auto two = [text](int at, int value) {
        text[at] = static_cast<char>('0' + value / 10);
        text[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(0, entry.typedYear / 100);
    two(2, entry.typedYear % 100);
    text[4] = text[7] = '-';
    two(5, w.tm_mon + 1);
    two(8, w.tm_mday);
    text[10] = 'T';
    two(11, w.tm_hour);
    text[13] = text[16] = ':';
    two(14, w.tm_min);
    two(17, w.tm_sec);
    text[19] = '\0';
    return 19;
}

std::string isoText(const EntryReading& entry) {
    char text[32];
    return std::string(text, isoText(entry, text));
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
    if (!day(p, year, month, dayOfMonth) || *p != '\0' || month < 1 || month > 12) return false;
    return dayOfMonth >= 1 && dayOfMonth <= LocalDayClock::daysInMonth(year, month);
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
