// The process-wide data store: the registry document (config.hma), the open
// user's document, the texts they were parsed from, the data folder, the
// open user's id and file name, and the default normal-range limits.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Expected.h"
#include "store/FolderStore.h"
#include "store/UserMerge.h"
#include "store/XmlDocument.h"

// The facade over the silent FolderStore: it keeps the documents the
// windows work on and does the asking and telling (alerts, the Reload or
// Overwrite question, the standard error, the end of the program where it
// cannot go on) through the dialog seam.
class Global {
public:
    Global() = delete;

    static std::string dataFolder;
    static XmlDocument configDoc;
    static std::vector<char> configText;
    static XmlDocument userDoc;
    static std::vector<char> userText;
    static std::string currentFile;
    static std::string currentId;
    static bool userOpen;
    // True while userDoc holds changes its file does not: set by
    // markUserChanged and by a save that could not store them, cleared when
    // a save succeeds or the file is read again.
    static bool userUnsaved;
    static std::map<std::string, double> defaultLow;
    static std::map<std::string, double> defaultHigh;

    // Longest file name and id the store accepts.
    static constexpr std::size_t kMaxFileName = 255;
    static constexpr std::size_t kMaxId = 11;

    static void init();
    // Back to the state of a process that has read nothing (no folder, no
    // documents, no user, no remembered files, no reload hook), with the
    // default limits of init: what each test starts from.
    static void resetForTests();

    // Reads and parses dataFolder + fileName into doc and buffer.
    // A file that cannot be opened ends the program (status 1) after an
    // alert. A file that is not well-formed is refused with an alert naming
    // it and the parser's finding: the function returns false and doc and
    // buffer keep what they held before. A name with a folder part, or
    // longer than kMaxFileName, is refused the same way. The Error tells
    // which (UnsafeName, Malformed).
    static Expected<void> loadFile(XmlDocument& doc, const char* fileName, std::vector<char>& buffer);

    // Before a file is replaced it must still be the file the store read or
    // last wrote (size, time and checksum). When another program changed it,
    // the registry is merged with it (RegistryMerge); for the open user's
    // document holding a change, "Keep Both" (the default) merges the file,
    // what was read and the document (UserMerge) and saves the result.
    // Otherwise the person is asked: "Reload" takes the file on disk into doc (the
    // question lists what is dropped; the save returns false and
    // afterReload runs), "Overwrite" saves, "&Cancel" (the default) saves
    // nothing and returns false.
    // Writes doc to dataFolder + fileName, replacing the old file atomically.
    // A failure is reported (alert naming the file and the reason, level-1
    // trace, no "Saved file " line) and returns false; the old file stays as
    // it was and doc is not touched.
    // A data file without write permission is refused the same way.
    static Expected<void> saveFile(const char* fileName, XmlDocument& doc);
    // The hint of the NotSaved error of a save left undone by the answer to
    // the question about a file another program changed (Reload, Cancel):
    // nothing was said besides the question.
    static constexpr const char* kLeftForOutsideChange = "left undone after the question about the changed file";
    // saveFile for a change the caller takes back in memory when the file
    // does not hold it (for userDoc it marks the change, see
    // markUserChanged): the alert ends with undoneNote, and the result is
    // true when the new content reached the file (even if the save then
    // failed), false when the change must be taken back.
    static bool saveChange(const char* fileName, XmlDocument& doc, const char* undoneNote);

    // Every change to the open user's document is marked before it is
    // saved, so that leaving the user writes only what changed.
    static void markUserChanged();
    // Saves the open user's document before it is left (Exit, another user,
    // a new one) when it holds changes its file does not; an unchanged
    // document is not written. saveFile's result, true when nothing needed
    // writing.
    static Expected<void> saveUserIfChanged();

