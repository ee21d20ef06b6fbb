// The three-way merge of a person's data file: what was read (the base),
// the file that stays (kept: the file on disk now) and the other version
// whose changes are brought in (the window's document, or a sync tool's
// conflict copy). The result starts as the kept file; every change the
// other made since the base is applied to it, as version control merges
// lines:
// - a reading added on either side is kept (the same reading added on both,
//   once); one whose id the kept file already uses gets a new id;
// - a reading removed on one side and untouched on the other is removed;
// - a reading changed on one side is taken; changed differently on both
//   sides, removed on one and changed on the other, or two readings at one
//   date and time with different values, is a conflict the caller decides;
// - personal information and ranges, field by field, the same way.
// Without a base (a conflict copy: nobody knows what both started from)
// every reading counts as added, so none is lost, and any field that
// differs is a conflict.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/XmlDocument.h"

class UserMerge {
public:
    UserMerge() = delete;

    // Which version a conflict takes.
    enum class Side { Kept, Other };
    struct Conflict {
        std::string what;   // "Pulse reading at 2026/12/08 10:10:10 AM", "information: dob", "Pulse normalLow"
        std::string kept;   // the kept file's text ("removed" when it removed it)
        std::string other;  // the other version's
    };
    using Resolve = std::function<Side(const Conflict&)>;

    struct Outcome {
        int added = 0;       // readings of the other version added to the kept file
        int removed = 0;     // readings the other version removed
        int changed = 0;     // readings and fields taken from the other version
        int renumbered = 0;  // readings added under a new id
        std::vector<Conflict> conflicts;
    };

    // Merges into `into` (which then holds its own texts); base may be null.
    // resolve is asked once per conflict, in the order of the file.
    static Outcome merge(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                         RapidDocument& into, const Resolve& resolve);
    // The conflicts merge would ask about, nothing merged.
    static std::vector<Conflict> conflicts(const RapidDocument* base, const RapidDocument& kept,
                                           const RapidDocument& other);
};
