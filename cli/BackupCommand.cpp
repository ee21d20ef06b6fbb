// quorvel-data backup and restore: the whole data folder in one .zip file
// (with a manifest of each file's checksum), and such a file put back in
// place of the folder's files after showing what it holds and asking
// (unless --yes), under the folder's lock.
#include <ctime>
#include <iostream>

#include "cli/Commands.h"
#include "exchange/DataFolder.h"
#include "exchange/FolderBackup.h"
#include "exchange/FolderRestore.h"
#include "exchange/OutputFile.h"
#include "store/FolderStore.h"
#include "platform/Platform.h"

namespace cli {

namespace {

std::tm localNow() {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return now;
}

}  // namespace

int runBackup(const BackupOptions& options) {
    const char* const me = "quorvel-data: ";
    const std::tm today = localNow();
    const std::string path = options.output.empty() ? FolderBackup::defaultName(today) : options.output;
    OutputFile outFile;
    std::string error;
    const int opened = outFile.open(path, error);
    if (opened != kOk) {
        std::cerr << me << error << std::endl;
        return opened;
    }
    Diagnostics tell(std::cerr, me);
    std::string archive;
    BackupContents contents;
    const int made = FolderBackup::make(options.dataDir, today, archive, contents, tell);
    if (made != kOk) return made;
    if (!outFile.write(archive, error)) {
        std::cerr << me << path << ": " << error << "; nothing written" << std::endl;
        return kProblem;
    }
    std::cout << "Backed up " << contents.describe() << ", to " << path << std::endl;
    return kOk;
}

int runRestore(const RestoreOptions& options) {
    const char* const me = "quorvel-data: ";
    Diagnostics tell(std::cerr, me);
    const Expected<std::string> resolved = DataFolder::resolve(options.dataDir);
    if (!resolved) {
        std::cerr << me << resolved.error().reason << std::endl;
        return kProblem;
    }
    const std::string& folder = *resolved;
    if (!platform::pathExists(folder)) {
        std::cerr << me << folder << ": no such data folder; nothing restored" << std::endl;
        return kProblem;
    }
    // The backup's files are checked beside the folder's: the lock comes first.
    if (const Expected<void> locked = FolderStore::lock(folder); !locked) {
        std::cerr << me << folder << ": "
                  << (locked.error().kind == Error::Kind::Busy ? "Quorvel (or another tool) has the folder open"
                                                               : locked.error().reason)
                  << "; nothing restored" << std::endl;
        return kProblem;
    }
    const std::vector<PersonReadings> now = FolderRestore::peopleOf(folder);
    RestorePlan plan;
    const int staged = FolderBackup::stage(options.file, folder, plan, tell);
    if (staged != kOk) {
        std::cerr << me << "nothing restored" << std::endl;
        return staged;
    }
    std::cout << options.file << " holds " << plan.describe() << ".\n"
              << FolderRestore::changes(now, plan.people) << std::endl;
    if (!options.yes) {
        std::cout << "Replace the files of " << folder << " with these (the replaced ones kept in a before-restore "
                  << "folder inside it)? [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
            FolderRestore::discard(folder);
            std::cout << "Not restored." << std::endl;
            return kProblem;
        }
    }
    std::string kept;
    const int restored = FolderRestore::commit(plan, localNow(), kept, tell);
    if (restored != kOk) return restored;
    std::cout << "Restored " << plan.describe() << ", into " << folder << std::endl;
    if (!kept.empty()) std::cout << "The files it replaced are kept in " << folder << kept << std::endl;
    return kOk;
}

}  // namespace cli
