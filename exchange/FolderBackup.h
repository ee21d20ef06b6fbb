// A backup of the data folder in one .zip file, with a manifest that gives
// each file's size and SHA-256 checksum, and the reading of such a file
// into a restore: what `quorvel-data backup` / `restore` and the window's
// "Back Up…" / "Restore from Backup…" do. A backup holds every file of the
// folder the program reads (the registry, each registered person's file,
// the preferences, the template and the help text), and is only made of a
// folder that passes the checks a restore makes, so that a backup that was
// written can always be restored. The restore itself is FolderRestore's.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/FolderRestore.h"
#include "exchange/Status.h"

struct BackupContents {
    std::vector<std::string> files;  // users' files first, the registry (config.hma) last
    std::string madeOn;              // "2026-12-01"
    int people = 0;                  // records of the registry
    std::size_t readings = 0;        // entries of the users' files

    // "3 people, 5,716 readings, made 2026-12-01"
    std::string describe() const;
};

class FolderBackup {
public:
    // The archive's own list of its files.
    static const char* const kManifest;
    // Files larger than this are neither backed up nor read from a backup
    // (nor backups whose files together are larger than twice this).
    static constexpr std::size_t kMaxFileSize = std::size_t(512) << 20;

    // How far a long backup or restore has come: bytes done of all.
    using Progress = std::function<void(std::size_t done, std::size_t total)>;

    // False in a build without the .zip library: every other call then
    // tells so and ends with kProblem.
    static bool available();

    // "Quorvel-backup-2026-12-01.zip"
    static std::string defaultName(const std::tm& day);

    // The files of a folder a backup holds: the registry, the files its
    // records name, preferences.xml, the template and the help text, those
    // that are there; never the lock, a save's temporary file, a kept file
    // or a file nobody names.
    static bool folderFiles(const std::string& folder, std::vector<std::string>& names, std::string& error);

    // Reads the folder (dataDir empty: the program's own) into archive, the
    // bytes of the .zip, one file at a time. kOk; kProblem (told) when a
    // file cannot be read or the folder does not pass a restore's checks.
    static int make(const std::string& dataDir, const std::tm& madeOn, std::string& archive,
                    BackupContents& contents, Diagnostics& tell, const Progress& progress = Progress());

    // Reads and checks a backup and puts its files, streamed, into the
    // folder's FolderRestore::kIncoming (the caller holds the folder's
    // lock): every file listed in the manifest with the size and checksum it
    // gives, no other file than a data folder's, and the files passing the
    // checks of FolderRestore::checkFolder. kOk with plan filled; kProblem
    // (told) with nothing left behind.
    static int stage(const std::string& path, const std::string& folder, RestorePlan& plan, Diagnostics& tell,
                     const Progress& progress = Progress());
};