    // Re-reads the registry when another program changed config.hma since
    // it was read or written. The registry in memory never holds a change
    // that is not on disk, so nothing is lost; every registry change starts
    // here, so records added or changed outside are kept. False after an
    // alert when the changed file cannot be read (the registry stays).
    static Expected<void> refreshRegistry();
    // Runs after a document was reloaded from disk in place of the one in
    // memory (the window brings its panels up to date).
    static std::function<void()> afterReload;
    // How the question about a file changed outside and a merge's questions
    // name a reading of a variable: the window names its values in the
    // chosen units and its time on the chosen clock. Unset, the file's own
    // texts are listed.
    static std::function<std::string(const XmlNode* variable, const XmlNode* entry)> readingText;
    // The checks a reading Keep Both brings in from the window passes (set by
    // the program; none: every reading is taken).
    static UserMerge::Check checkMerged;
    // The question of a merge's conflict, the two sides named so.
    static std::string conflictQuestion(const UserMerge::Conflict& c, const std::string& opening,
                                        const std::string& keptSide, const std::string& otherSide);
    // Forgets what was read and written (a new data folder, tests).
    static void forgetFiles();

    // Makes userDoc a copy of the template with a fresh id; sets userOpen.
    // False (after an alert, nothing changed) when no id is left.
    static Expected<void> createNew();
    // Adds the open user to the registry, sets currentId and currentFile and
    // saves the registry. False without a change when no id is left or when
    // the registry could not be saved (the record is taken out again and
    // currentId and currentFile are restored; the alert says so).
    static Expected<void> addNewToConfig(const char* first, const char* last);
    // Gives a registry record a new first and last name and saves the
    // registry; when that fails the old names are put back (false).
    static Expected<void> renameInRegistry(XmlNode* record, const std::string& first, const std::string& last);
    // The first free id after the first record's id; *before receives the
    // record a new one goes before (null: at the end). -1 when the id after
    // the last record would not fit in an int.
    static int getNewId(XmlNode** before);
    static XmlNode* findNodeWithId(const char* id);
    // Failures: NotFound, or NotSaved when the registry could not be saved
    // (the record is put back where it was; the alert says so).
    static Expected<void> removeCurrentUser();
    // The same for the record with this id, whatever its file name (one
    // whose file name is refused cannot be opened to be removed).
    static Expected<void> removeUserWithId(const std::string& id);
    static XmlNode* findVariable(const char* name);

    // A name read from the registry that may be used as a data file name:
    // not empty, at most kMaxFileName bytes, no folder part.
    static bool isSafeFileName(const std::string& name);

    // Text helpers that never dereference a missing node.
    static const char* textOf(const XmlNode* node);
    static const char* childText(const XmlNode* parent, const char* childName);
    static const char* attributeText(const XmlNode* node, const char* attributeName);

private:
    // The silent store under this facade, holding configDoc and userDoc.
    static FolderStore& files();
    // Asks before replacing a file another program changed; true: save.
    static bool confirmReplace(const char* fileName, XmlDocument& doc);
    // The question when the open user's document holds a change too: Keep
    // Both (the default), Reload, Overwrite or Cancel, answered as
    // confirmReplace's choice (0 Cancel, 1 Reload, 2 Overwrite) or kKeepBoth.
    static constexpr int kKeepBoth = 3;
    static int askKeepBoth(const std::string& question);
    // Merges the file on disk, what was read and doc (UserMerge), asking
    // about each conflict, and puts the result in doc's place; true: save.
    static bool keepBoth(const char* fileName, XmlDocument& doc, FolderStore::Fresh& fresh);
    // Merges the registry on disk with the one here (RegistryMerge) before
    // it is written; false when it cannot be merged so (no base, or a person
    // would need a new id), and the question is asked.
    static bool mergeRegistry(const char* fileName, XmlDocument& doc, FolderStore::Fresh& fresh);
    // Asks the person which side of each of count conflicts is kept.
    static UserMerge::Resolve askEachConflict(std::size_t count);
    // saveFile with the last line of its alert chosen by the caller
    // (undoneNote, for a change taken back in memory); NotSafe tells that
    // the new content reached the file even though the save failed.
    static Expected<void> saveReporting(const char* fileName, XmlDocument& doc, const char* undoneNote);
    // Saves the registry after a change; false when the change must be
    // taken back because the file on disk does not hold it.
    static bool saveRegistryChange(const char* undoneNote);
    // Removes the first record that matches and saves the registry.
    static Expected<void> removeRecord(const std::function<bool(XmlNode*)>& matches, const std::string& shown);
};
