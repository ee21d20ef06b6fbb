// The data folder as the data tool sees it: where it is, the records of its
// registry (config.hma), the user a command names, and the reading, locking
// and safe saving of users' files. Nothing here shows a dialog or ends the
// process: every failure comes back as a message naming the file.
#pragma once

#include <string>
#include <vector>

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
    // The folder a command works on: `given` (--data-dir) when not empty,
    // otherwise the program's own data folder. The result ends with a
    // separator. False with error when neither can be determined.
    static bool resolve(const std::string& given, std::string& folder, std::string& error);

    // Resolves the folder and reads its registry. False with error ("FILE:
    // line L, column C: reason") when the registry is missing or damaged.
    bool open(const std::string& given, std::string& error);

    const std::string& path() const { return folder_; }
    const std::vector<UserRecord>& users() const { return users_; }

    // open, then findUser for one user, then (with takeLock) lock and
    // fileProblem: what a command on one user does first. False with error
    // at the first step that fails; a lock that cannot be taken, or a file
    // that must not be written, adds "; nothing written".
    bool openUser(const std::string& given, const std::string& name, bool takeLock, UserRecord& out,
                  std::string& error);

    // Finds the user named by an id ("3") or by "First Last". 1: found;
    // 0: no such user; -1: the name is ambiguous (error lists the ids).
    int findUser(const std::string& name, UserRecord& out, std::string& error) const;

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
    // whose names point into buffer. False with error naming the file and,
    // for a damaged file, the line and column. With XmlFile::Text::AsRead
    // a node's offset in buffer gives its line.
    bool loadFile(const std::string& fileName, XmlDocument& doc, std::vector<char>& buffer, std::string& error,
                  XmlFile::Text kept = XmlFile::Text::Compact) const;

    // Takes the lock the program takes on the folder for the rest of the
    // process. False with error when the program (or another tool) has the
    // folder open, or when the lock cannot be taken.
    bool lock(std::string& error);

    // Replaces a file of the folder by the printed document through the
    // store's safe writer. A file without write permission is refused.
    bool save(const std::string& fileName, const XmlDocument& doc, std::string& error) const;

private:
    std::string folder_;
    std::vector<UserRecord> users_;
};
