// The three-way merge of the registry (config.hma), record by record (keyed
// by id), as UserMerge merges a person's file: a record added on either
// side is kept, one removed on one side and untouched on the other is
// removed, a name changed on one side is taken, on both sides a conflict.
// A record the other version added under an id (or a file name) that the
// kept registry gives another person is a second person: it is given the
// first free id and its own file name, and the move is told so that the
// caller writes that person's data under the new name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/UserMerge.h"
#include "store/XmlDocument.h"

class RegistryMerge {
public:
    RegistryMerge() = delete;

    struct Moved {
        std::string oldId, newId;
        std::string oldFile, newFile;
        std::string first, last;  // the person moved
    };
    struct Outcome {
        int added = 0;
        int removed = 0;
        int changed = 0;
        std::vector<Moved> moved;
        std::vector<UserMerge::Conflict> conflicts;
    };

    // taken(name) tells a file name the folder already uses (a new file
    // name is never one of them). base may be null.
    static Outcome merge(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                         RapidDocument& into, const UserMerge::Resolve& resolve,
                         const std::function<bool(const std::string&)>& taken);
};
