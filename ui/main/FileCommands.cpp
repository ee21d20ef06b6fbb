#include "ui/main/FileCommands.h"

#include <cctype>
#include <ctime>
#include <map>
#include <memory>
#include <sstream>

#include <FL/Fl_Menu_Button.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/ProgressPercent.h"
#include "app/Trace.h"
#include "exchange/ConflictCopies.h"
#include "exchange/FolderBackup.h"
#include "exchange/FolderRestore.h"
#include "exchange/OutputFile.h"
#include "exchange/ReadingsExport.h"
#include "exchange/ReadingsImport.h"
#include "exchange/Utf8Text.h"
#include "exchange/fhir/FhirImport.h"
#include "exchange/health/HealthImport.h"
#include "exchange/report/DoctorReport.h"
#include "platform/Platform.h"
#include "rules/readings/MergeCheck.h"
#include "rules/units/PreferencesFile.h"
#include "store/DataFolderChoice.h"
#include "store/Global.h"
#include "ui/chart/MyChart.h"
#include "ui/main/MainWindow.h"

namespace {

const int kShownLines = 5;

// The open user's first and last name, as the registry has them.
const XmlNode* openUserNames() {
    const XmlNode* record = Global::findNodeWithId(Global::currentId.c_str());
    return record ? record->first_node("name") : nullptr;
}

std::string openUserName() {
    const XmlNode* name = openUserNames();
    return std::string(Global::childText(name, "first")) + " " + Global::childText(name, "last");
}

// Writes content to the chosen path as the data tool writes its -o file.
bool writeChosen(const std::string& path, const std::string& content) {
    OutputFile out;
    std::string error;
    if (out.open(path, error) != exchange::kOk) {
        Dialogs::alert(error);
        return false;
    }
    if (!out.write(content, error)) {
        Dialogs::alert(path + ": " + error + "; nothing written");
        return false;
    }
    return true;
}

// The same ending in any case (".JSON", ".Zip").
bool endsWithAnyCase(const std::string& s, const std::string& end) {
    if (s.size() < end.size()) return false;
    for (std::size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - end.size() + i])) != end[i]) return false;
    return true;
}

// What an import file holds, told by its name as the chooser's filters name them.
enum class ImportKind { Csv, Fhir, PhoneExport };

ImportKind importKind(const std::string& path) {
    if (endsWithAnyCase(path, ".json")) return ImportKind::Fhir;
    if (endsWithAnyCase(path, ".zip") || endsWithAnyCase(path, ".xml")) return ImportKind::PhoneExport;
    return ImportKind::Csv;
}

// One import through the engine quorvel-data uses for that kind of file;
// what other formats' readers left out goes to `leftOut`, a line each.
int runImport(ImportKind kind, const ImportRequest& request, ImportSummary& summary, std::string& leftOut,
              Diagnostics& tell) {
    std::map<std::string, std::size_t, std::less<>> skipped;
    int status = exchange::kOk;
    if (kind == ImportKind::Fhir) {
        FhirImport::Skipped fhirSkipped;
        status = FhirImport::run(request, summary, fhirSkipped, tell);
        skipped.insert(fhirSkipped.begin(), fhirSkipped.end());
    } else if (kind == ImportKind::PhoneExport) {
        HealthImportReport report;
        status = HealthImport::run(request, false, summary, report, tell);
        skipped = report.skipped;
    } else {
        return ReadingsImport::run(request, summary, tell);
    }
    leftOut.clear();
    for (const auto& s : skipped) leftOut += "\nleft out: " + std::to_string(s.second) + " " + s.first;
    if (kind == ImportKind::PhoneExport && summary.done) leftOut += "\n(the samples of watches are left out)";
    return status;
}

