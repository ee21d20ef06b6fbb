// The JSON forms of the data tool's results: the users list, the export and
// the findings of a check. Plain values in, text out: returned whole, or
// written into a stream as it is made (a large result is never held twice).
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "exchange/JsonStream.h"
#include "exchange/UserReadings.h"
#include "rules/units/Units.h"

// One line of the users list.
struct UserSummary {
    UserRecord record;
    std::string status;  // "ok", or what is wrong with the file
    std::vector<std::pair<std::string, int>> counts;  // entries per variable, in file order
    std::string firstReading;  // ISO 8601, empty when none
    std::string lastReading;
};

// One finding of a check.
struct Finding {
    std::string file;
    int line = 0;  // 0 when not known
    std::string variable;
    std::string entry;
    std::string message;
    bool leftover = false;  // listed, but not a fault
};

namespace JsonWriter {

std::string users(const std::vector<UserSummary>& list);
void users(const std::vector<UserSummary>& list, std::ostream& out);

// One object per user with its details and, per variable, its ranges (the
// stored texts) and its entries in time order.
// Values and limits are given in the units chosen. Written as it is made,
// laid out as the other results are.
void exportUsers(const std::vector<UserReadings>& list, const Units::Preferences& units, JsonStream& out);

std::string findings(const std::vector<Finding>& list);
void findings(const std::vector<Finding>& list, std::ostream& out);

}  // namespace JsonWriter
