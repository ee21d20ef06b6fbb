#include "rules/readings/EntryRules.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/NumberText.h"
#include "platform/Platform.h"
#include "rules/readings/Plausibility.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/Units.h"
#include "rules/time/LocalDayClock.h"
#include "rules/users/InfoRules.h"
#include "store/VariableLookup.h"
#include "store/VariableTable.h"

namespace EntryRules {

namespace {

// Reads text the way sscanf does for formats made of %d, %s, blanks and
// literal characters, without its undefined behaviour on numbers that do
// not fit: such a number is read, clamped and marked as out of range.
class Scanner {
public:
    explicit Scanner(const char* text) : s_(text) {}

    bool number(int& out) {
        skipBlanks();
        const char* p = s_;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = (*p++ == '-');
        if (!digit(*p)) return false;
        long long v = 0;
        while (digit(*p)) {
            if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (*p - '0');
            ++p;
        }
        if (negative) v = -v;
        if (v > INT_MAX) {
            v = INT_MAX;
            overflow = true;
        } else if (v < INT_MIN) {
            v = INT_MIN;
            overflow = true;
        }
        out = static_cast<int>(v);
        s_ = p;
        return true;
    }

    bool literal(char c) {
        if (*s_ != c) return false;
        ++s_;
        return true;
    }

    bool word(std::string_view& out) {
        skipBlanks();
        const char* p = s_;
        while (*p && !blank(*p)) ++p;
        if (p == s_) return false;
        out = std::string_view(s_, static_cast<std::size_t>(p - s_));
        s_ = p;
        return true;
    }

    void skipBlanks() {
        while (*s_ && blank(*s_)) ++s_;
    }

    bool overflow = false;