// Puts the checked series back on the chart from the document, now that it
// holds more readings (the chart draws copies).
void rechart(MainWindow& window) {
    if (window.chart->display == ChartMath::Display::NormalRange) {
        window.refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Cleared);
        return;
    }
    window.refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Kept);
    Fl_Menu_Button* menu = window.multiDisplayMenu;
    const Fl_Menu_Item* items = menu->menu();
    for (int i = 1; items && i < menu->size(); ++i) {
        if (!items[i].label() || !items[i].value() || !items[i].callback()) continue;
        window.chart->dropVar(LiteralText::fromLabel(items[i].label()).c_str());
        menu->value(&items[i]);
        items[i].do_callback(menu);
    }
    window.chart->refresh();
}

}  // namespace

std::string FileCommands::firstLines(const std::string& told, int count) {
    std::istringstream in(told);
    std::string line, out;
    int shown = 0, more = 0;
    // Longest line shown: a refused row may quote a megabyte, more than a window can hold.
    constexpr std::size_t kMaxLine = 160;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.size() > kMaxLine) line = Utf8Text::cut(line, kMaxLine) + "...";
        if (shown < count) {
            out += (shown ? "\n" : "") + line;
            ++shown;
        } else {
            ++more;
        }
    }
    if (more > 0) out += "\nand " + std::to_string(more) + " more";
    return out;
}

std::tm FileCommands::today() {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return now;
}

std::string FileCommands::inDocuments(const std::string& name) {
    const std::string documents = platform::documentsFolder();
    return documents.empty() ? name : documents + platform::pathSeparator() + name;
}

bool FileCommands::writeReport(const ReportPeriod& period, const std::tm& today, const Units::Preferences& units) {
    TRACE_SCOPE("FileCommands::writeReport");
    if (!Global::userOpen) return false;
    ReportRequest request;
    request.dataDir = Global::dataFolder;
    request.user = Global::currentId;
    request.period = period;
    request.madeOn = today;
    request.units = units;
    std::ostringstream told;
    Diagnostics tell(told, "");
    std::string page, name;
    if (DoctorReport::make(request, page, name, tell) != exchange::kOk) {
        Dialogs::alert("The report cannot be made:\n" + firstLines(told.str(), kShownLines));
        return false;
    }
    Dialogs::FileRequest choose;
    choose.title = "Save the Report for the Doctor";
    choose.filter = "Web pages\t*.html";
    choose.defaultPath = inDocuments(name);
    choose.save = true;
    const std::string path = Dialogs::chooseFile(choose);
    if (path.empty() || !writeChosen(path, page)) return false;
    TRACE_MSG(3, "FileCommands::writeReport") << "Wrote report " << path;
    std::string error;
    if (!platform::openWithDesktop(path, error))
        Dialogs::alert("The report is saved as\n" + path + "\nbut " + error +
                       ". Open that file in a web browser to see it.");
    return true;
}

