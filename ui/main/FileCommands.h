// The File menu's exchanges of data: export, import, backup and restore, and
// the writing of the doctor's report chosen in ReportWindow. Each one asks
// the engine quorvel-data uses, lets the person choose the file and answer
// the question through the dialog seam, and brings the panels up to date.
#pragma once

#include <string>

#include "exchange/report/ReportPeriod.h"
#include "rules/units/Units.h"

class MainWindow;
struct ImportRequest;

class FileCommands {
public:
    // The readings of the open user or of everyone, as CSV or JSON (by the
    // chosen name's ending), the same bytes as `quorvel-data export` with
    // the same preferences (a CSV with --spreadsheet). Returns what was
    // done, for the window to say ("Exported the readings of ... to PATH");
    // empty when nothing was.
    static std::string exportReadings(const Units::Preferences& units);
    // Readings from a CSV file, a FHIR Bundle or a phone's export into the
    // open user's document, after a summary of what would be added and what
    // is refused.
    static void importReadings(MainWindow& window);
    // The whole data folder in one .zip file.
    static void backUp();
    // A backup's files in place of the folder's, after showing what it
    // holds; the registry is read again and no user is open afterwards.
    static void restore(MainWindow& window);
    // Makes the open user's report for the period, lets the person choose
    // where to save it and opens it in the browser. False when nothing was
    // written (refused, or the person cancelled the file chooser).
    static bool writeReport(const ReportPeriod& period, const std::tm& today, const Units::Preferences& units);

    // Lets the person choose the data folder this computer uses from the next
    // start (a folder a sync tool shares with another computer): remembered
    // in this computer's settings (DataFolderChoice). A folder without a
    // registry is refused.
    static void chooseDataFolder();
    // The chooser of a data folder, opened at `from`: the folder chosen,
    // ending with a separator; empty when cancelled or refused (told).
    static std::string askDataFolder(const std::string& from);
    // Remembers folder as this computer's data folder from the next start and
    // says so; false (told) when it cannot be remembered.
    static bool rememberDataFolder(const std::string& folder);

    // Offers to merge the conflict copies a sync tool left in the data
    // folder (those of the file `only`, when given) into their files:
    // "Merge" (the default) merges them, asking about each difference, and
    // keeps each copy as .old; "Later" leaves them. True when a file changed.
    static bool offerConflictMerge(const std::string& only);

    // The first lines an engine told, for a dialog ("and N more" after them).
    static std::string firstLines(const std::string& told, int count);
    // The day the program runs on, local time.
    static std::tm today();
    // A name in the person's documents folder (the name alone when that is unknown).
    static std::string inDocuments(const std::string& name);

private:
    // The import of a chosen file (kind: what it holds): checked, the
    // questions asked (another person, blood sugars without their mark,
    // values no person can have, refused rows), then stored.
    static void importChecked(MainWindow& window, int kind, ImportRequest request, const std::string& path);
};
