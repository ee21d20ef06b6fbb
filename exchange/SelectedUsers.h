// The users a command names (all when none is named), each with its file
// read: the part that the export shares with the other exchanges.
#pragma once

#include <string>
#include <vector>

#include "exchange/DataFolder.h"
#include "exchange/Diagnostics.h"
#include "exchange/Status.h"
#include "exchange/UserReadings.h"

class SelectedUsers {
public:
    // Opens the folder, finds the named users (by id or "First Last") and
    // reads their files. kOk, or kProblem after telling what is wrong
    // (unknown or ambiguous user, missing or damaged file); a file that is a
    // symbolic link to a place outside the folder is told, and read. depth
    // tells whether the entries are read too.
    int load(const std::string& dataDir, const std::vector<std::string>& names, Diagnostics& tell,
             readings::Depth depth = readings::Depth::WithEntries);

    // True when the file of users[user] holds only UTF-8 text.
    bool validText(std::size_t user) const;

    // The size of the files read, in bytes.
    std::size_t fileBytes() const;

    DataFolder folder;
    std::vector<UserReadings> users;

private:
    // The parsed files the readings point into.
    std::vector<XmlDocument> docs_;
    std::vector<std::vector<char>> texts_;
};
