// A backup of the whole data folder in one .zip file, with a manifest that
// gives each file's size and SHA-256 checksum, and the restore of such a
// file: what `quorvel-data backup` / `restore` and the window's "Back Up…" /
// "Restore from Backup…" do. A backup is only made of, and only restored
// from, files that read as the store reads them, so a backup that was
// written can always be restored.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/Status.h"

struct BackupFile {
    std::string name;
    std::string bytes;
};

struct BackupContents {
    std::vector<BackupFile> files;  // users' files first, the registry (config.hma) last
    std::string madeOn;             // "2026-12-01"
    int people = 0;                 // records of the registry
    std::size_t readings = 0;       // entries of the users' files

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

    // False in a build without the .zip library: every
    // other call then tells so and ends with kProblem.
    static bool available();

    // "Quorvel-backup-2026-12-01.zip"
    static std::string defaultName(const std::tm& day);

    // The files of a folder a backup holds: the registry, the template, the
    // help text and every data file (*.hma, *.xml, the files the registry
    // names); never the lock, a save's temporary file or a kept .old file.
    static bool folderFiles(const std::string& folder, std::vector<std::string>& names, std::string& error);

    // Reads the folder (dataDir empty: the program's own) into archive, the
    // bytes of the .zip. kOk; kProblem (told) when a file cannot be read or
    // does not read as the store reads it.
    static int make(const std::string& dataDir, const std::tm& madeOn, std::string& archive,
                    BackupContents& contents, Diagnostics& tell);

    // Reads and checks a backup: every file listed in the manifest with the
    // size and checksum it gives, nothing else, and each data file readable
    // as the store reads it. kOk; kProblem (told) otherwise.
    static int read(const std::string& path, BackupContents& contents, Diagnostics& tell);

    // Puts the files of a checked backup into the folder (which ends with a
    // separator; the caller holds its lock), each replaced atomically, the
    // registry last. A file it replaces, or a data file the backup lacks, is
    // kept as NAME.old; a file that already holds the backup's bytes is
    // left. kOk; kProblem (told) when a file cannot be written: the files
    // written so far stay, their old ones kept.
    static int restore(const BackupContents& contents, const std::string& folder, Diagnostics& tell);
};