std::string FileCommands::exportReadings(const Units::Preferences& units) {
    TRACE_SCOPE("FileCommands::exportReadings");
    ExportRequest request;
    request.dataDir = Global::dataFolder;
    request.units = units;
    std::string defaultName = "Quorvel-readings.csv";
    std::string whose = "of everyone";
    if (Global::userOpen) {
        const std::string person = openUserName();
        const int answer = Dialogs::choice("Export the readings of " + person + ", or of everyone?", "&Cancel",
                                           "This Person", "Everyone");
        if (answer == 0) return std::string();
        if (answer == 1) {
            request.users.push_back(Global::currentId);
            whose = "of " + person;
            const XmlNode* name = openUserNames();
            defaultName = DoctorReport::defaultName(Global::childText(name, "first"), Global::childText(name, "last"),
                                                    "readings");
            defaultName.replace(defaultName.size() - 5, 5, ".csv");  // "First-Last-readings.csv"
        }
    }
    Dialogs::FileRequest choose;
    choose.title = "Export Readings";
    choose.filter = "CSV files\t*.csv\nJSON files\t*.json\nFHIR R4 bundles\t*.fhir.json";
    choose.defaultPath = inDocuments(defaultName);
    choose.save = true;
    const std::string path = Dialogs::chooseFile(choose);
    if (path.empty()) return std::string();
    // A FHIR bundle is named as such; any other .json is the program's own JSON.
    request.fhir = endsWithAnyCase(path, ".fhir.json");
    request.json = !request.fhir && endsWithAnyCase(path, ".json");
    // A CSV is opened in a spreadsheet: written as the desktop's spreadsheet reads it.
    request.spreadsheet = !request.fhir && !request.json;
    request.decimalComma = request.spreadsheet && platform::decimalComma();
    OutputFile file;
    std::string error;
    if (file.open(path, error) != exchange::kOk) {
        Dialogs::alert(error);
        return std::string();
    }
    std::ostringstream told;
    Diagnostics tell(told, "");
    // Written as it is made (an export can be many times its files); when
    // it puts out nothing, the file chosen is left as it was.
    int status = exchange::kOk;
    bool nothing = false;
    std::size_t readings = 0;
    const bool saved = file.write(
        [&](std::ostream& stream) {
            std::string buffer;
            status = ReadingsExport::write(request, buffer, &stream, tell, &readings);
            nothing = status != exchange::kOk && stream.tellp() == 0;
            return !nothing;
        },
        error);
    if (nothing) {
        Dialogs::alert("Nothing exported:\n" + firstLines(told.str(), kShownLines));
        return std::string();
    }
    if (!saved) {
        Dialogs::alert(path + ": " + error + "; nothing written");
        return std::string();
    }
    if (status != exchange::kOk)
        Dialogs::alert("Exported to " + path + ", leaving out:\n" + firstLines(told.str(), kShownLines));
    return "Exported " + std::to_string(readings) + (readings == 1 ? " reading " : " readings ") + whose + " to " +
           path;
}

void FileCommands::importReadings(MainWindow& window) {
    TRACE_SCOPE("FileCommands::importReadings");
    if (!Global::userOpen) return;
    Dialogs::FileRequest choose;
    choose.title = "Import Readings";
    choose.filter = "Readings\t*.{csv,json,zip,xml}\nCSV files\t*.csv\nFHIR R4 bundles\t*.json\n"
                    "Phone health exports\t*.{zip,xml}";
    choose.defaultPath = inDocuments("");
    const std::string path = Dialogs::chooseFile(choose);
    if (path.empty()) return;
    const ImportKind kind = importKind(path);

    ImportRequest request;
    request.dataDir = Global::dataFolder;
    request.user = Global::currentId;
    request.file = path;
    request.openDocument.file = Global::currentFile;
    request.openDocument.doc = &Global::userDoc;
    request.openDocument.save = [] {
        Global::markUserChanged();
        return Global::saveFile(Global::currentFile.c_str(), Global::userDoc);
    };
    request.units = window.units();
    importChecked(window, static_cast<int>(kind), request, path);
}

