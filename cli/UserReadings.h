// The readings of one user's file as plain values: its variables in file
// order, each with its entries and their stored texts, the date and time
// read with the entry rules, and a key that orders them in time.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "cli/DataFolder.h"
#include "store/XmlDocument.h"

struct StoredValue {
    std::string member;  // "systolic", "diastolic", "fasting", "postprandial", or "" for `value`
    std::string text;    // the stored text, unchanged
};

struct EntryReading {
    std::string id;
    std::string date;  // as stored
    std::string time;  // as stored
    int readable = 0;  // 0, or the entry rules' refusal of the date and time
    std::tm when{};
    int typedYear = 0;
    std::int64_t key = 0;  // orders entries by local date and time
    std::vector<StoredValue> values;
    const XmlNode* node = nullptr;
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

// Reads every variable and entry under the file's `patient` element.
UserReadings read(const UserRecord& record, const XmlNode* patient);

// The key of a local date and time: later times have larger keys.
std::int64_t keyOf(const std::tm& when, int year);

// "2026-03-05T08:30:00" of an entry (its year as typed).
std::string isoText(const EntryReading& entry);

// Reads "YYYY-MM-DD" and "YYYY-MM-DDTHH:MM:SS" (a blank for the T, and
// seconds, may be left out). False when the text has another form.
bool readIsoDay(const std::string& text, int& year, int& month, int& day);
bool readIsoTime(const std::string& text, std::tm& when);

// The entry window's texts for a local time: "2026/03/05", "08:30:00 AM".
std::string windowDate(const std::tm& when);
std::string windowTime(const std::tm& when);

}  // namespace readings
