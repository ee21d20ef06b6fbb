// quorvel-data: the readings of Quorvel's data folder from the command line.
// This file only wires the command line; each subcommand lives in a file of
// its own.
#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "cli/StandardOutput.h"
#include "exchange/DataFolder.h"
#include "exchange/FolderRestore.h"
#include "platform/Platform.h"
#include "rules/units/PreferencesFile.h"

namespace {

// Values are read and written in the units the folder's preferences choose;
// damaged preferences are said and the files' own units used.
Units::Preferences folderUnits(const std::string& dataDir) {
    Units::Preferences units;
    const Expected<std::string> folder = DataFolder::resolve(dataDir);
    if (!folder) return units;  // the command says so
    const std::string problem = PreferencesFile::load(*folder, units);
    if (!problem.empty()) std::cerr << "quorvel-data: " << problem << "; the files' own units are used" << std::endl;
    return units;
}

// What the command line chose: the data folder, the options of each
// subcommand, and the exit status of the one that ran.
struct Choices {
    std::string dataDir;
    int status = cli::kOk;
    cli::UsersOptions users;
    cli::ExportOptions exp;
    cli::ImportOptions imp;
    cli::CheckOptions check;
    cli::MergeOptions merge;
    cli::RemoveOptions rem;
    cli::ReportOptions rep;
    cli::BackupOptions bak;
    cli::RestoreOptions res;
};

// The program's own options: --version and --data-dir.
void addProgramOptions(CLI::App& app, Choices& c) {
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("quorvel-data ") + QUORVEL_VERSION);
    app.add_option("--data-dir", c.dataDir,
                   "The data folder to work on (default: $XDG_DATA_HOME/Brelwick/Quorvel/)")
        ->type_name("DIR")
        ->check([](const std::string& dir) { return dir.empty() ? std::string("an empty folder name") : std::string(); });
}

// A restore of the folder that was interrupted is finished or undone (and
// said) before any command reads it; one that another program is doing
// now, or that cannot be carried on, stops the command.
bool folderReady(Choices& c) {
    const Expected<std::string> folder = DataFolder::resolve(c.dataDir);
    if (!folder || !platform::pathExists(*folder)) return true;  // the command says so
    Diagnostics tell(std::cerr, "quorvel-data: ");
    if (FolderRestore::recoverBeforeUse(*folder, tell)) return true;
    c.status = cli::kProblem;
    return false;
}

CLI::App* addUsers(CLI::App& app, Choices& c) {
    CLI::App* usersCmd = app.add_subcommand("users", "List the users of the registry with their readings");
    usersCmd->add_flag("--json", c.users.json, "Write JSON instead of a table");
    usersCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.users.dataDir = c.dataDir;
        folderUnits(c.dataDir);  // damaged preferences are said all the same
        c.status = cli::runUsers(c.users);
    });
    return usersCmd;
}

CLI::App* addExport(CLI::App& app, Choices& c) {
    cli::ExportOptions& exp = c.exp;
    CLI::App* exportCmd =
        app.add_subcommand("export", "Write readings as CSV, JSON or a FHIR R4 Bundle, in time order");
    exportCmd->add_option("--user,-u", exp.users, "A user, by id or by \"First Last\" (repeatable; default: all)")
        ->type_name("U");
    exportCmd->add_option("--variable", exp.variables, "A variable, e.g. Pulse (repeatable; default: all)")
        ->type_name("V");
    exportCmd->add_option("--from", exp.from, "First day, YYYY-MM-DD")->type_name("DATE");
    exportCmd->add_option("--to", exp.to, "Last day, YYYY-MM-DD")->type_name("DATE");
    exportCmd->add_option("--format", exp.format, "csv, json or fhir (a FHIR R4 Bundle; default: csv)")
        ->check(CLI::IsMember({"csv", "json", "fhir"}));
    exportCmd->add_option("--grep", exp.grep, "Only the readings whose note holds TEXT (in any case)")
        ->type_name("TEXT");
    exportCmd->add_flag("--bom", exp.bom, "Begin the CSV with a UTF-8 byte-order mark (for spreadsheets)");
    exportCmd->add_flag("--spreadsheet", exp.spreadsheet,
                        "Write the CSV as a spreadsheet opens it in the desktop's language: a byte-order mark, "
                        "values as the windows show them, times as 2026-03-05 08:30:00, and ';' between values "
                        "with a decimal comma where the desktop writes one (import reads it back)");
    exportCmd->add_option("-o,--output", exp.output,
                          "Write to FILE (atomically; a regular file only) instead of standard output (-)")
        ->type_name("FILE");
    exportCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.exp.dataDir = c.dataDir;
        c.exp.units = folderUnits(c.dataDir);
        c.status = cli::runExport(c.exp);
    });
    return exportCmd;
}

