// Every finding about a data folder's files, never a write: the registry's
// records and their files, each user's ranges and entries, and files of the
// folder that nothing names.
#pragma once

#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/JsonWriter.h"
#include "exchange/Status.h"

class FolderCheck {
public:
    // kOk when nothing is wrong; kProblem when a finding is a problem, or
    // when the folder or its registry cannot be read (told, no findings).
    static int run(const std::string& dataDir, std::vector<Finding>& findings, Diagnostics& tell);

    // How many findings are problems (files that nothing uses, such as the
    // file of a removed user, are listed, not counted).
    static int problems(const std::vector<Finding>& findings);
};
