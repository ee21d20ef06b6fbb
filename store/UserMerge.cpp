#include "store/UserMerge.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "store/VariableTable.h"
#include "store/XmlCopy.h"

namespace {

const char* const kRanges[] = {"normalLow", "normalHigh", "panicLow", "panicHigh"};

// An entry's whole content: its values, date and time.
std::string contentOf(const XmlNode* entry) { return XmlCopy::content(entry); }

std::string whenOf(const XmlNode* entry) {
    return XmlCopy::content(XmlCopy::child(entry, "date")) + " " + XmlCopy::content(XmlCopy::child(entry, "time"));
}

// The values as a person reads them: "72.000000", "128.000000/84.000000".
std::string valuesOf(const XmlNode* entry) {
    if (!entry) return "removed";
    std::string values;
    for (const char* part : VariableTable::valueElements()) {
        const XmlNode* n = entry->first_node(part);
        if (!n) continue;
        if (!values.empty()) values += "/";
        values += XmlCopy::content(n);
    }
    return values + " at " + whenOf(entry);
}

XmlNode* findKeyed(const XmlNode* parent, const char* name, const std::string& key) {
    if (!parent) return nullptr;
    for (XmlNode* n = parent->first_node(name); n; n = n->next_sibling(name))
        if (XmlCopy::key(n) == key) return n;
    return nullptr;
}

class Merger {
public:
    Merger(RapidDocument& into, const UserMerge::Resolve& resolve, const UserMerge::Check& check)
        : into_(into), resolve_(resolve), check_(check) {}

    UserMerge::Outcome outcome;

    void mergeInfo(const XmlNode* basePatient, XmlNode* keptPatient, const XmlNode* otherPatient) {
        const XmlNode* otherInfo = XmlCopy::child(otherPatient, "info");
        if (!otherInfo) return;
        XmlNode* keptInfo = XmlCopy::child(keptPatient, "info");
        if (!keptInfo) {
            keptPatient->prepend_node(XmlCopy::copy(into_, *otherInfo));
            return;
        }
        const XmlNode* baseInfo = XmlCopy::child(basePatient, "info");
        for (const XmlNode* field = otherInfo->first_node(); field; field = field->next_sibling()) {
            const std::string name(field->name(), field->name_size());
            if (name == "name") {
                XmlNode* keptName = keptInfo->first_node("name");
                if (!keptName) {
                    keptInfo->prepend_node(XmlCopy::copy(into_, *field));
                    continue;
                }
                for (const XmlNode* part = field->first_node(); part; part = part->next_sibling()) {
                    const std::string partName(part->name(), part->name_size());
                    mergeField("information: " + partName + " name", XmlCopy::child(XmlCopy::child(baseInfo, "name"),
                                                                                    partName.c_str()),
                               *keptName, *part, baseInfo != nullptr);
                }
                continue;
            }
            mergeField("information: " + name, XmlCopy::child(baseInfo, name.c_str()), *keptInfo, *field,
                       baseInfo != nullptr);
        }
    }

