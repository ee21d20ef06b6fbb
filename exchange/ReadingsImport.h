// Readings from a CSV file into one user's file: the export's own form, or
// datetime,value[,value2] rows for one variable. Each reading is checked and
// stored exactly as the entry window checks and stores an entry; readings
// already present are counted, not stored again; the file is saved once,
// and only when no row was refused (or the good rows are asked for).
#pragma once

#include <cstddef>
#include <string>

#include "exchange/Diagnostics.h"
#include "exchange/Status.h"

struct ImportRequest {
    std::string dataDir;   // empty: the program's own data folder
    std::string user;      // id or "First Last"
    std::string variable;  // the variable of datetime,value rows; with the export's form, only its rows
    std::string file;      // the CSV file (UTF-8)
    bool dryRun = false;   // check and count, write nothing
    bool skipBad = false;  // store the good rows even when some are refused
};

struct ImportSummary {
    bool done = false;          // every row was checked (false: stopped at an error, told)
    std::size_t accepted = 0;   // readings added, or that would be
    int present = 0;            // readings already in the file
    int refused = 0;            // rows refused (each told as "FILE:LINE: reason")
    bool written = false;       // the user's file was saved
};

class ReadingsImport {
public:
    // kOk; kProblem when a row was refused or the file, the folder or the
    // user cannot be read or saved; kUsage when a file of datetime,value rows
    // comes without a variable.
    static int run(const ImportRequest& request, ImportSummary& summary, Diagnostics& tell);
};
