// The users a command names (all when none is named), each with its file
// read: the part that export and check share with the other commands.
#pragma once

#include <string>
#include <vector>

#include "cli/DataFolder.h"
#include "cli/UserReadings.h"

class SelectedUsers {
public:
    // Opens the folder, finds the named users (by id or "First Last") and
    // reads their files. Returns an exit status: 0, or 1 after telling on
    // standard error what is wrong (unknown or ambiguous user, missing or
    // damaged file). Without entries only the variables are read (for
    // callers that walk the entries themselves).
    int load(const std::string& dataDir, const std::vector<std::string>& names, bool withEntries = true);

    // The size of the files read, in bytes.
    std::size_t fileBytes() const;

    DataFolder folder;
    std::vector<UserReadings> users;

private:
    // The parsed files the readings point into.
    std::vector<XmlDocument> docs_;
    std::vector<std::vector<char>> texts_;
};
