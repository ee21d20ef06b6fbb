// The data folder the person chose on this computer (a folder a sync tool
// shares with another computer, say), remembered in the computer's own
// settings folder (platform::settingsFolder), never in the data folder:
// each computer keeps its own path to its copy of the diary.
#pragma once

#include <string>

#include "app/Expected.h"

class DataFolderChoice {
public:
    DataFolderChoice() = delete;

    static constexpr const char* kFileName = "data-folder.txt";

    // The folder in use: given (a --data-dir) when not empty, else the one
    // remembered, else the program's own (platform::dataFolder). It ends with
    // a separator; empty when none can be determined.
    static std::string inUse(const std::string& given);
    // The folder remembered on this computer, ending with a separator; empty
    // when none was chosen (or its file cannot be read).
    static std::string remembered();
    // Remembers folder for the next start (an empty folder forgets the
    // choice: the program's own folder is used again). Failures: Failed (no
    // settings folder), NotSaved (the reason from the writer).
    static Expected<void> remember(const std::string& folder);
    // folder with one separator at its end.
    static std::string withSeparator(std::string folder);
};
