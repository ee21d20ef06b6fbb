// Readings from a phone's health export (export.zip, or the export.xml
// inside it) into one user's file, through the CSV import's engine: the
// same checks, duplicate rule and all-or-nothing saving. The export is read
// as a stream (HealthExportStream, HealthExportReader), however large.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "exchange/Diagnostics.h"
#include "exchange/ReadingsImport.h"

struct HealthImportReport {
    std::map<std::string, std::size_t, std::less<>> skipped;  // what was left out and why, how many of each
    std::uint64_t controlCharacters = 0;  // read as blanks
    std::uint64_t bytes = 0;              // of XML read
};

class HealthImport {
public:
    // allSources: take the samples of watches too (left out otherwise).
    // The status of ReadingsImport::run; kProblem when the file cannot be
    // read or is not well-formed XML (nothing written).
    static int run(const ImportRequest& request, bool allSources, ImportSummary& summary, HealthImportReport& report,
                   Diagnostics& tell);
};