CLI::App* addImport(CLI::App& app, Choices& c) {
    cli::ImportOptions& imp = c.imp;
    CLI::App* importCmd = app.add_subcommand(
        "import",
        "Add readings from a CSV file (the export's own form, or datetime,value[,value2] rows for one --variable), "
        "a FHIR Bundle or a phone's health export");
    importCmd->add_option("--user,-u", imp.user,
                          "The user, by id or by \"First Last\" (default with the export's CSV form: each row's "
                          "own; needed with fhir and apple-health)")
        ->type_name("U");
    importCmd->add_option("--variable", imp.variable, "The variable of a datetime,value[,value2] file")
        ->type_name("V");
    importCmd->add_flag("--dry-run", imp.dryRun, "Check and count, write nothing");
    importCmd->add_flag("--skip-bad", imp.skipBad,
                        "Store the good rows even when some are refused (a value outside what can be measured on a "
                        "person, such as a pulse of 720, is refused)");
    importCmd->add_flag("--allow-other-person", imp.otherPerson,
                        "Store rows of the export, or a FHIR Bundle, that name another person under --user");
    importCmd->add_option("--blood-sugar-member", imp.bloodSugarMember,
                          "fhir: store a blood sugar marked neither fasting nor postprandial as this member "
                          "(without it such a reading is refused)")
        ->check(CLI::IsMember({"fasting", "postprandial"}))
        ->type_name("fasting|postprandial");
    importCmd->add_option("--format", imp.format,
                          "csv (default), fhir (a FHIR R4 Bundle) or apple-health (a phone's export.zip or "
                          "export.xml)")
        ->check(CLI::IsMember({"csv", "fhir", "apple-health"}));
    importCmd->add_flag("--all-sources", imp.allSources,
                        "apple-health: take the samples of watches too (by default they are left out: a watch "
                        "writes a heart rate every few minutes)");
    importCmd->add_option("FILE", imp.file,
                          "The file: CSV (UTF-8, separated by ',' or by ';' with decimal commas and dd.mm.yyyy HH:MM "
                          "times as spreadsheets write it; - reads standard input), a FHIR Bundle (JSON) or a "
                          "phone's health export")
        ->required();
    importCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.imp.dataDir = c.dataDir;
        c.imp.units = folderUnits(c.dataDir);
        c.status = cli::runImport(c.imp);
    });
    return importCmd;
}

CLI::App* addCheck(CLI::App& app, Choices& c) {
    CLI::App* checkCmd = app.add_subcommand("check", "Check every file of the data folder; writes nothing");
    checkCmd->add_flag("--json", c.check.json, "Write the findings as JSON");
    checkCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.check.dataDir = c.dataDir;
        folderUnits(c.dataDir);  // damaged preferences are said all the same
        c.status = cli::runCheck(c.check);
    });
    return checkCmd;
}

CLI::App* addMerge(CLI::App& app, Choices& c) {
    CLI::App* mergeCmd = app.add_subcommand(
        "merge", "Merge the conflict copies a sync tool left (Syncthing, Nextcloud, Dropbox) into their files");
    mergeCmd->add_option("--keep", c.merge.keep,
                         "Where the file and its copy differ (a reading changed on both computers): keep the "
                         "file's or the copy's; without it such differences are listed and nothing is written")
        ->check(CLI::IsMember({"file", "copy"}));
    mergeCmd->add_flag("--skip-bad", c.merge.skipBad,
                      "Merge a copy's good readings when some are refused (the copy, kept as .old, still holds them)");
    mergeCmd->callback([&c] {
        c.merge.dataDir = c.dataDir;
        c.status = cli::runMerge(c.merge);
    });
    return mergeCmd;
}

CLI::App* addRemove(CLI::App& app, Choices& c) {
    cli::RemoveOptions& rem = c.rem;
    CLI::App* removeCmd = app.add_subcommand("remove", "Remove one mistyped reading, after confirmation");
    removeCmd->add_option("--user,-u", rem.user, "The user, by id or by \"First Last\"")->required()->type_name("U");
    removeCmd->add_option("--variable", rem.variable, "The variable, e.g. Pulse")->required()->type_name("V");
    removeCmd->add_option("--entry", rem.entry, "The entry's id (see export's entry_id)")->required()->type_name("ID");
    removeCmd->add_flag("--yes,-y", rem.yes, "Do not ask for confirmation");
    removeCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.rem.dataDir = c.dataDir;
        c.rem.units = folderUnits(c.dataDir);
        c.status = cli::runRemove(c.rem);
    });
    return removeCmd;
}