void FileCommands::importChecked(MainWindow& window, int kindNumber, ImportRequest request, const std::string& path) {
    const ImportKind kind = static_cast<ImportKind>(kindNumber);
    request.dryRun = true;
    std::ostringstream told;
    Diagnostics tell(told, "");
    ImportSummary summary;
    std::string leftOut;
    const int checked = runImport(kind, request, summary, leftOut, tell);
    const std::string person = openUserName();
    // The refusals name the file as chosen; the question names it without its folder.
    const std::string name = path.substr(path.find_last_of("/\\") + 1);
    std::string lines = told.str();
    for (std::size_t at = lines.find(path + ":"); at != std::string::npos; at = lines.find(path + ":", at))
        lines.replace(at, path.size(), name);
    std::string shown = firstLines(lines, kShownLines);
    // A FHIR bundle of another person: imported for the open user only when the person says so.
    if (summary.done && summary.otherPerson > 0 && kind == ImportKind::Fhir && !request.otherPerson) {
        if (Dialogs::choice("Nothing imported: " + name + " holds readings of someone other than " + person + ":\n" +
                                shown + "\nImport them to " + person + " anyway?",
                            nullptr, "&Cancel", "Import Anyway") != 2)
            return;
        request.otherPerson = true;
        return importChecked(window, kindNumber, request, path);
    }
    // A blood sugar without its member's mark goes where the person says.
    if (summary.done && summary.unmarkedSugar > 0 && request.bloodSugarMember.empty()) {
        const int member = Dialogs::choice(
            std::to_string(summary.unmarkedSugar) + " blood sugar readings in " + name +
                " are marked neither fasting nor postprandial. Store them as:",
            "&Cancel", "Fasting", "Postprandial");
        if (member == 0) return;
        request.bloodSugarMember = member == 1 ? "fasting" : "postprandial";
        return importChecked(window, kindNumber, request, path);
    }
    // A value no person can have is stored only when the person says so.
    if (summary.done && summary.implausible > 0 && !request.implausible) {
        if (Dialogs::choice(std::to_string(summary.implausible) +
                                (summary.implausible == 1 ? " reading is" : " readings are") +
                                " outside what can be measured on a person:\n" + shown + "\nStore them anyway?",
                            nullptr, "&Cancel", "Store Them") != 2) {
            // Without them: the rest is asked about as any refused rows are.
        } else {
            request.implausible = true;
            return importChecked(window, kindNumber, request, path);
        }
    }
    if (!summary.done) {
        Dialogs::alert(checked == exchange::kUsage && kind == ImportKind::Csv
                           ? path + ": not readings exported by Quorvel (the export's header row is missing); nothing imported"
                           : "Nothing imported:\n" + shown);
        return;
    }
    if (summary.otherPerson > 0) {
        Dialogs::alert("Nothing imported: " + path + " holds readings of someone other than " + person + ":\n" +
                       shown);
        return;
    }
    const std::string counts = std::to_string(summary.present) + " already present; " +
                               std::to_string(summary.refused) + " refused";
    if (summary.accepted == 0) {
        Dialogs::alert("Nothing to import to " + person + ": " + counts +
                       (summary.refused ? ":\n" + shown : ".") + leftOut);
        return;
    }
    const std::string question = "Would add " + std::to_string(summary.accepted) +
                                 (summary.accepted == 1 ? " reading" : " readings") + " to " + person + "; " + counts +
                                 (summary.refused ? ":\n" + shown : ".") + leftOut;
    // With rows refused an import writes nothing: the choice is the good rows or none.
    const char* const importButton = summary.refused ? "Import the Good Rows" : "Import";
    // Cancel is the default: a stray Return imports nothing.
    if (Dialogs::choice(question, nullptr, "&Cancel", importButton) != 2) return;

    request.dryRun = false;
    request.skipBad = summary.refused > 0;
    std::ostringstream toldAgain;
    Diagnostics tellAgain(toldAgain, "");
    runImport(kind, request, summary, leftOut, tellAgain);
    if (!summary.written) {
        Dialogs::alert("Nothing imported:\n" + firstLines(toldAgain.str(), kShownLines));
        return;
    }
    TRACE_MSG(3, "FileCommands::importReadings") << "Imported " << summary.accepted << " readings from " << path;
    rechart(window);
}

namespace {

// Tells the dialog seam each whole percent an engine's bytes reach, under title.
FolderBackup::Progress shownProgress(const std::string& title) {
    auto percent = std::make_shared<ProgressPercent>();
    return [title, percent](std::size_t done, std::size_t total) {
        if (percent->advance(done, total)) Dialogs::progress(title, percent->percent());
    };
}

}  // namespace

void FileCommands::backUp() {
    TRACE_SCOPE("FileCommands::backUp");
    if (!FolderBackup::available()) {
        Dialogs::alert("This build of Quorvel makes no backups.");
        return;
    }
    // What the window holds is what is backed up.
    if (Global::userOpen && !Global::saveUserIfChanged()) return;
    Dialogs::FileRequest choose;
    choose.title = "Back Up";
    choose.filter = "Backups\t*.zip";
    choose.defaultPath = inDocuments(FolderBackup::defaultName(today()));
    choose.save = true;
    const std::string path = Dialogs::chooseFile(choose);
    if (path.empty()) return;
    std::ostringstream told;
    Diagnostics tell(told, "");
    std::string archive;
    BackupContents contents;
    const std::string showing = "Backing up\342\200\246";
    const FolderBackup::Progress progress = shownProgress(showing);
    progress(0, 1);  // shown while the folder is checked
    const int made = FolderBackup::make(Global::dataFolder, today(), archive, contents, tell, progress);
    Dialogs::progress(showing, -1);
    if (made != exchange::kOk) {
        Dialogs::alert("No backup made:\n" + firstLines(told.str(), kShownLines));
        return;
    }
    if (!writeChosen(path, archive)) return;
    TRACE_MSG(3, "FileCommands::backUp") << "Backed up to " << path;
    Dialogs::alert("Backed up " + contents.describe() + ", to\n" + path);
}

