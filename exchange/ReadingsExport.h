// The readings of a data folder in time order, as CSV (one row per value,
// the header the import reads back) or JSON: what `quorvel-data export` and
// the window's export write, byte for byte the same. The CSV has the columns
// note, arm, position and irregular after entry_id only when a reading put
// out has one of them; JSON gives them to the entries that have them.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/Status.h"
#include "rules/units/Units.h"

struct ExportRequest {
    std::string dataDir;                 // empty: the program's own data folder
    std::vector<std::string> users;      // ids or "First Last"; empty: everyone
    std::vector<std::string> variables;  // empty: every variable
    int fromDay = 0;                     // ReadingsExport::dayKey, inclusive; 0: no bound
    int toDay = 0;
    bool json = false;
    bool bom = false;   // CSV: a UTF-8 byte-order mark first, for spreadsheets
    // CSV for a spreadsheet: a byte-order mark, values as the windows show
    // them, times as "2026-03-05 08:30:00", and with decimalComma ';'
    // between cells and a comma as the decimal point.
    bool spreadsheet = false;
    bool decimalComma = false;
    bool fhir = false;  // a FHIR R4 Bundle (FhirBundle) instead of CSV or JSON
    // Not empty: only the readings whose note holds this text (any case).
    std::string grep;
    Units::Preferences units;  // the units CSV and JSON give values in
};

class ReadingsExport {
public:
    // A day as one number, larger for later days.
    static int dayKey(int year, int month, int day) { return year * 10000 + month * 100 + day; }

    // Puts the chosen readings out: with a stream the text is given to it a
    // piece at a time (out is only a buffer), without one out holds it whole.
    // kOk; kProblem when a user or variable is unknown or a file cannot be
    // read (nothing put out: out stays empty), or when an entry's date
    // cannot be read (told, left out, the rest put out). Given readings, it
    // is set to the number of readings (entries) put out.
    static int write(const ExportRequest& request, std::string& out, std::ostream* stream, Diagnostics& tell,
                     std::size_t* readings = nullptr);
};
