#include "store/RegistryMerge.h"

#include <climits>
#include <functional>
#include <cstdlib>
#include <set>

#include "store/XmlCopy.h"

namespace {

XmlNode* recordWithId(const XmlNode* config, const std::string& id) {
    for (XmlNode* p = config ? config->first_node("patient") : nullptr; p; p = p->next_sibling("patient"))
        if (XmlCopy::key(p) == id) return p;
    return nullptr;
}

std::string nameOf(const XmlNode* record) {
    const XmlNode* name = XmlCopy::child(record, "name");
    return XmlCopy::content(XmlCopy::child(name, "first")) + " " + XmlCopy::content(XmlCopy::child(name, "last"));
}

std::string fileOf(const XmlNode* record) { return XmlCopy::content(XmlCopy::child(record, "file")); }

long long idOf(const XmlNode* record) { return std::strtoll(XmlCopy::key(record).c_str(), nullptr, 10); }

// Inserts record in the order of ids.
void insertInOrder(XmlNode& config, XmlNode* record) {
    const long long id = idOf(record);
    for (XmlNode* p = config.first_node("patient"); p; p = p->next_sibling("patient")) {
        if (idOf(p) > id) {
            config.insert_node(p, record);
            return;
        }
    }
    config.append_node(record);
}

}  // namespace

RegistryMerge::Outcome RegistryMerge::merge(const RapidDocument* base, const RapidDocument& kept,
                                            const RapidDocument& other, RapidDocument& into,
                                            const UserMerge::Resolve& resolve,
                                            const std::function<bool(const std::string&)>& taken) {
    Outcome outcome;
    XmlCopy::copyDocument(into, kept);
    XmlNode* config = into.first_node("config");
    if (!config) {
        config = into.allocate_node(rapidxml::node_element, "config");
        into.append_node(config);
    }
    const XmlNode* otherConfig = other.first_node("config");
    const XmlNode* baseConfig = base ? base->first_node("config") : nullptr;
    auto decide = [&](const UserMerge::Conflict& c) {
        outcome.conflicts.push_back(c);
        return resolve && resolve(c) == UserMerge::Side::Other;
    };
    // Records of the base: what the other version did to each.
    for (const XmlNode* b = XmlCopy::child(baseConfig, "patient"); b; b = b->next_sibling("patient")) {
        const std::string id = XmlCopy::key(b);
        const XmlNode* o = recordWithId(otherConfig, id);
        if (o && XmlCopy::content(o) == XmlCopy::content(b)) continue;
        XmlNode* k = recordWithId(config, id);
        const bool keptUnchanged = k && XmlCopy::content(k) == XmlCopy::content(b);
        if (!o) {
            if (k && (keptUnchanged ||
                      decide({"person " + id, nameOf(k), "removed", std::string(), nullptr, nullptr}))) {
                config->remove_node(k);
                ++outcome.removed;
            }
            continue;
        }
        if (k && XmlCopy::content(k) == XmlCopy::content(o)) continue;
        if (!keptUnchanged &&
            !decide({"person " + id, k ? nameOf(k) : "removed", nameOf(o), std::string(), nullptr, nullptr}))
            continue;
        if (k) {
            config->insert_node(k, XmlCopy::copy(into, *o));
            config->remove_node(k);
            ++outcome.changed;
        } else {
            insertInOrder(*config, XmlCopy::copy(into, *o));
            ++outcome.added;
        }
    }
    // Records the other version added.
    for (const XmlNode* o = XmlCopy::child(otherConfig, "patient"); o; o = o->next_sibling("patient")) {
        const std::string id = XmlCopy::key(o);
        if (recordWithId(baseConfig, id)) continue;
        const XmlNode* k = recordWithId(config, id);
        if (k && XmlCopy::content(k) == XmlCopy::content(o)) continue;
        if (k && nameOf(k) == nameOf(o) && fileOf(k) == fileOf(o)) continue;
        bool fileUsed = false;
        for (const XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient"))
            fileUsed = fileUsed || fileOf(p) == fileOf(o);
        XmlNode* copied = XmlCopy::copy(into, *o);
        if (k || fileUsed) {
            // Another person under the same id or file: the first free id
            // after the largest, with a file name nothing uses.
            std::set<long long> ids;
            std::set<std::string> files;
            for (const XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
                ids.insert(idOf(p));
                files.insert(fileOf(p));
            }
            long long fresh = ids.empty() ? 0 : *ids.rbegin() + 1;
            std::string file;
            for (;; ++fresh) {
                file = "user" + std::to_string(fresh) + ".hma";
                if (!files.count(file) && !(taken && taken(file))) break;
            }
            if (fresh > INT_MAX) continue;  // no id left: the copy stays for later
            const std::string newId = std::to_string(fresh);
            XmlNode* fileNode = copied->first_node("file");
            if (!fileNode) {
                fileNode = into.allocate_node(rapidxml::node_element, "file");
                copied->append_node(fileNode);
            }
            XmlCopy::setText(into, *fileNode, file);
            XmlAttribute* idAttr = copied->first_attribute();
            if (!idAttr) {
                idAttr = into.allocate_attribute("id");
                copied->prepend_attribute(idAttr);
            }
            idAttr->value(into.allocate_string(newId.c_str(), newId.size() + 1), newId.size());
            const XmlNode* name = XmlCopy::child(o, "name");
            outcome.moved.push_back({id, newId, fileOf(o), file, XmlCopy::content(XmlCopy::child(name, "first")),
                                     XmlCopy::content(XmlCopy::child(name, "last"))});
        }
        insertInOrder(*config, copied);
        ++outcome.added;
    }
    return outcome;
}
