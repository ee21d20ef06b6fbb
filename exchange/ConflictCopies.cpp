#include "exchange/ConflictCopies.h"

#include <algorithm>

#include "exchange/DataFolder.h"
#include "platform/Platform.h"
#include "store/ConflictCopy.h"
#include "store/XmlCopy.h"

namespace {

struct Loaded {
    XmlDocument doc;
    std::vector<char> text;
};

std::string personName(const RapidDocument& doc) {
    const XmlNode* name = XmlCopy::child(XmlCopy::child(doc.first_node("patient"), "info"), "name");
    return XmlCopy::content(XmlCopy::child(name, "first")) + " " + XmlCopy::content(XmlCopy::child(name, "last"));
}

void setId(RapidDocument& doc, const std::string& id) {
    XmlNode* patient = doc.first_node("patient");
    if (!patient) return;
    XmlAttribute* a = patient->first_attribute("id");
    if (!a) {
        a = doc.allocate_attribute("id");
        patient->prepend_attribute(a);
    }
    a->value(doc.allocate_string(id.c_str(), id.size() + 1), id.size());
}

class Merging {
public:
    Merging(DataFolder& folder, const UserMerge::Resolve& resolve, bool write, const UserMerge::Check& check,
            bool skipBad)
        : folder_(folder), resolve_(resolve), write_(write), check_(check), skipBad_(skipBad) {}

    ConflictCopies::Result result;

    Expected<void> load(const std::string& name, Loaded& into) {
        return folder_.loadFile(name, into.doc, into.text, XmlFile::Text::Values);
    }

    Expected<void> save(const std::string& name, const XmlDocument& doc) {
        return write_ ? folder_.save(name, doc) : Expected<void>();
    }

    // The copy kept as COPY.old, or .old2, .old3, ... when that is taken.
    Expected<void> keep(const std::string& copy) {
        result.merged.push_back(copy);
        std::string kept = copy + ".old";
        for (int n = 2; platform::isRegularFile(folder_.path() + kept); ++n) kept = copy + ".old" + std::to_string(n);
        result.keptAs.push_back(kept);
        if (write_ && !platform::renameFile(folder_.path() + copy, folder_.path() + kept))
            return Error(Error::Kind::NotSaved, folder_.path() + copy + ": could not be renamed to " + kept);
        return {};
    }

    Expected<void> registry(const ConflictCopies::Copy& copy, std::vector<ConflictCopies::Copy>& copies) {
        Loaded kept, other;
        if (Expected<void> r = load(copy.original, kept); !r) return r;
        if (Expected<void> r = load(copy.name, other); !r) return r;
        XmlDocument merged;
        const std::string path = folder_.path();
        const RegistryMerge::Outcome outcome = RegistryMerge::merge(
            nullptr, *kept.doc, *other.doc, *merged, resolve_,
            [&path](const std::string& file) { return platform::isRegularFile(path + file); });
        result.conflicts.insert(result.conflicts.end(), outcome.conflicts.begin(), outcome.conflicts.end());
        // A moved person's data first: the registry never names a file
        // that is not there.
        for (const RegistryMerge::Moved& m : outcome.moved) {
            if (Expected<void> r = move(m, copies); !r) return r;
            result.moved.push_back(m);
        }
        if (Expected<void> r = save(copy.original, merged); !r) return r;
        return keep(copy.name);
    }

