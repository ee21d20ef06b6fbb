#include "store/DataFolderChoice.h"

#include <vector>

#include "platform/Platform.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

std::string DataFolderChoice::withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != platform::pathSeparator() && folder.back() != '/')
        folder += platform::pathSeparator();
    return folder;
}

std::string DataFolderChoice::remembered() {
    std::string settings;
    if (!platform::settingsFolder(settings)) return std::string();
    std::vector<char> text;
    std::string ignored;
    if (!XmlFile::readRaw(settings + kFileName, text, ignored)) return std::string();
    std::string folder(text.begin(), text.end());
    // One line: the path, as written (a line end after it is dropped).
    const std::size_t end = folder.find_first_of("\r\n");
    if (end != std::string::npos) folder.erase(end);
    while (!folder.empty() && folder.back() == '\0') folder.pop_back();
    return withSeparator(folder);
}

std::string DataFolderChoice::inUse(const std::string& given) {
    if (!given.empty()) return withSeparator(given);
    std::string chosen = remembered();
    if (!chosen.empty()) return chosen;
    std::string own;
    return platform::dataFolder(own) ? own : std::string();
}

Expected<void> DataFolderChoice::remember(const std::string& folder) {
    std::string settings;
    if (!platform::settingsFolder(settings) || !platform::makeFolders(settings))
        return Error(Error::Kind::Failed, "this computer's settings folder cannot be made");
    std::string error;
    const std::string content = folder.empty() ? std::string() : withSeparator(folder) + "\n";
    if (!SafeWriter::write(settings, kFileName, content, error))
        return Error(Error::Kind::NotSaved, settings + kFileName + ": " + error);
    return {};
}