void FileCommands::restore(MainWindow& window) {
    TRACE_SCOPE("FileCommands::restore");
    if (!FolderBackup::available()) {
        Dialogs::alert("This build of Quorvel restores no backups.");
        return;
    }
    Dialogs::FileRequest choose;
    choose.title = "Restore from Backup";
    choose.filter = "Backups\t*.zip";
    choose.defaultPath = inDocuments("");
    const std::string path = Dialogs::chooseFile(choose);
    if (path.empty()) return;
    // The open user's last changes are in the files the restore keeps.
    // A save that fails was told; the restore goes on, as asked.
    if (Global::userOpen) (void)Global::saveUserIfChanged();
    const std::string& folder = Global::dataFolder;
    const std::vector<PersonReadings> now = FolderRestore::peopleOf(folder);
    std::ostringstream told;
    Diagnostics tell(told, "");
    RestorePlan plan;
    const std::string showing = "Reading the backup\342\200\246";
    const FolderBackup::Progress progress = shownProgress(showing);
    progress(0, 1);
    const int staged = FolderBackup::stage(path, folder, plan, tell, progress);
    Dialogs::progress(showing, -1);
    if (staged != exchange::kOk) {
        Dialogs::alert("This backup cannot be restored; nothing was changed:\n" + firstLines(told.str(), kShownLines));
        return;
    }
    const std::string question = path + "\nholds " + plan.describe() + ".\n" +
                                 FolderRestore::changes(now, plan.people) +
                                 "\nThe files it replaces are kept in a before-restore folder inside the data folder.";
    // Cancel is the default: a stray Return replaces nobody.
    if (Dialogs::choice(question, nullptr, "&Cancel", "Restore") != 2) {
        FolderRestore::discard(folder);
        return;
    }
    std::string kept;
    const int restored = FolderRestore::commit(plan, today(), kept, tell);
    TRACE_MSG(1, "FileCommands::restore") << "Restored from " << path << ": " << restored;
    if (restored != exchange::kOk) {
        Dialogs::alert("The backup was not restored:\n" + firstLines(told.str(), kShownLines));
        return;
    }
    // The registry and the preferences are read again; no user is open
    // until one is chosen.
    Global::userOpen = false;
    Global::currentId.clear();
    Global::currentFile.clear();
    Global::userDoc.reset();
    // A damaged registry was told; the one read before stays.
    (void)Global::loadFile(Global::configDoc, "config.hma", Global::configText);
    Units::Preferences units;
    const std::string unitsProblem = PreferencesFile::load(folder, units);
    window.useUnits(units);
    window.setUserControlsActive(false);
    window.refreshPanels(MainWindow::UserLine::Deselected, MainWindow::ChartSeries::Cleared);
    window.tellDone("Restored " + plan.describe() + " from " + path);
    Dialogs::alert("Restored " + plan.describe() + "." +
                   (kept.empty() ? std::string() : "\nThe files it replaced are kept in\n" + folder + kept) +
                   (unitsProblem.empty() ? std::string() : "\nThe preferences could not be read:\n" + unitsProblem));
}

