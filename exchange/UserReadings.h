// The readings of one user's file as plain values: its variables in file
// order, each with its entries and their stored texts, the date and time
// read with the entry rules, and a key that orders them in time.
#pragma once

#include <cstdint>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/DataFolder.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingDetails.h"
#include "store/XmlDocument.h"

struct EntryReading {
    // Texts as stored, held by the parsed file.
    const char* id = "";
    const char* date = "";
    const char* time = "";
    bool readable = false;  // whether the entry rules read the date and time
    std::tm when{};
    int typedYear = 0;
    std::int64_t key = 0;  // orders entries by local date and time
    const XmlNode* node = nullptr;  // the entry element, for its values
};

struct VariableReadings {
    std::string name;
    const XmlNode* node = nullptr;
    std::vector<EntryReading> entries;
};

struct UserReadings {
    UserRecord record;
    std::vector<VariableReadings> variables;
};

namespace readings {

// How much of a file is read: every entry, or only the variables (for
// callers that walk the entries themselves).
enum class Depth { WithEntries, VariablesOnly };

// Reads every variable (and, with entries, every entry) under the file's
// `patient` element.
UserReadings read(const UserRecord& record, const XmlNode* patient, Depth depth = Depth::WithEntries);

// Reads one `entry` element.
EntryReading readEntry(const XmlNode* entry);

// The entry rules' readFields, with the texts the program writes
// ("2026/03/05", "08:30:00 AM") read directly: an export reads one of each
// per entry. Any other text is read by readFields itself.
EntryRules::Refusal readWhen(const char* date, const char* time, std::tm& when, int& typedYear);

// Calls f(member, text) for each value element of an entry in file order:
// every child but `date`, `time` and the details (ReadingDetails); the member of `value` is empty, the
// others are "systolic", "diastolic", "fasting" or "postprandial"; the text
// is the stored one, unchanged.
template <typename F>
void forEachValue(const EntryReading& entry, F f) {
    for (const XmlNode* c = entry.node ? entry.node->first_node() : nullptr; c; c = c->next_sibling()) {
        const std::size_t n = c->name_size();
        const char* name = c->name();
        if (n == 4 && (std::memcmp(name, "date", 4) == 0 || std::memcmp(name, "time", 4) == 0)) continue;
        if (ReadingDetails::isDetail(name, n)) continue;
        const bool single = n == 5 && std::memcmp(name, "value", 5) == 0;
        f(single ? std::string_view() : std::string_view(name, n), std::string_view(c->value(), c->value_size()));
    }
}

// An entry's values by member ("" for a single value), each number as the
// entry window stores it ("%f"), any other text as it is: two entries with
// equal values give equal maps.
std::map<std::string, std::string> valuesOf(const EntryReading& entry);

// The key of a local date and time: later times have larger keys.
std::int64_t keyOf(const std::tm& when, int year);

// "2026-03-05T08:30:00" of an entry (its year as typed).
std::string isoText(const EntryReading& entry);
// The same written into text (at least 32 bytes); returns its length.
std::size_t isoText(const EntryReading& entry, char* text);

// Reads "YYYY-MM-DD" and "YYYY-MM-DDTHH:MM:SS" (a blank for the T, and
// seconds, may be left out). False when the text has another form; readIsoDay
// also when the day does not exist (2026-02-31).
bool readIsoDay(const std::string& text, int& year, int& month, int& day);
bool readIsoTime(const std::string& text, std::tm& when);

// The entry window's texts for a local time: "2026/03/05", "08:30:00 AM".
std::string windowDate(const std::tm& when);
std::string windowTime(const std::tm& when);

}  // namespace readings
