// The data folder's files as the store keeps them, without a word to the
// person: reading and parsing a file, saving it safely, the mark of what was
// last read or written (to tell a change made by another program), reading
// a changed file again, and the lock on the folder. Every failure comes back
// as an Error; what to ask or show, and whether the program can go on, is
// decided by the caller.
//
// The store holds two documents for the program: the registry and the open
// user's document (each with the text its tree points into). A held
// document's text goes with it when it is read again, and the open user's
// keeps the mark of changes its file does not hold yet.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Expected.h"
#include "store/FileMark.h"
#include "store/XmlDocument.h"
#include "store/XmlFile.h"

class FolderStore {
public:
    // The store works in folder (a path ending with a separator), read at
    // each call: it may be set after the store is made.
    explicit FolderStore(const std::string& folder) : folder_(&folder) {}

    // Makes doc and text the registry, or the open user's document with
    // unsaved as its mark of changes not saved yet.
    void holdRegistry(XmlDocument& doc, std::vector<char>& text);
    void holdOpenUser(XmlDocument& doc, std::vector<char>& text, bool& unsaved);
    bool isOpenUser(const XmlDocument& doc) const { return user_.doc == &doc; }

    // A name that may be used as a data file name: not empty, at most
    // kMaxFileName bytes, no folder part.
    static constexpr std::size_t kMaxFileName = 255;
    static bool isSafeFileName(const std::string& name);

    // Reads and parses the file into doc, whose names point into text; both
    // keep what they held when it fails. Failures: UnsafeName, CannotOpen (the
    // reason from the system), Malformed (the parser's finding, and the line
    // and column in place). With mark, the file's mark is given back.
    Expected<void> read(const std::string& fileName, XmlDocument& doc, std::vector<char>& text,
                        XmlFile::Text kept = XmlFile::Text::Compact, FileMark* mark = nullptr) const;
    // Reads and checks the file as read does, its tree handed to visit in
    // parts and not kept (XmlFile::check): the least memory, for a check.
    Expected<void> check(const std::string& fileName, const XmlFile::Visit& visit) const;
    // read, keeping the values' text, and remembering the file's mark; a
    // held document read again holds no unsaved change.
    Expected<void> load(const std::string& fileName, XmlDocument& doc, std::vector<char>& text);

    // True when another program changed the file since the store read or
    // wrote it (a file never read is not changed).
    bool changedOutside(const std::string& fileName) const;
    // A file read again from disk, not yet taken.
    struct Fresh {
        XmlDocument doc;
        std::vector<char> text;
        FileMark mark;
        std::vector<char> joined;  // the file's text, lines joined: the base once taken
    };
    Expected<void> readFresh(const std::string& fileName, Fresh& into) const;
    // Puts the fresh tree in place of doc's. The old tree stays alive (a
    // window may still hold its nodes until it is brought up to date).
    void take(const std::string& fileName, XmlDocument& doc, Fresh& fresh);
    // Reads the file again into doc when another program changed it: true
    // when it did, false when the file is unchanged.
    Expected<bool> reloadIfChanged(const std::string& fileName, XmlDocument& doc);

    // Replaces the file by the printed document atomically. Failures:
    // UnsafeName, NotSaved (nothing written, the old file stays), NotSafe (the
    // new content was written but may not be safely on disk yet). The
    // reason is the writer's. A held user document's unsaved mark follows.
    Expected<void> save(const std::string& fileName, const XmlDocument& doc);

    // The open user's document holds a change its file does not.
    void markChanged() { *userUnsaved_ = true; }
    bool unsaved() const { return *userUnsaved_; }
    void setUnsaved(bool unsaved) { *userUnsaved_ = unsaved; }

    // Forgets the marks of what was read and written (a new data folder).
    void forget() {
        marks_.clear();
        bases_.clear();
    }

    // What a held document's file held when the store last read or wrote
    // it (the base a merge starts from), parsed into doc and text. False
    // when the store has not read or written that file.
    bool readBase(const std::string& fileName, XmlDocument& doc, std::vector<char>& text) const;

    // Takes the lock on the folder for the rest of the process: one program
    // or tool at a time works in a data folder. A folder this process locked
    // before stays locked. Failures: Busy (another process holds it), Failed.
    static Expected<void> lock(const std::string& folder);

private:
    struct Held {
        XmlDocument* doc = nullptr;
        std::vector<char>* text = nullptr;
    };
    std::string path(const std::string& fileName) const { return *folder_ + fileName; }
    // The text that goes with doc: the held one, or none.
    std::vector<char>* heldText(const XmlDocument& doc) const;

    const std::string* folder_;
    Held registry_;
    Held user_;
    bool noMark_ = false;
    bool* userUnsaved_ = &noMark_;
    std::map<std::string, FileMark> marks_;
    // Held documents' files as last read or written, lines joined.
    std::map<std::string, std::vector<char>> bases_;
    void keepBase(const std::string& fileName, const XmlDocument& doc);
    struct Retired {
        XmlDocument doc;
        std::vector<char> text;
    };
    std::vector<std::unique_ptr<Retired>> retired_;
};
