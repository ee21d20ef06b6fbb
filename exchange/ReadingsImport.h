// Readings from a CSV file into users' files: the export's own form, or
// datetime,value[,value2] rows for one variable. Each reading is checked and
// stored exactly as the entry window checks and stores an entry; readings
// already present are counted, not stored again, and a reading at a time
// already recorded with another value is refused. The export's rows name
// their person: with a user given, rows of anyone else are refused (unless
// asked for); without one, each row goes to the person it names. The text is
// read a record at a time. Each file is saved once, and only when no row was
// refused (or the good rows are asked for, which never covers rows of
// another person).
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "app/Expected.h"
#include "exchange/Diagnostics.h"
#include "exchange/Status.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

// One reading another format's reader has made (FHIR, a phone's health
// export), checked and stored exactly as a row of the CSV.
struct ImportReading {
    int place = 0;          // where the reading stands in its file, as told in findings
    std::string variable;
    std::string datetime;   // local time, "2026-03-05T08:30:00"
    std::map<std::string, std::string> values;  // value texts by member ("" for a single value)
    std::string refusal;    // not empty: the reader refuses it, for this reason
    std::string userId;     // whose reading it is, when the file tells (one person per import)
    ReadingDetails details;  // the note (and, for blood pressure, arm, position, flag) the file gives
};

// The person a file says it holds (a FHIR bundle's Patient), compared with
// the user the readings go to as the export's name columns are.
struct ImportPerson {
    int place = 0;
    std::string id;     // this program's own identifier of the person; empty when not given
    std::string first;  // empty when not given
    std::string last;
    std::string born;   // "1950-03-07"; empty when not given
};

struct ImportRequest {
    std::string dataDir;   // empty: the program's own data folder
    std::string user;      // id or "First Last"; empty with the export's form: each row's own person
    std::string variable;  // the variable of datetime,value rows; with the export's form, only its rows
    std::string file;      // the CSV file (UTF-8); with input, the name messages give it
    std::istream* input = nullptr;  // read instead of the file when given (standard input)
    bool dryRun = false;       // check and count, write nothing
    bool skipBad = false;      // store the good rows even when some are refused
    bool otherPerson = false;  // rows naming another person go to `user` all the same
    // Readings outside what can be measured on a person are stored (the
    // person was asked); otherwise each is refused.
    bool implausible = false;
    // Where a FHIR blood sugar marked neither fasting nor postprandial goes
    // ("fasting", "postprandial"); empty: such a reading is refused.
    std::string bloodSugarMember;
    Units::Preferences units;  // the units of datetime,value rows (the export's form names its own)
    // The window's import: the open user's document stands for that user's
    // file: readings are checked against it, added to it and saved by save
    // (which tells of a failure itself), under the lock the program holds.
    struct OpenDocument {
        std::string file;              // the user's file name
        XmlDocument* doc = nullptr;    // null: no document stands for a file
        std::function<Expected<void>()> save;
    };
    OpenDocument openDocument;
    // Readings another format's reader made from file (the CSV is then not
    // read; user is needed), and the word findings name their place with
    // ("entry" 4). The import takes them: the list is left empty.
    std::vector<ImportReading>* readings = nullptr;
    const std::vector<ImportPerson>* people = nullptr;  // whom that file says it holds
    std::size_t untoldRefusals = 0;  // readings that reader refused beyond those it kept, counted
    std::string placeName = "line";
};

struct ImportSummary {
    bool done = false;          // every row was checked (false: stopped at an error, told)
    std::size_t accepted = 0;   // readings added, or that would be
    int present = 0;            // readings already in the file
    int refused = 0;            // rows refused (each told as "FILE:LINE: reason")
    int otherPerson = 0;        // of those, rows of another person than the one they would go to
    int implausible = 0;        // of those, rows outside what can be measured on a person
    int unmarkedSugar = 0;      // FHIR blood sugars marked neither fasting nor postprandial
    bool written = false;       // a user's file was saved
    struct Counts {
        std::size_t accepted = 0;
        int present = 0;
    };
    std::map<std::string, Counts> byVariable;  // the accepted and present counts per variable
};

class ReadingsImport {
public:
    // kOk; kProblem when a row was refused or the file, the folder or a
    // user cannot be read or saved (or must not be written); kUsage when a
    // file of datetime,value rows comes without a variable or a user.
    static int run(const ImportRequest& request, ImportSummary& summary, Diagnostics& tell);
};
