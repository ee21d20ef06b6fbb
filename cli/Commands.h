// The subcommands of quorvel-data. Each takes its parsed options and returns
// the exit status: 0 success, 1 a problem found in the data or the input,
// 2 a usage error. Findings and errors go to standard error, naming the file
// (and line) they concern; results go to standard output.
#pragma once

#include <string>
#include <vector>

#include "exchange/ReadingsImport.h"
#include "exchange/Status.h"
#include "rules/units/Units.h"

namespace cli {

using exchange::kOk;
using exchange::kProblem;
using exchange::kUsage;

struct UsersOptions {
    std::string dataDir;
    bool json = false;
};

struct ExportOptions {
    std::string dataDir;
    std::vector<std::string> users;
    std::vector<std::string> variables;
    std::string from;  // YYYY-MM-DD, inclusive
    std::string to;    // YYYY-MM-DD, inclusive
    std::string format = "csv";
    bool bom = false;    // the CSV begins with a UTF-8 byte-order mark
    bool spreadsheet = false;  // the CSV as the person's spreadsheet opens it
    std::string grep;    // not empty: only readings whose note holds it
    std::string output;  // empty or "-": standard output
    Units::Preferences units;  // the folder's preferences (the program's start reads them)
};

struct ImportOptions {
    std::string dataDir;
    std::string user;  // empty: each row of an export goes to the person it names
    std::string variable;
    bool dryRun = false;
    bool skipBad = false;
    bool otherPerson = false;    // rows naming another person go to `user` all the same
    std::string file;            // "-": standard input
    std::string format = "csv";  // csv, fhir or apple-health
    bool allSources = false;     // apple-health: the samples of watches too
    std::string bloodSugarMember;  // fhir: where a blood sugar without its mark goes
    Units::Preferences units;  // the folder's preferences (the program's start reads them)
};

struct CheckOptions {
    std::string dataDir;
    bool json = false;
};

struct MergeOptions {
    std::string dataDir;
    std::string keep;  // where both differ: "file" or "copy"; empty: list and write nothing
    bool skipBad = false;  // merge a copy's good readings when some are refused
};

struct RemoveOptions {
    std::string dataDir;
    std::string user;
    std::string variable;
    std::string entry;
    bool yes = false;
    Units::Preferences units;  // the folder's preferences (the program's start reads them)
};

struct BackupOptions {
    std::string dataDir;
    std::string output;  // empty: Quorvel-backup-<today>.zip in the current folder
};

struct RestoreOptions {
    std::string dataDir;
    std::string file;
    bool yes = false;
};

int runUsers(const UsersOptions& options);
int runExport(const ExportOptions& options);
int runImport(const ImportOptions& options);
// The import of --format fhir or apple-health (FormatImportCommand.cpp):
// the engine's status, with details holding the summary's lines per
// variable and what was left out and why.
int importFormat(const ImportOptions& options, const ImportRequest& request, ImportSummary& summary,
                 std::string& details, Diagnostics& tell);
int runCheck(const CheckOptions& options);
int runMerge(const MergeOptions& options);
int runRemove(const RemoveOptions& options);
int runBackup(const BackupOptions& options);
int runRestore(const RestoreOptions& options);

}  // namespace cli
