// The copies a sync tool leaves beside a file when two computers changed it
// before they met, recognised by name:
//   Syncthing  user0.sync-conflict-20261208-101010-ABCDEFG.hma
//   Nextcloud  user0 (conflicted copy 2026-12-08 101010).hma
//   Dropbox    user0 (Ann's conflicted copy 2026-12-08).hma
// Only copies of the data files (.hma) count; a copy already merged (kept
// as .old) is no copy any more.
#pragma once

#include <string>

class ConflictCopy {
public:
    ConflictCopy() = delete;

    // The file name the copy belongs to ("user0.hma"), or empty when name is
    // no sync tool's conflict copy of a data file.
    static std::string originalOf(const std::string& name);
    // The sync tool that names its copies so ("Syncthing", "Nextcloud",
    // "Dropbox"), or empty.
    static std::string toolOf(const std::string& name);
};