    void mergeVariable(const XmlNode* basePatient, XmlNode* keptPatient, const XmlNode* otherVar) {
        const std::string name = XmlCopy::key(otherVar);
        XmlNode* keptVar = findKeyed(keptPatient, "variable", name);
        if (!keptVar) {
            // A variable the kept file does not have comes whole (one it
            // removed is brought back: its readings are not lost).
            XmlNode* copied = XmlCopy::copy(into_, *otherVar);
            for (XmlNode* e = copied->first_node("entry"); e;) {
                XmlNode* next = e->next_sibling("entry");
                if (refused(name, *e))
                    copied->remove_node(e);
                else
                    ++outcome.added;
                e = next;
            }
            keptPatient->append_node(copied);
            return;
        }
        const XmlNode* baseVar = findKeyed(basePatient, "variable", name);
        for (const char* range : kRanges) {
            const XmlNode* otherRange = otherVar->first_node(range);
            if (otherRange) mergeField(name + " " + range, XmlCopy::child(baseVar, range), *keptVar, *otherRange,
                                       baseVar != nullptr);
        }
        mergeEntries(name, baseVar, *keptVar, *otherVar);
    }

private:
    // One field (a text, or an element such as a two-valued range): taken
    // from the other version when only it changed it.
    void mergeField(const std::string& what, const XmlNode* baseField, XmlNode& keptParent, const XmlNode& otherField,
                    bool baseKnown) {
        XmlNode* keptField = keptParent.first_node(otherField.name(), otherField.name_size());
        const std::string other = XmlCopy::content(&otherField);
        const std::string kept = XmlCopy::content(keptField);
        if (keptField && other == kept) return;
        if (baseKnown && baseField && other == XmlCopy::content(baseField)) return;  // not changed there
        const bool keptUnchanged = baseKnown && baseField && keptField && kept == XmlCopy::content(baseField);
        if (keptField && !keptUnchanged && !decide({what, kept, other, std::string(), nullptr, nullptr})) return;
        XmlNode* copied = XmlCopy::copy(into_, otherField);
        if (keptField) {
            keptParent.insert_node(keptField, copied);
            keptParent.remove_node(keptField);
        } else {
            keptParent.append_node(copied);
        }
        ++outcome.changed;
    }

    void mergeEntries(const std::string& name, const XmlNode* baseVar, XmlNode& keptVar, const XmlNode& otherVar) {
        std::map<std::string, const XmlNode*> baseEntries, otherEntries;
        for (const XmlNode* e = XmlCopy::child(baseVar, "entry"); e; e = e->next_sibling("entry"))
            baseEntries[XmlCopy::key(e)] = e;
        for (const XmlNode* e = otherVar.first_node("entry"); e; e = e->next_sibling("entry"))
            otherEntries[XmlCopy::key(e)] = e;
        // Readings of the base: what the other version did to each.
        for (const XmlNode* b = XmlCopy::child(baseVar, "entry"); b; b = b->next_sibling("entry")) {
            const std::string id = XmlCopy::key(b);
            const auto found = otherEntries.find(id);
            const XmlNode* o = found == otherEntries.end() ? nullptr : found->second;
            if (o && contentOf(o) == contentOf(b)) continue;
            XmlNode* k = findKeyed(&keptVar, "entry", id);
            const bool keptUnchanged = k && contentOf(k) == contentOf(b);
            const std::string what = std::string(name).append(" reading ").append(id);
            if (!o) {
                if (!k) continue;  // removed on both sides
                if (keptUnchanged || decide({what, valuesOf(k), "removed", name, k, nullptr})) {
                    keptVar.remove_node(k);
                    ++outcome.removed;
                }
                continue;
            }
            if (k && contentOf(k) == contentOf(o)) continue;  // the same change on both sides
            if (refused(name, *o)) continue;
            if (!keptUnchanged && !decide({what, valuesOf(k), valuesOf(o), name, k, o})) continue;
            if (k) {
                replace(keptVar, *k, *o, id);
                ++outcome.changed;
            } else {
                append(keptVar, *o);
            }
        }
        // Readings the other version added.
        for (const XmlNode* o = otherVar.first_node("entry"); o; o = o->next_sibling("entry")) {
            if (baseEntries.count(XmlCopy::key(o))) continue;
            XmlNode* sameTime = nullptr;
            bool alreadyThere = false;
            for (XmlNode* k = keptVar.first_node("entry"); k; k = k->next_sibling("entry")) {
                if (whenOf(k) != whenOf(o)) continue;
                if (contentOf(k) == contentOf(o)) alreadyThere = true;
                sameTime = k;
            }
            if (alreadyThere || refused(name, *o)) continue;
            if (sameTime) {
                if (decide({name + " reading at " + whenOf(o), valuesOf(sameTime), valuesOf(o), name, sameTime, o})) {
                    replace(keptVar, *sameTime, *o, XmlCopy::key(sameTime));
                    ++outcome.changed;
                }
                continue;
            }
            append(keptVar, *o);
        }
    }

