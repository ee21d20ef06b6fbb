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
        // For a reading: its variable and the two entries (null where a side
        // removed it), valid while resolve is asked, for texts in a person's units.
        std::string variable;
        const XmlNode* keptEntry = nullptr;
        const XmlNode* otherEntry = nullptr;
    };
    using Resolve = std::function<Side(const Conflict&)>;
    // Why a reading of the other version may not be stored (the checks a
    // typed or imported reading passes), empty when it may; given the
    // variable's name and the entry.
    using Check = std::function<std::string(const std::string& variable, const XmlNode& entry)>;
    struct Refused {
        std::string what;    // "Pulse reading 7 at 2026/12/08 10:10:10 AM"
        std::string reason;
    };

    struct Outcome {
        int added = 0;       // readings of the other version added to the kept file
        int removed = 0;     // readings the other version removed
        int changed = 0;     // readings and fields taken from the other version
        int renumbered = 0;  // readings added under a new id
        std::vector<Conflict> conflicts;
        std::vector<Refused> refused;  // readings of the other version left out, and why
    };

    // Merges into `into` (which then holds its own texts); base may be null.
    // resolve is asked once per conflict, in the order of the file. A
    // reading of the other version that check refuses is never brought in
    // (nor asked about): it is listed in the outcome's refused.
    static Outcome merge(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                         RapidDocument& into, const Resolve& resolve, const Check& check = nullptr);
    // What merge would ask about and refuse, nothing merged.
    static Outcome plan(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                        const Check& check = nullptr);
    static std::vector<Conflict> conflicts(const RapidDocument* base, const RapidDocument& kept,
                                           const RapidDocument& other, const Check& check = nullptr);
};
