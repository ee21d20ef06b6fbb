// The data folder as the data tool sees it: where it is, the records of its
// registry (config.hma), the user a command names, and the reading, locking
// and safe saving of users' files (through the store's FolderStore). Nothing
// here shows a dialog or ends the process: every failure comes back as an
// Error whose reason names the file.
#pragma once

#include <string>
#include <vector>

#include "app/Expected.h"
#include "store/FolderStore.h"
#include "store/XmlDocument.h"
#include "store/XmlFile.h"

// One record of the registry.
struct UserRecord {
    std::string id;
    std::string first;
    std::string last;
    std::string file;
    int line = 0;  // the line of config.hma the record starts on
};

class DataFolder {
public:
    DataFolder() = default;
    // The store keeps the folder's path: a copy would share it.
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // The folder a command works on: `given` (--data-dir) when not empty,
    // otherwise the one chosen on this computer (DataFolderChoice), otherwise
    // the program's own data folder. The result ends with a
    // separator. Failed when neither can be determined.
    static Expected<std::string> resolve(const std::string& given);

    // Resolves the folder and reads its registry. NotFound (no folder),
    // CannotOpen or Malformed ("FILE: line L, column C: reason") when the
    // registry is missing or damaged.
    Expected<void> open(const std::string& given);

    const std::string& path() const { return folder_; }
    const std::vector<UserRecord>& users() const { return users_; }

    // open, then findUser for one user, then (with takeLock) lock and
    // fileProblem: what a command on one user does first. The error of the
    // first step that fails; a lock that cannot be taken, or a file that
    // must not be written (Refused), adds "; nothing written".
    Expected<UserRecord> openUser(const std::string& given, const std::string& name, bool takeLock);

    // Finds the user named by an id ("3") or by "First Last". NotFound, or
    // Ambiguous when more than one has the name (the reason lists the ids).
    Expected<UserRecord> findUser(const std::string& name) const;

    // Why a record's file must not be written as that user's file: it is one
    // of the program's own files (config.hma, template_new.xml, readme.txt),
    // the file of another record, or a symbolic link. Empty when nothing
    // stands in the way; otherwise "its data file user1.hma is ...".
    std::string fileProblem(const UserRecord& record) const;

    // "PATH: is a symbolic link to TARGET, outside the data folder" when the
    // file is such a link, for the commands that read it to say; otherwise
    // empty.
    std::string linkNote(const std::string& fileName) const;

    // The lines of a file of the folder that hold text that is not UTF-8
    // (read again from disk: asked only of a file whose text is not).
    std::vector<int> notUtf8Lines(const std::string& fileName) const;

    // Reads and parses a user's file (or any file of the folder) into doc,
    // whose names point into buffer. The error names the file and, for a
    // damaged file, the line and column. With XmlFile::Text::AsRead a
    // node's offset in buffer gives its line.
    Expected<void> loadFile(const std::string& fileName, XmlDocument& doc, std::vector<char>& buffer,
                            XmlFile::Text kept = XmlFile::Text::Compact) const;
    // Reads and checks a file of the folder as loadFile does, its tree handed
    // to visit in parts and not kept (XmlFile::check); the same errors.
    Expected<void> checkFile(const std::string& fileName, const XmlFile::Visit& visit) const;

    // Takes the lock the program takes on the folder for the rest of the
    // process (FolderStore::lock). Busy when the program (or another tool)
    // has the folder open, Failed when the lock cannot be taken.
    Expected<void> lock();

    // Replaces a file of the folder by the printed document through the
    // store. A file without write permission is refused.
    Expected<void> save(const std::string& fileName, const XmlDocument& doc);

private:
    // A failure of the store's about fileName, told as the data tool tells it.
    Error told(const std::string& fileName, const Error& failure) const;

    std::string folder_;
    FolderStore store_{folder_};
    std::vector<UserRecord> users_;
};
