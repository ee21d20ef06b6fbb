// The restore of a backup as one transaction over the whole data folder.
// The backup's files are first put, checked, into a folder of their own
// inside the data folder (kIncoming); nothing of the person's changes until
// they are all there. Then a journal (kJournal) naming every move is
// written and flushed to disk, and only then are the folder's files moved
// into a new dated folder (before-restore-2026-12-08-1630/) and the
// backup's moved into their place, the registry last. Every move is a
// rename that never replaces an existing file, so each file is always whole
// in exactly one place. The journal goes when all moves are on disk.
//
// A restore interrupted at any moment (a kill, a power cut, an error) is
// finished or undone by the next program that opens the folder (recover):
// with the journal there it is carried to its end (or, when the journal
// says so after an error, undone); without it nothing of the folder was
// changed yet and the incoming files are removed.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "exchange/Diagnostics.h"
#include "exchange/Status.h"

// A person of a registry with the number of readings of their file (-1:
// the file is missing or cannot be read).
struct PersonReadings {
    std::string id;
    std::string name;  // "Ann Lee"
    long long readings = -1;
};

// A backup whose files are checked and waiting in the folder's kIncoming.
struct RestorePlan {
    std::string folder;               // the data folder, ending with a separator
    std::vector<std::string> files;   // the backup's files, the registry last
    std::vector<PersonReadings> people;
    std::size_t readings = 0;
    std::string madeOn;               // "2026-12-01"

    // "3 people, 5,716 readings, made 2026-12-01"
    std::string describe() const;
};

class FolderRestore {
public:
    static const char* const kIncoming;  // the backup's files before they go in
    static const char* const kJournal;   // the moves of a restore under way
    static const char* const kKeptPrefix;

    // The program's own files in a data folder (never a person's).
    static bool isOwnFile(const std::string& name);
    // A name a restore moves: a plain file name without control characters.
    static bool isPlainName(const std::string& name);

    // Checks a folder as `check` checks its structure: a well-formed
    // registry whose records have distinct ids and each its own plain file
    // (not one of the program's own, not another record's), there and
    // well-formed with a patient element of the record's id; preferences
    // that read. Lines told start with `where` in place of the folder.
    // kOk with people and readings filled; kProblem otherwise.
    static int checkFolder(const std::string& folder, const std::string& where, std::vector<PersonReadings>& people,
                           std::size_t& readings, Diagnostics& tell);

    // The people of a folder's registry with their readings, whatever is
    // wrong with their files; empty when the registry cannot be read.
    static std::vector<PersonReadings> peopleOf(const std::string& folder);

    // Whom the backup replaces, adds and drops, matched by id: "Replaces Ann
    // Lee (2,310 readings) with Ann Lee (2,402 readings); drops Bob Ray (5
    // readings)."
    static std::string changes(const std::vector<PersonReadings>& now, const std::vector<PersonReadings>& backup);

    // Puts the planned files in place of the folder's (the caller holds the
    // folder's lock), keeping every file it replaces, and every file of a
    // person the backup lacks, in a new folder kept (its name, set when
    // something was moved). kOk; kProblem (told) when it stopped: then it
    // was undone, or is finished or undone at the folder's next opening, as
    // told.
    static int commit(const RestorePlan& plan, const std::tm& now, std::string& kept, Diagnostics& tell);

    // Removes the incoming files of a restore that is not going ahead.
    static void discard(const std::string& folder);

    enum class Recovery {
        None,      // no restore was interrupted
        Finished,  // an interrupted restore was finished
        Undone,    // an interrupted restore was undone
        Busy,      // another program holds the folder (perhaps restoring now)
        Failed,    // one was interrupted and cannot be finished or undone now
    };
    // Finishes or undoes a restore interrupted in the folder, taking the
    // folder's lock when there is one; said tells what was done.
    static Recovery recover(const std::string& folder, std::string& said);

    // recover for a command of quorvel-data or the window's start: true
    // when the folder may be used (what was done is told); false (told)
    // when it is left in the middle of a restore.
    static bool recoverBeforeUse(const std::string& folder, Diagnostics& tell);
};
