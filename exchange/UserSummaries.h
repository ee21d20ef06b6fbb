// One summary per record of a data folder's registry (its entries per
// variable, its first and last reading), never skipping a record whose file
// is missing or damaged: its status says what is wrong.
#pragma once

#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/JsonWriter.h"
#include "exchange/Status.h"

class UserSummaries {
public:
    // kOk; kProblem when a record's file is missing or damaged (told, and
    // listed with its status), or when the folder or its registry cannot be
    // read (told, list empty).
    static int read(const std::string& dataDir, std::vector<UserSummary>& list, Diagnostics& tell);
};