    // The moved person's file is the one (the file or one of its copies)
    // that names them; the file itself then takes the copy that names the
    // person who keeps the id.
    Expected<void> move(const RegistryMerge::Moved& m, std::vector<ConflictCopies::Copy>& copies) {
        const std::string wanted = m.first + " " + m.last;
        std::vector<std::string> candidates{m.oldFile};
        for (const ConflictCopies::Copy& c : copies)
            if (c.original == m.oldFile) candidates.push_back(c.name);
        std::string theirs;
        for (const std::string& name : candidates) {
            Loaded l;
            if (load(name, l) && personName(*l.doc) == wanted) {
                theirs = name;
                break;
            }
        }
        if (theirs.empty())
            return Error(Error::Kind::NotFound, folder_.path() + m.oldFile + ": no file or copy holds " + wanted +
                                                    "'s data; the registry's copy was left for later");
        Loaded data;
        if (Expected<void> r = load(theirs, data); !r) return r;
        setId(*data.doc, m.newId);
        if (Expected<void> r = save(m.newFile, data.doc); !r) return r;
        if (theirs == m.oldFile) {
            // The file was theirs: a copy holds the data of the person who keeps the id.
            for (const std::string& name : candidates) {
                if (name == theirs) continue;
                Loaded other;
                if (!load(name, other) || personName(*other.doc) == wanted) continue;
                if (Expected<void> r = save(m.oldFile, other.doc); !r) return r;
                if (Expected<void> r = keep(name); !r) return r;
                dropCopy(copies, name);
                break;
            }
        } else {
            if (Expected<void> r = keep(theirs); !r) return r;
            dropCopy(copies, theirs);
        }
        return {};
    }

    Expected<void> user(const ConflictCopies::Copy& copy) {
        Loaded kept, other;
        if (!platform::isRegularFile(folder_.path() + copy.original))
            return Error(Error::Kind::NotFound, folder_.path() + copy.original + ": not there to merge " + copy.name +
                                                    " into; the copy was left for later");
        if (Expected<void> r = load(copy.original, kept); !r) return r;
        if (Expected<void> r = load(copy.name, other); !r) return r;
        XmlDocument merged;
        const UserMerge::Outcome outcome =
            UserMerge::merge(nullptr, *kept.doc, *other.doc, *merged, resolve_, check_);
        for (const UserMerge::Refused& r : outcome.refused) result.refused.push_back({copy.name + ": " + r.what, r.reason});
        if (!outcome.refused.empty() && !skipBad_) {
            // Nothing of it is taken: the copy stays as it is.
            result.leftOut.push_back(copy.name);
            return {};
        }
        result.conflicts.insert(result.conflicts.end(), outcome.conflicts.begin(), outcome.conflicts.end());
        result.added += outcome.added;
        if (Expected<void> r = save(copy.original, merged); !r) return r;
        return keep(copy.name);
    }

    static void dropCopy(std::vector<ConflictCopies::Copy>& copies, const std::string& name) {
        copies.erase(std::remove_if(copies.begin(), copies.end(),
                                    [&name](const ConflictCopies::Copy& c) { return c.name == name; }),
                     copies.end());
    }

private:
    DataFolder& folder_;
    const UserMerge::Resolve& resolve_;
    bool write_;
    const UserMerge::Check& check_;
    bool skipBad_;
};

}  // namespace

std::vector<ConflictCopies::Copy> ConflictCopies::find(const std::string& folder) {
    std::vector<std::string> names;
    std::string error;
    std::vector<Copy> copies;
    if (!platform::listFolder(folder, names, error)) return copies;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string original = ConflictCopy::originalOf(name);
        if (!original.empty()) copies.push_back({name, original, ConflictCopy::toolOf(name)});
    }
    std::stable_partition(copies.begin(), copies.end(), [](const Copy& c) { return c.original == "config.hma"; });
    return copies;
}

Expected<ConflictCopies::Result> ConflictCopies::merge(const std::string& folder, const UserMerge::Resolve& resolve,
                                                       bool write, const std::string& only,
                                                       const UserMerge::Check& check, bool skipBad) {
    DataFolder data;
    if (Expected<void> opened = data.open(folder); !opened) return opened.error();
    if (write)
        if (Expected<void> locked = data.lock(); !locked) return locked.error();
    std::vector<Copy> copies = find(data.path());
    Merging merging(data, resolve, write, check, skipBad);
    // The registry's copies first: they may move a person's copy away.
    while ((only.empty() || only == "config.hma") && !copies.empty() && copies.front().original == "config.hma") {
        const Copy copy = copies.front();
        copies.erase(copies.begin());
        if (Expected<void> r = merging.registry(copy, copies); !r) return r.error();
    }
    for (const Copy& copy : copies) {
        if (!only.empty() && copy.original != only) continue;
        if (Expected<void> r = merging.user(copy); !r) return r.error();
    }
    return merging.result;
}
