// Readings from a FHIR R4 Bundle (this program's export, or another
// system's with the codes of FhirCodes) into one user's file, through the
// CSV import's engine: the same checks, duplicate rule and all-or-nothing
// saving. Observations of other codes, and resources that are not
// Observations, are counted by what they are, never refused.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/ReadingsImport.h"

class FhirImport {
public:
    // What was left out and why, with how many of each.
    using Skipped = std::map<std::string, std::size_t>;

    // Reads the Bundle's text into readings (place: the entry's number, from
    // 1). False with error when the text is not JSON or not a Bundle.
    static bool readBundle(const std::string& content, std::vector<ImportReading>& readings, Skipped& skipped,
                           std::string& error);

    // Reads request.file (request.input when given) and imports its readings. The status of
    // ReadingsImport::run; kProblem when the file cannot be read or is not a
    // Bundle.
    static int run(const ImportRequest& request, ImportSummary& summary, Skipped& skipped, Diagnostics& tell);
};