    // The C locale's classes, without a call per character.
    static bool digit(char c) { return c >= '0' && c <= '9'; }
    static bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    const char* s_;
};

}  // namespace

Error refusal(Refusal why, const std::string& field) {
    const Error::Kind kind = Error::Kind::Refused;
    const char* again = "Please try again or hit \"Cancel\"";
    switch (why) {
    case Refusal::DateUnreadable:
        return Error(kind, "The date you entered could not be read.\nThe correct format is: YYYY/MM/DD", "", again);
    case Refusal::TimeUnreadable:
        return Error(kind, "The time you entered could not be read.\nThe correct format is: HH:MM:SS AM or PM", "",
                     again);
    case Refusal::BadSuffix:
        return Error(kind, "Incorrect time: please indicate AM or PM", "", kOrCancel);
    case Refusal::BadRange:
        return Error(kind, "Incorrect range for date or time values.", "", again);
    case Refusal::AfterTomorrow:
        return Error(kind, "The date is after tomorrow.\nPlease enter a date up to tomorrow", "", kOrCancel);
    case Refusal::NoSuchDay:
        return Error(kind, "The date names a day that does not exist in that month.", "", again);
    case Refusal::NoValueGiven:
        return Error(kind, "Please enter at least one value.", "", "Try again or hit \"Cancel\"");
    case Refusal::TextTooLong:
        return Error(kind, "The " + field + " you entered is longer than " + std::to_string(kMaxText) + " characters.",
                     "", "Please shorten it or hit \"Cancel\"");
    case Refusal::NotFinite:
        return Error(kind, "The " + field + " you entered is not a finite number.", "", again);
    case Refusal::ValueTooLarge:
        return Error(kind, "The " + field + " you entered is too large to be stored.", "", again);
    case Refusal::NotANumber:
        return Error(kind, "The " + field + " you entered is not a number.", "", again);
    case Refusal::Negative:
        return Error(kind, "The " + field + " you entered is below zero, which no measurement of a person can be.", "",
                     again);
    case Refusal::NameTooLong:
        return Error(kind, "The name \"" + field + "\" is longer than " + std::to_string(kMaxName) +
                               " characters.\nEntries cannot be recorded under it.");
    case Refusal::NoteTooLong:
        return Error(kind, "The note you entered is longer than " + std::to_string(ReadingDetails::kMaxNote) +
                               " characters.", "", "Please shorten it or hit \"Cancel\"");
    case Refusal::NoteUnstorable:
        return Error(kind, "The note holds a character that cannot be stored (a zero byte, or bytes that are not UTF-8 text).",
                     "", again);
    case Refusal::BadArm:
        return Error(kind, "The arm must be left or right.", "", again);
    case Refusal::BadPosition:
        return Error(kind, "The position must be sitting, standing or lying.", "", again);
    case Refusal::NotBloodPressure:
        return Error(kind, "Arm, position and an irregular heartbeat are recorded with blood pressure readings only.",
                     "", again);
    case Refusal::NotRefused:
        break;
    }
    return Error(kind, "The entry could not be recorded.");
}

std::string message(Refusal why, const std::string& field, const Units::Preferences& style, const std::tm& now) {
    const std::string again = "\nPlease try again or hit \"Cancel\"";
    switch (why) {
    case Refusal::DateUnreadable:
        return "The date you entered could not be read.\nType it as, for example: " + ClockStyle::date(now, style) +
               " (" + ClockStyle::dateOrder(style) + ")" + again;
    case Refusal::TimeUnreadable:
        return "The time you entered could not be read.\nType it as, for example: " + ClockStyle::time(now, style) +
               (style.clock24 ? " (24-hour clock)" : "") + again;
    case Refusal::BadSuffix:
        if (!style.clock24) break;
        return "Incorrect time: type the hour on the 24-hour clock, for example " + ClockStyle::time(now, style) +
               ", " + kOrCancel;
    default:
        break;
    }
    return message(why, field);
}

std::string message(Refusal why, const std::string& field) {
    const Error refused = refusal(why, field);
    // The hint that only names the button ends the reason's own sentence.
    if (refused.hint == kOrCancel) return refused.reason + " " + refused.hint;
    return refused.shown();
}

namespace {

// Two digits of a number from 0 to 99.
void twoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

std::string initialDateText(const std::tm& now) {
    const int year = now.tm_year + 1900;
    if (year >= 1000 && year <= 9999 && now.tm_mon >= 0 && now.tm_mon <= 11 && now.tm_mday >= 1 && now.tm_mday <= 31) {
        // The common case without formatted printing (imports make one per row).
        char text[10];
        twoDigits(text, year / 100);
        twoDigits(text + 2, year % 100);
        text[4] = text[7] = '/';
        twoDigits(text + 5, now.tm_mon + 1);
        twoDigits(text + 8, now.tm_mday);
        return std::string(text, sizeof text);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%02d/%02d", year, now.tm_mon + 1, now.tm_mday);
    return buffer;
}

std::string initialTimeText(const std::tm& now) {
    int h = now.tm_hour % 12;
    if (h == 0) h = 12;
    if (now.tm_hour >= 0 && now.tm_hour <= 23 && now.tm_min >= 0 && now.tm_min <= 59 && now.tm_sec >= 0 &&
        now.tm_sec <= 60) {
        char text[11];
        twoDigits(text, h);
        text[2] = text[5] = ':';
        twoDigits(text + 3, now.tm_min);
        twoDigits(text + 6, now.tm_sec);
        text[8] = ' ';
        text[9] = now.tm_hour >= 12 ? 'P' : 'A';
        text[10] = 'M';
        return std::string(text, sizeof text);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d %s", h, now.tm_min, now.tm_sec,
                  now.tm_hour >= 12 ? "PM" : "AM");
    return buffer;
}

Refusal readFields(const std::string& date, const std::string& time, std::tm& when, int* typedYear) {
    return readFields(date.c_str(), time.c_str(), when, typedYear);
}

Refusal readFields(const char* date, const char* time, std::tm& when, int* typedYear) {
    int year = 0, month = 0, day = 0;
    Scanner d(date);
    if (!(d.number(year) && d.literal('/') && d.number(month) && d.literal('/') && d.number(day)))
        return Refusal::DateUnreadable;

    // "07:30:00 PM", "7:30 pm", "19:30" and "19:30:00": the seconds may be
    // left out, and without AM or PM the hour counts on the 24-hour clock.
    int hour = 0, minute = 0, second = 0;
    std::string_view suffix;
    Scanner t(time);
    if (!(t.number(hour) && t.literal(':') && t.number(minute))) return Refusal::TimeUnreadable;
    if (t.literal(':') && !t.number(second)) return Refusal::TimeUnreadable;
    t.skipBlanks();
    const bool hasSuffix = t.word(suffix);

    const bool negativeHour = hour < 0;
    bool hourInRange = true;
    if (!hasSuffix) {
        hourInRange = hour <= 23;
    } else {
        hour %= 12;
        // Only the whole words AM, am, PM and pm are accepted.
        const bool twoLetters = suffix.size() == 2 && (suffix[1] == 'M' || suffix[1] == 'm') &&
                                ((suffix[1] == 'M') == (suffix[0] == 'A' || suffix[0] == 'P'));
        if (twoLetters && (suffix[0] == 'P' || suffix[0] == 'p'))
            hour += 12;
        else if (!(twoLetters && (suffix[0] == 'A' || suffix[0] == 'a')))
            return Refusal::BadSuffix;
    }

    if (typedYear) *typedYear = year;
    if (year < 1970) year = 1970;
    // Values the local-time conversion would move anyway; checked here so
    // that no field is taken past the range of int. A negative hour is
    // refused rather than wrapped into the afternoon.
    if (d.overflow || t.overflow || month < 1 || month > 12 || day < 1 || day > 31 || negativeHour || !hourInRange || minute < 0 ||
        minute > 59 || second < 0 || second > 59)
        return Refusal::BadRange;

    std::tm read{};
    read.tm_year = year - 1900;
    read.tm_mon = month - 1;
    read.tm_mday = day;
    read.tm_hour = hour;
    read.tm_min = minute;
    read.tm_sec = second;
    read.tm_isdst = -1;

    when = read;
    return Refusal::NotRefused;
}

namespace {

// True when the local time `read` exists as it is: the conversion keeps
// every field.
bool existsUnchanged(const std::tm& read) {
    std::tm check = read;
    check.tm_wday = -1;
    std::time_t converted = std::mktime(&check);
    if (converted == static_cast<std::time_t>(-1) && check.tm_wday == -1) return false;
    return check.tm_year == read.tm_year && check.tm_mon == read.tm_mon && check.tm_mday == read.tm_mday &&
           check.tm_hour == read.tm_hour && check.tm_min == read.tm_min && check.tm_sec == read.tm_sec;
}

// True when every second of the local day of `read` exists: the day itself
// exists and its first and last second have the same daylight-saving state.
// A day with a change of daylight saving is false here and each time is
// asked about on its own.
bool wholeDayExists(const std::tm& read) {
    std::tm first = read, last = read;
    first.tm_hour = first.tm_min = first.tm_sec = 0;
    last.tm_hour = 23;
    last.tm_min = last.tm_sec = 59;
    bool whole = existsUnchanged(first) && existsUnchanged(last);
    if (whole) {
        std::tm a = first, b = last;
        std::mktime(&a);
        std::mktime(&b);
        whole = a.tm_isdst == b.tm_isdst;
    }
    return whole;
}

}  // namespace

Refusal readWhen(const std::string& date, const std::string& time, std::tm& when) {
    std::tm read{};
    const Refusal fields = readFields(date, time, read);
    if (fields != Refusal::NotRefused) return fields;
    // A time in the hour skipped when daylight saving starts (a reading
    // made in another zone) is read as the platform places it; only a date
    // the calendar does not have is refused.
    // Only a day past the month's last asks the conversion: the readings of
    // an import read their dates without it.
    if (read.tm_mday > LocalDayClock::daysInMonth(read.tm_year + 1900LL, read.tm_mon + 1) && !wholeDayExists(read) &&
        !existsUnchanged(read))
        return Refusal::BadRange;
    when = read;
    return Refusal::NotRefused;
}

std::string nextEntryId(const char* lastId) {
    if (!lastId) return "0";
    // The leading number as atoi reads it, without its overflow.
    const char* p = lastId;
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long long v = 0;
    const long long limit = LLONG_MAX / 10 - 10;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (v < limit) v = v * 10 + (*p - '0');
        ++p;
    }
    if (negative) v = -v;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", v + 1);
    return buffer;
}

std::string valueText(double value) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%f", value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%f", value);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::string elementName(const std::string& label) {
    // A unit the label names is not part of the element ("Systolic (mmHg)").
    std::string name = label.substr(0, label.find(" ("));
    if (!name.empty()) name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

std::vector<std::string> valueLabels(const std::string& variableName) {
    const Variable* variable = VariableTable::find(variableName);
    if (!variable || !variable->grouped()) return {"Value"};
    std::vector<std::string> labels;
    for (const VariableMember& m : variable->members) labels.push_back(m.label);
    return labels;
}

int buttonRowY(int lastValueRowY) { return (200 + lastValueRowY + 30) / 2 - 20; }

const char* listedElement(const std::string& tabName) {
    if (tabName == "Vitals") return "variable";
    if (tabName == "Lab") return "lab";
    if (tabName == "Medicine") return "drug";
    return nullptr;
}

Tomorrow tomorrowOf(std::time_t now) {
    Tomorrow tomorrow;
    std::tm today{};
    if (!platform::instantToLocal(static_cast<std::int64_t>(now), today)) return tomorrow;
    tomorrow.day.tm_year = today.tm_year;
    tomorrow.day.tm_mon = today.tm_mon;
    tomorrow.day.tm_mday = today.tm_mday + 1;
    tomorrow.day.tm_hour = 12;
    tomorrow.day.tm_isdst = -1;
    std::int64_t ignored = 0;
    tomorrow.known = platform::localToInstant(tomorrow.day, ignored);
    return tomorrow;
}

bool afterTomorrow(const std::tm& when, std::time_t now) { return afterTomorrow(when, tomorrowOf(now)); }

bool afterTomorrow(const std::tm& when, const Tomorrow& tomorrow) {
    if (!tomorrow.known) return false;
    const std::tm& day = tomorrow.day;
    if (when.tm_year != day.tm_year) return when.tm_year > day.tm_year;
    if (when.tm_mon != day.tm_mon) return when.tm_mon > day.tm_mon;
    return when.tm_mday > day.tm_mday;
}

ValueRead readValue(const std::string& text, double& value) {
    switch (NumberText::read(text, value, NumberText::typed())) {
        case NumberText::Result::Empty: return ValueRead::Empty;
        case NumberText::Result::Unreadable: return ValueRead::NotANumber;
        case NumberText::Result::Read: break;
    }
    return ValueRead::Number;
}

namespace {

// True when the date reads as a month and a day of its range whose month
// has no such day (2023/02/29, 1940/02/30), on the calendar of the year typed.
bool dayMissing(const std::string& date) {
    long long year = 0, month = 0, day = 0;
    if (InfoRules::readDate(date, year, month, day) < 3) return false;
    if (year < 1 || year > InfoRules::kLatestYear || month < 1 || month > 12 || day < 1 || day > 31) return false;
    return !InfoRules::dateExists(year, month, day);
}

}  // namespace

Refusal refusalOf(ReadingDetails::Fault fault) {
    switch (fault) {
    case ReadingDetails::Fault::NoteTooLong:
        return Refusal::NoteTooLong;
    case ReadingDetails::Fault::NoteUnstorable:
        return Refusal::NoteUnstorable;
    case ReadingDetails::Fault::BadArm:
        return Refusal::BadArm;
    case ReadingDetails::Fault::BadPosition:
        return Refusal::BadPosition;
    case ReadingDetails::Fault::NotBloodPressure:
        return Refusal::NotBloodPressure;
    case ReadingDetails::Fault::Fine:
        break;
    }
    return Refusal::NotRefused;
}

EntryPlan planEntry(const std::string& variableName, const std::string& date, const std::string& time,
                    const std::vector<ValueField>& fields, std::time_t now, const Units::Preferences& units,
                    const ReadingDetails& details) {
    return planEntry(variableName, date, time, fields, tomorrowOf(now), units, details);
}

EntryPlan planEntry(const std::string& variableName, const std::string& date, const std::string& time,
                    const std::vector<ValueField>& fields, const Tomorrow& tomorrow, const Units::Preferences& units,
                    const ReadingDetails& details) {
    EntryPlan plan;
    auto refuse = [&plan](Refusal why, const std::string& field) {
        plan.refused = why;
        plan.field = field;
        plan.values.clear();
        return plan;
    };
    if (variableName.size() > kMaxName) return refuse(Refusal::NameTooLong, variableName);
    if (date.size() > kMaxText) return refuse(Refusal::TextTooLong, "Date");
    if (time.size() > kMaxText) return refuse(Refusal::TextTooLong, "Time");
    for (const ValueField& f : fields)
        if (f.text.size() > kMaxText) return refuse(Refusal::TextTooLong, f.shown);

    Refusal when = readWhen(date, time, plan.when);
    if (when == Refusal::BadRange && dayMissing(date)) when = Refusal::NoSuchDay;
    if (when != Refusal::NotRefused) return refuse(when, std::string());
    if (afterTomorrow(plan.when, tomorrow)) return refuse(Refusal::AfterTomorrow, std::string());

    for (const ValueField& f : fields) {
        double v = 0;
        const ValueRead read = readValue(f.text, v);
        if (read == ValueRead::Empty) continue;  // an empty input is skipped
        if (read == ValueRead::NotANumber) return refuse(Refusal::NotANumber, f.shown);
        if (!std::isfinite(v)) return refuse(Refusal::NotFinite, f.shown);
        StoredValue stored;
        stored.element = elementName(f.label);
        stored.series = stored.element == "value" ? variableName : f.label.substr(0, f.label.find(" ("));
        // Typed in the chosen unit, kept in the file's.
        v = Units::toStored(Units::quantityOf(stored.series), v, units);
        stored.text = valueText(v);
        if (!std::isfinite(v) || stored.text.size() > kMaxText) return refuse(Refusal::ValueTooLarge, f.shown);
        // No quantity a person is measured by is below zero.
        if (v < 0 && Plausibility::limitsFor(stored.series)) return refuse(Refusal::Negative, f.shown);
        stored.value = v;
        plan.values.push_back(stored);
    }
    if (plan.values.empty()) return refuse(Refusal::NoValueGiven, std::string());
    const Refusal detail = refusalOf(details.check(variableName));
    if (detail != Refusal::NotRefused) return refuse(detail, "Note");
    plan.details = details;
    plan.refused = Refusal::NotRefused;
    plan.time = initialTimeText(plan.when);
    return plan;
}

XmlNode* findVariable(XmlNode* patient, const std::string& name) { return VariableLookup::find(patient, name); }

XmlNode* variableFor(RapidDocument& doc, XmlNode* patient, const std::string& name, bool* created) {
    XmlNode* variable = findVariable(patient, name);
    if (created) *created = variable == nullptr;
    if (variable || !patient) return variable;
    variable = doc.allocate_node(rapidxml::node_element, "variable");
    char* text = doc.allocate_string(name.c_str(), name.size() + 1);
    variable->append_attribute(doc.allocate_attribute("name", text, 4, name.size()));
    patient->append_node(variable);
    return variable;
}

std::string nextEntryIdOf(XmlNode* variable) {
    // The parser may only be asked for a last child when there is a child.
    XmlNode* last = variable && variable->first_node() ? variable->last_node("entry") : nullptr;
    if (!last) return nextEntryId(nullptr);
    const XmlAttribute* id = last->first_attribute("id");
    return nextEntryId(id ? id->value() : "");
}

XmlNode* appendEntry(RapidDocument& doc, XmlNode* variable, const EntryPlan& plan, const std::string& date,
                     const std::string& time) {
    if (!variable || !plan.accepted() || plan.values.empty()) return nullptr;
    auto text = [&doc](const std::string& s) { return doc.allocate_string(s.c_str(), s.size() + 1); };
    auto element = [&doc, &text](const char* name, const std::string& value) {
        return doc.allocate_node(rapidxml::node_element, text(name), text(value), 0, value.size());
    };
    const std::string id = nextEntryIdOf(variable);
    XmlNode* entry = doc.allocate_node(rapidxml::node_element, "entry");
    entry->append_attribute(doc.allocate_attribute("id", text(id), 2, id.size()));
    for (const StoredValue& v : plan.values) entry->append_node(element(v.element.c_str(), v.text));
    entry->append_node(element("date", date));
    entry->append_node(element("time", time));
    plan.details.appendTo(doc, entry);
    variable->append_node(entry);
    return entry;
}

}  // namespace EntryRules
