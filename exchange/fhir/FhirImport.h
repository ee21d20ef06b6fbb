// Readings from a FHIR R4 Bundle (this program's export, or another
// system's with the codes of FhirCodes) into one user's file, through the
// CSV import's engine: the same checks, duplicate rule and all-or-nothing
// saving. The Bundle is read as a stream, one entry at a time. Its Patient
// is compared with the user. Observations of other codes, those with no
// value (dataAbsentReason), and resources that are neither Observations nor
// a Patient, are counted by what they are, never refused. A JSON object
// with a key twice refuses the file.
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

    // What a Bundle holds (place: the entry's number, from 1).
    struct Bundle {
        std::vector<ImportReading> readings;
        std::vector<ImportPerson> people;  // its Patients
        Skipped skipped;
        int unmarkedSugar = 0;  // blood sugars marked neither fasting nor postprandial
    };

    // Reads the Bundle's text from in into bundle; a blood sugar without its
    // member's mark goes to sugarMember ("fasting", "postprandial"; empty:
    // it is refused). False with error when the text is not JSON, not a
    // Bundle, or holds an object with a key twice.
    static bool readBundle(std::istream& in, const std::string& sugarMember, Bundle& bundle, std::string& error);

    // Reads request.file (request.input when given) and imports its readings. The status of
    // ReadingsImport::run; kProblem when the file cannot be read or is not a
    // Bundle.
    static int run(const ImportRequest& request, ImportSummary& summary, Skipped& skipped, Diagnostics& tell);
};
