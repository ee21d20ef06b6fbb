// Start-up: trace log, toolkit look, data store defaults, data folder,
// registry, main window and the event loop.
#include <algorithm>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include <FL/Fl.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "exchange/FolderRestore.h"
#include "platform/DesktopScale.h"
#include "platform/Platform.h"
#include "platform/WindowIcon.h"
#include "rules/readings/MergeCheck.h"
#include "rules/readings/ReadingEdits.h"
#include "rules/units/PreferencesFile.h"
#include "rules/units/TextSize.h"
#include "store/DataFolderChoice.h"
#include "store/DataFolderSeed.h"
#include "store/FolderStore.h"
#include "store/Global.h"
#include "ui/main/FileCommands.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"
#include "ui/main/ToolkitLook.h"

// The name under which start-up's trace records appear.
static const char* const kMainFile = "Quorvel 1.0";
// The start marker's record always carries line 12, so that every session's
// first line reads the same in logs of all versions.
static const int kStartMarkerLine = 12;

namespace {

// The folder given with --data-dir DIR (or --data-dir=DIR); empty without.
// False (after a word on standard error) for an option it does not know.
bool givenDataFolder(int argc, char** argv, std::string& folder) {
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--data-dir" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (args[i].rfind("--data-dir=", 0) == 0 && args[i].size() > 11) {
            folder = args[i].substr(11);
        } else {
            std::cerr << "Usage: quorvel [--data-dir DIR]" << std::endl;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Trace::setThreshold(5);
    Trace::startMarker(kMainFile, kStartMarkerLine);
    TraceScope scope(__LINE__, "main", kMainFile, 3);

    applyToolkitLook();
    Dialogs::useToolkitDialogs();

    Global::init();
    // Keep Both brings in the window's readings: checked as on the day they are merged.
    Global::checkMerged = [](const std::string& variable, const XmlNode& entry) {
        return MergeCheck::asOf(std::time(nullptr), false)(variable, entry);
    };

    std::string given;
    if (!givenDataFolder(argc, argv, given)) return 2;
    // --data-dir, else the folder chosen on this computer, else the own one.
    std::string folder = DataFolderChoice::inUse(given);
    if (folder.empty()) {
        Dialogs::alert("Error: AppData folder could not be found on this machine.\nPlease contact your vendor Brelwick.");
        tracePrintf(kMainFile, __LINE__, "main", 3, "AppData folder could not be found on this machine");
        Dialogs::terminate(1);
    }
    Global::dataFolder = folder;
    // Every account's first start fills its data folder from the installed
    // data files (never overwriting one); Linux's launcher does the same.
    std::string installed;
    if (given.empty() && platform::installedDataFolder(installed)) DataFolderSeed::seed(installed, folder);

    // A restore from a backup that was interrupted is finished or undone
    // before anything of the folder is read, and the person is told which.
    std::string restoreSaid;
    const FolderRestore::Recovery recovery = FolderRestore::recover(folder, restoreSaid);
    if (recovery != FolderRestore::Recovery::None) {
        TraceMessage(kMainFile, __LINE__, "main", 1) << restoreSaid;
        Dialogs::alert(restoreSaid);
        if (recovery == FolderRestore::Recovery::Busy || recovery == FolderRestore::Recovery::Failed)
            Dialogs::terminate(1);
    }

    if (!Global::loadFile(Global::configDoc, "config.hma", Global::configText)) Dialogs::terminate(1);
    // Damaged preferences never stop the start: they are reported and the
    // defaults are used until the person saves new ones.
    Units::Preferences units;
    const std::string unitsProblem = PreferencesFile::load(folder, units);
    if (!unitsProblem.empty()) {
        TraceMessage(kMainFile, __LINE__, "main", 1) << "Error: " << unitsProblem;
        Dialogs::alert("The preferences could not be read:\n" + unitsProblem +
                       "\nThe default units are used until new preferences are saved (Edit, Preferences).");
    }

    // One program per data folder: a second one would overwrite the first
    // one's registry with its own copy.
    const Expected<void> locked = FolderStore::lock(folder);
    if (!locked) {
        std::string shown = folder;
        if (shown.size() > 1 && shown.back() == platform::pathSeparator()) shown.pop_back();
        // Without the lock another program could overwrite this one's
        // registry unseen: a lock that cannot be taken ends the start too.
        const std::string text = locked.error().kind == Error::Kind::Busy
                                     ? "Quorvel is already running with the data folder " + shown + "."
                                     : "Quorvel does not run without the lock on its data folder: " +
                                           locked.error().reason + ".";
        std::cerr << text << std::endl;
        TraceMessage(kMainFile, __LINE__, "main", 1) << "Error: " << text;
        Dialogs::alert(text);
        Dialogs::terminate(1);
    }

    // A first start takes the desktop's units and styles and says so once
    // (with the folder locked: no other program writes the file); its text
    // size is the desktop's scale where that can be read.
    std::string firstUnits;
    if (!platform::pathExists(folder + PreferencesFile::kName)) {
        units.textSize = TextSize::fromDpi(DesktopScale::dpi());
        if (units.textSize == 0) units.textSize = TextSize::kDesigned;
        firstUnits = PreferencesFile::firstStart(folder, platform::desktopLocale(true), platform::desktopLocale(false),
                                                 platform::decimalComma(), units);
        firstUnits += PreferencesFile::firstTextSize(folder, units, !firstUnits.empty());
    } else if (unitsProblem.empty() && !PreferencesFile::namesTextSize(folder)) {
        // Preferences saved before there was a text size: the desktop's
        // scale, until one is chosen.
        const int desktop = TextSize::fromDpi(DesktopScale::dpi());
        if (desktop) units.textSize = desktop;
    }

    WindowIcon::useProgramIcon();

    // Every window is laid out at the text size; the main window is designed
    // for the screen at that size (never below its smallest size).
    TextScale::setPercent(units.textSize);
    const double f = TextScale::factor();
    // The merge's questions name readings in the units chosen (the main
    // window names them in its own once it is there).
    Global::readingText = [units](const XmlNode*, const XmlNode* entry) {
        return ReadingEdits::readingLine(entry, units);
    };
    // What another computer wrote while this one did too, left by a sync tool.
    FileCommands::offerConflictMerge(std::string());

    new MainWindow(std::max(920, static_cast<int>((Fl::w() - 20) / f)), std::max(640, static_cast<int>((Fl::h() - 40) / f)),
                   units);
    if (!firstUnits.empty()) Dialogs::alert(firstUnits);
    int result = Fl::run();
    return result;
}