    // Puts a copy of o in k's place, under id.
    void replace(XmlNode& var, XmlNode& k, const XmlNode& o, const std::string& id) {
        XmlNode* copied = XmlCopy::copy(into_, o);
        setKey(*copied, id);
        var.insert_node(&k, copied);
        var.remove_node(&k);
    }

    // Appends a copy of o after the last entry; an id the variable uses
    // already is replaced by one more than the largest.
    void append(XmlNode& var, const XmlNode& o) {
        XmlNode* copied = XmlCopy::copy(into_, o);
        const std::string id = XmlCopy::key(&o);
        long long largest = -1;
        bool taken = false;
        for (const XmlNode* k = var.first_node("entry"); k; k = k->next_sibling("entry")) {
            const std::string kid = XmlCopy::key(k);
            taken = taken || kid == id;
            largest = std::max(largest, std::strtoll(kid.c_str(), nullptr, 10));
        }
        if (taken || id.empty()) {
            setKey(*copied, std::to_string(largest + 1));
            ++outcome.renumbered;
        }
        var.append_node(copied);
        ++outcome.added;
    }

    void setKey(XmlNode& node, const std::string& id) {
        XmlAttribute* a = node.first_attribute();
        if (!a) {
            a = into_.allocate_attribute("id");
            node.prepend_attribute(a);
        }
        a->value(into_.allocate_string(id.c_str(), id.size() + 1), id.size());
    }

    // True (and listed) when the check refuses the other version's reading.
    bool refused(const std::string& variable, const XmlNode& entry) {
        if (!check_) return false;
        std::string reason = check_(variable, entry);
        if (reason.empty()) return false;
        outcome.refused.push_back({variable + " reading " + XmlCopy::key(&entry) + " at " + whenOf(&entry),
                                   std::move(reason)});
        return true;
    }

    // True when the other version's side is taken.
    bool decide(const UserMerge::Conflict& conflict) {
        outcome.conflicts.push_back(conflict);
        return resolve_ && resolve_(conflict) == UserMerge::Side::Other;
    }

    RapidDocument& into_;
    const UserMerge::Resolve& resolve_;
    const UserMerge::Check& check_;
};

}  // namespace

UserMerge::Outcome UserMerge::merge(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                                    RapidDocument& into, const Resolve& resolve, const Check& check) {
    XmlCopy::copyDocument(into, kept);
    Merger merger(into, resolve, check);
    XmlNode* keptPatient = into.first_node("patient");
    const XmlNode* otherPatient = other.first_node("patient");
    if (!otherPatient) return merger.outcome;
    if (!keptPatient) {
        // Nothing to merge into: the other version is taken, its readings checked.
        keptPatient = XmlCopy::copy(into, *otherPatient);
        for (XmlNode* v = keptPatient->first_node("variable"); v;) {
            XmlNode* next = v->next_sibling("variable");
            keptPatient->remove_node(v);
            v = next;
        }
        into.append_node(keptPatient);
    }
    const XmlNode* basePatient = base ? base->first_node("patient") : nullptr;
    merger.mergeInfo(basePatient, keptPatient, otherPatient);
    for (const XmlNode* v = otherPatient->first_node("variable"); v; v = v->next_sibling("variable"))
        merger.mergeVariable(basePatient, keptPatient, v);
    return merger.outcome;
}

UserMerge::Outcome UserMerge::plan(const RapidDocument* base, const RapidDocument& kept, const RapidDocument& other,
                                   const Check& check) {
    RapidDocument scratch;
    return merge(base, kept, other, scratch, nullptr, check);
}

std::vector<UserMerge::Conflict> UserMerge::conflicts(const RapidDocument* base, const RapidDocument& kept,
                                                      const RapidDocument& other, const Check& check) {
    return plan(base, kept, other, check).conflicts;
}
