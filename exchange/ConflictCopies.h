// The conflict copies sync tools leave in a data folder (ConflictCopy), and
// their merge into the files they belong to, for quorvel-data and the
// window alike. A registry copy is merged first (RegistryMerge, without a
// base): a person the other computer added under an id this folder gives
// someone else gets a new id and file, and their data file (the one whose
// name is theirs, the file or its copy) is written under it. A person's
// copy is merged into the file (UserMerge, without a base: every reading of
// both is kept), each reading it brings in checked as a typed one. A merged
// copy is kept as COPY.old (.old2, ...), never deleted; a copy that cannot
// be merged stays as it is, and so does one holding a refused reading
// unless the rest is asked for (its refused readings then stay in .old).
#pragma once

#include <string>
#include <vector>

#include "app/Expected.h"
#include "store/RegistryMerge.h"
#include "store/UserMerge.h"

class ConflictCopies {
public:
    ConflictCopies() = delete;

    struct Copy {
        std::string name;      // the copy's file name
        std::string original;  // the file it belongs to
        std::string tool;      // the sync tool that names copies so
    };
    // The copies in the folder (a path ending with a separator): the
    // registry's first, then by name.
    static std::vector<Copy> find(const std::string& folder);

    struct Result {
        std::vector<std::string> merged;  // the copies merged (and kept as .old)
        std::vector<std::string> keptAs;  // the name each was kept under
        std::vector<RegistryMerge::Moved> moved;
        std::vector<UserMerge::Conflict> conflicts;
        std::vector<UserMerge::Refused> refused;  // what: "COPY: Pulse reading 7 at ..."
        std::vector<std::string> leftOut;  // copies not merged for a refused reading
        int added = 0;  // readings brought in from the copies
    };
    // Merges the copies (only those of the file `only`, when given) into
    // their files. Without write nothing is written: the result says what
    // would be done and asked. The first failure ends it (what was merged
    // before stays merged); its reason names the file. A copy with a reading
    // check refuses is merged only with skipBad (the good ones brought in).
    static Expected<Result> merge(const std::string& folder, const UserMerge::Resolve& resolve, bool write,
                                  const std::string& only = std::string(), const UserMerge::Check& check = nullptr,
                                  bool skipBad = false);
};