CLI::App* addReport(CLI::App& app, Choices& c) {
    cli::ReportOptions& rep = c.rep;
    CLI::App* reportCmd =
        app.add_subcommand("report", "Write one user's readings over a period as a page for the doctor (HTML)");
    reportCmd->add_option("--user,-u", rep.user, "The user, by id or by \"First Last\"")->required()->type_name("U");
    reportCmd->add_option("--from", rep.from, "First day, YYYY-MM-DD")->type_name("DATE");
    reportCmd->add_option("--to", rep.to, "Last day, YYYY-MM-DD (default: today)")->type_name("DATE");
    reportCmd->add_option("--last", rep.last, "The period before --to: 30d, 90d, 1y (default: 90d)")
        ->type_name("PERIOD")
        ->excludes(reportCmd->get_option("--from"));
    reportCmd->add_option("-o,--output", rep.output,
                          "The page to write, - for standard output (default: <First>-<Last>-<to date>.html)")
        ->type_name("FILE");
    reportCmd->add_flag("--show-folder", rep.showFolder,
                        "Name the data folder on the page (left out by default: its path holds the login name)");
    reportCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.rep.dataDir = c.dataDir;
        c.rep.units = folderUnits(c.dataDir);
        c.status = cli::runReport(c.rep);
    });
    return reportCmd;
}

CLI::App* addBackup(CLI::App& app, Choices& c) {
    CLI::App* backupCmd = app.add_subcommand("backup", "Write the whole data folder into one .zip file");
    backupCmd->add_option("-o,--output", c.bak.output, "The file to write (default: Quorvel-backup-<today>.zip)")
        ->type_name("FILE");
    backupCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.bak.dataDir = c.dataDir;
        c.status = cli::runBackup(c.bak);
    });
    return backupCmd;
}

CLI::App* addRestore(CLI::App& app, Choices& c) {
    CLI::App* restoreCmd = app.add_subcommand(
        "restore", "Check a backup, show what it holds and put its files in place of the folder's, after confirmation");
    restoreCmd->add_option("FILE", c.res.file, "The backup (.zip) to restore")->required();
    restoreCmd->add_flag("--yes,-y", c.res.yes, "Do not ask for confirmation");
    restoreCmd->callback([&c] {
        if (!folderReady(c)) return;
        c.res.dataDir = c.dataDir;
        c.status = cli::runRestore(c.res);
    });
    return restoreCmd;
}

// Parses the arguments, running the subcommand chosen: its status, 0 after
// --help or --version, kUsage after a usage error.
int parse(CLI::App& app, int argc, char** argv, const Choices& c) {
    try {
        // The arguments as UTF-8 (Windows hands them over in its code page);
        // CLI11 takes them last first, without the program's name.
        std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
        if (!arguments.empty()) arguments.erase(arguments.begin());
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        // --help and --version print and succeed; a usage error is said as every message is.
        if (e.get_exit_code() == 0) return app.exit(e);
        std::cerr << "quorvel-data: " << e.what() << "\nRun quorvel-data --help for the options." << std::endl;
        return cli::kUsage;
    }
    return c.status;
}

int run(int argc, char** argv) {
    // Named, so that every usage line says which program it is about.
    CLI::App app{"Lists, exports, imports, checks and backs up the readings of Quorvel's data folder.", "quorvel-data"};
    Choices c;
    addProgramOptions(app, c);
    const std::vector<CLI::App*> subcommands = {addUsers(app, c),  addExport(app, c), addImport(app, c),
                                                addCheck(app, c),  addRemove(app, c), addReport(app, c),
                                                addBackup(app, c), addRestore(app, c), addMerge(app, c)};
    app.footer("Exit status: 0 success, 1 a problem found in the data or the input, 2 a usage error.\n"
               "Run quorvel-data SUBCOMMAND --help for the options of each.");
    // --data-dir is accepted after the subcommand as well.
    for (CLI::App* sub : subcommands) {
        sub->fallthrough();
        sub->footer("--data-dir DIR (before or after the subcommand) works on another data folder.");
    }
    return parse(app, argc, argv, c);
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever escapes a command (memory exhausted, say) is said, never a
    // silent abort.
    platform::useStandardStreams();
    cli::StandardOutput standardOutput;
    try {
        const int status = run(argc, argv);
        return standardOutput.finish(status, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "quorvel-data: " << e.what() << std::endl;
    } catch (...) {
        std::cerr << "quorvel-data: an unexpected error ended the command" << std::endl;
    }
    return cli::kProblem;
}
