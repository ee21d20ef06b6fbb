// Start-up: trace log, toolkit look, data store defaults, data folder,
// registry, main window and the event loop.
#include <iostream>
#include <string>

#include <FL/Fl.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/main/ToolkitLook.h"

// The name under which start-up's trace records appear.
static const char* const kMainFile = "Quorvel 1.0";
// The start marker's record always carries line 12, so that every session's
// first line reads the same in logs of all versions.
static const int kStartMarkerLine = 12;

int main() {
    Trace::setThreshold(5);
    Trace::startMarker(kMainFile, kStartMarkerLine);
    TraceScope scope(__LINE__, "main", kMainFile, 3);

    applyToolkitLook();
    Dialogs::useToolkitDialogs();

    Global::init();

    std::string folder;
    if (!platform::dataFolder(folder)) {
        Dialogs::alert("Error: AppData folder could not be found on this machine.\nPlease contact your vendor Brelwick.");
        tracePrintf(kMainFile, __LINE__, "main", 3, "AppData folder could not be found on this machine");
        Dialogs::terminate(1);
    }
    Global::dataFolder = folder;

    if (!Global::loadFile(Global::configDoc, "config.hma", Global::configText)) Dialogs::terminate(1);

    // One program per data folder: a second one would overwrite the first
    // one's registry with its own copy.
    std::string error;
    const int locked = platform::lockDataFolder(folder, error);
    if (locked == 0) {
        std::string shown = folder;
        if (shown.size() > 1 && shown.back() == platform::pathSeparator()) shown.pop_back();
        const std::string text = "Quorvel is already running with the data folder " + shown + ".";
        std::cerr << text << std::endl;
        TraceMessage(kMainFile, __LINE__, "main", 1) << "Error: " << text;
        Dialogs::alert(text);
        Dialogs::terminate(1);
    }
    if (locked < 0) {
        // A folder that cannot be locked (some network shares) is still used.
        std::cerr << "The data folder could not be locked: " << error << std::endl;
        TraceMessage(kMainFile, __LINE__, "main", 1) << "Error: the data folder could not be locked: " << error;
    }

    new MainWindow(Fl::w() - 20, Fl::h() - 40);
    int result = Fl::run();
    return result;
}