bool FileCommands::offerConflictMerge(const std::string& only) {
    std::string listed;
    int count = 0;
    for (const ConflictCopies::Copy& c : ConflictCopies::find(Global::dataFolder)) {
        if (!only.empty() && c.original != only) continue;
        ++count;
        listed += "\n  " + c.name + " (" + c.tool + ", of " + c.original + ")";
    }
    if (count == 0) return false;
    const std::string question =
        "The sync tool left " + std::string(count == 1 ? "a copy" : "copies") +
        " of the diary that another computer changed at the same time:" + listed +
        "\nMerge keeps the readings of both computers and asks where they differ; each copy is kept as .old."
        "\nLater leaves the copies as they are.";
    if (Dialogs::choose(question, {"Merge", "Later"}, 0, 1) != 0) {
        TRACE_MSG(3, "FileCommands::offerConflictMerge") << "Conflict copies left for later: " << count;
        return false;
    }
    const UserMerge::Resolve resolve = [](const UserMerge::Conflict& c) {
        const std::string asked = Global::conflictQuestion(c, "The file and the other computer's copy differ in ",
                                                           ":\n  in the file: ", "\n  in the copy: ");
        return Dialogs::choice(asked, "The file's", "The copy's", nullptr) == 1 ? UserMerge::Side::Other
                                                                                 : UserMerge::Side::Kept;
    };
    const Expected<ConflictCopies::Result> merged = ConflictCopies::merge(
        Global::dataFolder, resolve, true, only, MergeCheck::asOf(std::time(nullptr)), true);
    if (!merged) {
        TRACE_MSG(1, "FileCommands::offerConflictMerge") << "Error: " << merged.error().reason;
        Dialogs::alert("The copies were not all merged:\n" + merged.error().reason +
                       "\nWhat could not be merged was left as it was.");
    }
    // The registry may hold new people now.
    (void)Global::refreshRegistry();
    if (merged) {
        TRACE_MSG(1, "FileCommands::offerConflictMerge")
            << "Merged " << merged->merged.size() << " conflict copies, " << merged->added << " readings brought in";
        std::string told = "Merged " + std::to_string(merged->merged.size()) + " cop" +
                           (merged->merged.size() == 1 ? "y" : "ies") + ": " + std::to_string(merged->added) +
                           " reading(s) of the other computer brought in.";
        for (const RegistryMerge::Moved& m : merged->moved)
            told += "\n" + m.first + " " + m.last + " was added on both computers under one id: now id " + m.newId +
                    ", file " + m.newFile + ".";
        if (!merged->refused.empty()) {
            told += "\n" + std::to_string(merged->refused.size()) +
                    " reading(s) of the copies were not brought in (they stay in the copies kept as .old):";
            for (const UserMerge::Refused& r : merged->refused) told += "\n  " + r.what + ": " + r.reason;
        }
        Dialogs::alert(told);
    }
    return true;
}

std::string FileCommands::askDataFolder(const std::string& from) {
    Dialogs::FileRequest request;
    request.title = "Data Folder (the folder your sync tool shares, for example)";
    request.folder = true;
    request.defaultPath = from;
    const std::string chosen = Dialogs::chooseFile(request);
    if (chosen.empty()) return std::string();
    std::string folder = DataFolderChoice::withSeparator(chosen);
    if (!platform::isRegularFile(folder + "config.hma")) {
        Dialogs::alert("The folder " + chosen +
                       " holds no Quorvel diary (no config.hma).\nCopy the data folder there first (or let the sync "
                       "tool bring it), then choose it again.");
        return std::string();
    }
    return folder;
}

bool FileCommands::rememberDataFolder(const std::string& folder) {
    const Expected<void> remembered = DataFolderChoice::remember(folder);
    if (!remembered) {
        Dialogs::alert("The data folder could not be remembered:\n" + remembered.error().reason);
        return false;
    }
    TRACE_MSG(1, "FileCommands::rememberDataFolder") << "Data folder chosen: " << folder;
    Dialogs::alert("Quorvel uses the data folder " + folder + " on this computer from its next start.");
    return true;
}

void FileCommands::chooseDataFolder() {
    const std::string folder = askDataFolder(Global::dataFolder);
    if (!folder.empty()) rememberDataFolder(folder);
}
