// Takes back one mistyped reading of a user's file: found by its variable
// and entry id under the folder's lock, described so that the person can be
// asked, then removed and the file saved once.
#pragma once

#include <string>
#include <vector>

#include "exchange/DataFolder.h"
#include "exchange/Diagnostics.h"
#include "exchange/Status.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class ReadingRemoval {
public:
    // Opens the folder, takes its lock and finds the entry. kOk; kProblem
    // (told) when the user, the file, the variable or the entry is not there.
    int find(const std::string& dataDir, const std::string& user, const std::string& variable,
             const std::string& entry, Diagnostics& tell);

    // The entry found: "Ann Lee, Pulse, entry 3: 2026/03/05 08:30:00 AM, value 72".
    // Values in another unit than the stored one are given in both.
    std::string description(const Units::Preferences& units) const;

    // Removes the entry found and saves the file. kOk; kProblem (told) when
    // the save fails, which leaves the file as it was.
    int remove(Diagnostics& tell);

private:
    DataFolder folder_;
    UserRecord user_;
    XmlDocument doc_;
    std::vector<char> text_;
    std::string variableName_;
    std::string entryId_;
    XmlNode* variable_ = nullptr;
    XmlNode* entry_ = nullptr;
};
