#include "store/Global.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "store/FolderStore.h"
#include "store/RegistryMerge.h"
#include "store/VariableLookup.h"
#include "store/VariableTable.h"
#include "store/XmlFile.h"

#include <rapidxml/rapidxml_print.hpp>

std::string Global::dataFolder;
XmlDocument Global::configDoc;
std::vector<char> Global::configText;
XmlDocument Global::userDoc;
std::vector<char> Global::userText;
std::string Global::currentFile;
std::string Global::currentId;
bool Global::userOpen = false;
bool Global::userUnsaved = false;
std::function<void()> Global::afterReload;
std::function<std::string(const XmlNode*, const XmlNode*)> Global::readingText;
UserMerge::Check Global::checkMerged;
std::map<std::string, double> Global::defaultLow;
std::map<std::string, double> Global::defaultHigh;

void Global::init() {
    TRACE_SCOPE("Global::init");
    // The chart falls back to these where a file's normal range is unreadable.
    for (const Variable& v : VariableTable::all()) {
        if (!v.rangeCharted) continue;
        for (const VariableMember& m : v.members) {
            defaultLow[m.label] = m.normalLow;
            defaultHigh[m.label] = m.normalHigh;
        }
    }
}

namespace {

[[noreturn]] void cannotOpen(const char* fileName, bool traceIt) {
    std::string text = std::string("Unable to open file: ") + fileName;
    std::cerr << text << std::endl;
    Dialogs::alert(text + "\nProgram will be terminated");
    if (traceIt) TRACE_MSG(1, "Global::loadFile") << "Error: Unable to open file: " << fileName;
    Dialogs::terminate(1);
}

void reportMalformed(const char* fileName, const std::string& reason, const char* function) {
    std::cerr << "Malformed file " << fileName << ": " << reason << std::endl;
    TRACE_MSG(1, function) << "Error: malformed file " << fileName << ": " << reason;
    // Without its registry the program cannot go on (start-up ends it).
    const bool registry = std::strcmp(fileName, "config.hma") == 0;
    Dialogs::alert(std::string("The file ") + fileName + " is not a valid data file and was not opened:\n" + reason +
                   "\nThe file was left unchanged." + (registry ? "\nProgram will be terminated" : ""));
}

void reportBadName(const char* fileName, const char* function) {
    const std::string shown = fileName ? std::string(fileName).substr(0, 80) : std::string();
    std::cerr << "Invalid data file name: " << shown << std::endl;
    TRACE_MSG(1, function) << "Error: invalid data file name: " << shown;
    Dialogs::alert("The data file name \"" + shown +
                   "\" is not valid: it must be a plain file name of at most 255 characters.");
}

// The parser's finding with the line and column of the file where it stopped.
std::string findingOf(const Error& error) {
    return error.place.empty() ? error.reason : error.reason + " at " + error.place;
}

// The id as decimal text; ids are printed with "%d".
std::string idText(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", id);
    return text;
}

// One line per reading of a user document: the variable, its values and
// its date and time as the file holds them, with the line the question
// shows for it.
std::map<std::string, std::string> readingLines(const RapidDocument& doc) {
    std::map<std::string, std::string> lines;
    const XmlNode* patient = doc.first_node("patient");
    for (const XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            std::string values;
            for (const char* part : VariableTable::valueElements()) {
                const XmlNode* n = e->first_node(part);
                if (!n) continue;
                if (!values.empty()) values += "/";
                values.append(n->value(), n->value_size());
            }
            std::string line = std::string(Global::attributeText(v, "name")) + " " + values + " on " +
                               Global::childText(e, "date") + " " + Global::childText(e, "time");
            std::string shown = Global::readingText ? Global::readingText(v, e) : line;
            lines.emplace(std::move(line), std::move(shown));
        }
    }
    return lines;
}

// What a reload would drop: the readings here that the file does not hold,
// and the personal information when it differs.
std::string droppedByReload(const RapidDocument& here, const RapidDocument& disk) {
    const std::map<std::string, std::string> onDisk = readingLines(disk);
    std::string list;
    int shown = 0, more = 0;
    for (const auto& [line, text] : readingLines(here)) {
        if (onDisk.count(line)) continue;
        if (shown < 8) {
            list += "\n  " + text;
            ++shown;
        } else {
            ++more;
        }
    }
    if (more > 0) list += "\n  and " + std::to_string(more) + " more readings";
    const XmlNode* hereInfo = here.first_node("patient") ? here.first_node("patient")->first_node("info") : nullptr;
    const XmlNode* diskInfo = disk.first_node("patient") ? disk.first_node("patient")->first_node("info") : nullptr;
    std::string infoHere, infoDisk;
    if (hereInfo) rapidxml::print(std::back_inserter(infoHere), *hereInfo, 0);
    if (diskInfo) rapidxml::print(std::back_inserter(infoDisk), *diskInfo, 0);
    if (infoHere != infoDisk) list += "\n  the personal information shown here";
    return list;
}

}  // namespace

FolderStore& Global::files() {
    static FolderStore store = [] {
        FolderStore made(dataFolder);
        made.holdRegistry(configDoc, configText);
        made.holdOpenUser(userDoc, userText, userUnsaved);
        return made;
    }();
    return store;
}

void Global::forgetFiles() { files().forget(); }

void Global::resetForTests() {
    dataFolder.clear();
    configDoc.reset();
    configText.clear();
    userDoc.reset();
    userText.clear();
    currentFile.clear();
    currentId.clear();
    userOpen = false;
    userUnsaved = false;
    forgetFiles();
    afterReload = nullptr;
    readingText = nullptr;
    defaultLow.clear();
    defaultHigh.clear();
    init();
}

bool Global::confirmReplace(const char* fileName, XmlDocument& doc) {
    if (!files().changedOutside(fileName)) return true;
    TRACE_MSG(1, "Global::saveFile") << fileName << " was changed by another program";
    FolderStore::Fresh fresh;
    const Expected<void> read = files().readFresh(fileName, fresh);
    if (read && &doc == &configDoc && mergeRegistry(fileName, doc, fresh)) return true;
    std::string question = std::string(fileName) + " was changed by another program since Quorvel read it.";
    if (read) {
        const std::string dropped = droppedByReload(doc.get(), fresh.doc.get());
        question += dropped.empty() ? "\nReload takes the file on disk; no reading shown here is lost."
                                    : "\nReload takes the file on disk and drops what differs here:" + dropped;
    }
    question += "\nOverwrite replaces it with the data shown here.";
    // A change here and one in the file are merged when the person keeps both.
    const bool both = read && files().isOpenUser(doc) && files().unsaved();
    const int answer = both ? askKeepBoth(question) : Dialogs::choice(question, "&Cancel", "Reload", "Overwrite");
    if (answer == kKeepBoth) return keepBoth(fileName, doc, fresh);
    if (answer == 2) {
        TRACE_MSG(1, "Global::saveFile") << "Overwrite " << fileName << " changed by another program";
        return true;
    }
    if (answer == 1) {
        if (!read) {
            if (read.error().kind == Error::Kind::Malformed)
                reportMalformed(fileName, findingOf(read.error()), "Global::saveFile");
            return false;
        }
        files().take(fileName, doc, fresh);
        TRACE_MSG(1, "Global::saveFile") << "Reloaded " << fileName << " changed by another program";
        if (files().isOpenUser(doc) && afterReload) afterReload();
        return false;
    }
    TRACE_MSG(3, "Global::saveFile") << "Not saved: " << fileName << " was changed by another program";
    return false;
}

int Global::askKeepBoth(const std::string& question) {
    const int answer = Dialogs::choose(question + "\nKeep Both merges them: what was added, changed or removed here "
                                                  "and in the file is kept, and you are asked where both differ.",
                                       {"Keep Both", "Reload", "Overwrite", "&Cancel"}, 0, 3);
    const int asChoice[] = {kKeepBoth, 1, 2, 0};
    return answer >= 0 && answer < 4 ? asChoice[answer] : 0;
}

UserMerge::Resolve Global::askEachConflict(std::size_t count) {
    auto asked = std::make_shared<std::size_t>(0);
    return [asked, count](const UserMerge::Conflict& c) {
        ++*asked;
        const std::string question = conflictQuestion(
            c, "Both versions changed ", " (" + std::to_string(*asked) + " of " + std::to_string(count) + "):\n  in the file: ",
            "\n  here: ");
        return Dialogs::choice(question, "The file's", "This one", nullptr) == 1 ? UserMerge::Side::Other
                                                                                   : UserMerge::Side::Kept;
    };
}

std::string Global::conflictQuestion(const UserMerge::Conflict& c, const std::string& opening,
                                     const std::string& keptSide, const std::string& otherSide) {
    const bool reading = !c.variable.empty() && readingText;
    auto told = [&](const XmlNode* entry, const std::string& stored) {
        return !reading ? stored : entry ? readingText(entry->parent(), entry) : std::string("removed");
    };
    return opening + (reading ? "a " + c.variable + " reading" : c.what) + keptSide + told(c.keptEntry, c.kept) + otherSide +
           told(c.otherEntry, c.other) + "\nWhich one is kept?";
}

bool Global::keepBoth(const char* fileName, XmlDocument& doc, FolderStore::Fresh& fresh) {
    XmlDocument base;
    std::vector<char> baseText;
    const bool known = files().readBase(fileName, base, baseText);
    const RapidDocument* from = known ? &*base : nullptr;
    const UserMerge::Outcome planned = UserMerge::plan(from, *fresh.doc, *doc, checkMerged);
    if (!planned.refused.empty()) {
        // Nothing of the window's is dropped unasked: the refused readings are named first.
        std::string listed;
        for (const UserMerge::Refused& r : planned.refused) listed += "\n  " + r.what + ": " + r.reason;
        if (Dialogs::choice("These readings here cannot be stored in the merged file:" + listed +
                                "\nKeep Both leaves them out; Cancel keeps everything shown here, not saved.",
                            "&Cancel", "Keep Both", nullptr) != 1)
            return false;
    }
    const std::size_t count = planned.conflicts.size();
    FolderStore::Fresh merged;
    const UserMerge::Outcome outcome =
        UserMerge::merge(from, *fresh.doc, *doc, *merged.doc, askEachConflict(count), checkMerged);
    merged.mark = fresh.mark;
    merged.joined.swap(fresh.joined);
    files().take(fileName, doc, merged);
    files().markChanged();
    TRACE_MSG(1, "Global::saveFile") << "Kept both: merged " << fileName << " changed by another program ("
                                     << outcome.added << " added, " << outcome.removed << " removed, "
                                     << outcome.changed << " changed, " << outcome.conflicts.size() << " asked)";
    if (afterReload) afterReload();
    return true;
}

bool Global::mergeRegistry(const char* fileName, XmlDocument& doc, FolderStore::Fresh& fresh) {
    XmlDocument base;
    std::vector<char> baseText;
    if (!files().readBase(fileName, base, baseText)) return false;
    auto taken = [](const std::string& name) { return platform::isRegularFile(dataFolder + name); };
    XmlDocument scratch;
    const RegistryMerge::Outcome planned = RegistryMerge::merge(&*base, *fresh.doc, *doc, *scratch, nullptr, taken);
    // Another person under an id in use here needs their file moved: asked.
    if (!planned.moved.empty()) return false;
    FolderStore::Fresh merged;
    RegistryMerge::merge(&*base, *fresh.doc, *doc, *merged.doc, askEachConflict(planned.conflicts.size()), taken);
    merged.mark = fresh.mark;
    merged.joined.swap(fresh.joined);
    files().take(fileName, doc, merged);
    TRACE_MSG(1, "Global::saveFile") << "Merged " << fileName << " changed by another program";
    return true;
}

Expected<void> Global::refreshRegistry() {
    const char* name = "config.hma";
    const Expected<bool> reloaded = files().reloadIfChanged(name, configDoc);
    if (!reloaded) {
        if (reloaded.error().kind == Error::Kind::Malformed)
            reportMalformed(name, findingOf(reloaded.error()), "Global::refreshRegistry");
        return reloaded.error();
    }
    if (*reloaded) TRACE_MSG(1, "Global::refreshRegistry") << "Read again config.hma changed by another program";
    return {};
}

Expected<void> Global::loadFile(XmlDocument& doc, const char* fileName, std::vector<char>& buffer) {
    TRACE_SCOPE("Global::loadFile");
    if (!fileName || !isSafeFileName(fileName)) {
        reportBadName(fileName, "Global::loadFile");
        return Error(Error::Kind::UnsafeName, "not a plain file name");
    }
    Expected<void> loaded = files().load(fileName, doc, buffer);
    if (!loaded) {
        // Without the file the program cannot go on.
        if (loaded.error().kind == Error::Kind::CannotOpen) cannotOpen(fileName, true);
        reportMalformed(fileName, findingOf(loaded.error()), "Global::loadFile");
        return loaded;
    }
    TRACE_MSG(3, "Global::loadFile") << "Loaded file " << fileName;
    return loaded;
}

Expected<void> Global::saveFile(const char* fileName, XmlDocument& doc) { return saveReporting(fileName, doc, nullptr); }

Expected<void> Global::saveReporting(const char* fileName, XmlDocument& doc, const char* undoneNote) {
    TRACE_SCOPE("Global::saveFile");
    if (!fileName || !isSafeFileName(fileName)) {
        reportBadName(fileName, "Global::saveFile");
        return Error(Error::Kind::UnsafeName, "not a plain file name");
    }
    if (!confirmReplace(fileName, doc)) {
        // Not written: what memory holds is kept there, unless it was just
        // taken again from disk.
        if (files().isOpenUser(doc)) files().setUnsaved(files().changedOutside(fileName));
        return Error(Error::Kind::NotSaved, std::string(fileName) + " was changed by another program", "",
                     kLeftForOutsideChange);
    }
    Expected<void> saved = files().save(fileName, doc);
    if (!saved) {
        const std::string& error = saved.error().reason;
        std::cerr << "Unable to save file: " << fileName << ": " << error << std::endl;
        TRACE_MSG(1, "Global::saveFile") << "Error: Unable to save file: " << fileName << ": " << error;
        const char* outcome = saved.error().kind == Error::Kind::NotSafe
                                  ? "The new content was written but may not be safely on disk yet."
                              : undoneNote ? undoneNote
                                           : "Your changes are kept in memory only; the file on disk was left unchanged.";
        Dialogs::alert(std::string("Unable to save file: ") + fileName + "\n" + error + "\n" + outcome);
        return saved;
    }
    TRACE_MSG(3, "Global::saveFile") << "Saved file " << fileName;
    return saved;
}

bool Global::saveChange(const char* fileName, XmlDocument& doc, const char* undoneNote) {
    const bool userDocument = files().isOpenUser(doc);
    const bool unsavedBefore = userUnsaved;
    if (userDocument) markUserChanged();
    Expected<void> saved = saveReporting(fileName, doc, undoneNote);
    if (saved || saved.error().kind == Error::Kind::NotSafe) return true;
    // The caller takes the change back: memory holds what it held before.
    if (userDocument) userUnsaved = unsavedBefore;
    return false;
}

void Global::markUserChanged() { files().markChanged(); }

Expected<void> Global::saveUserIfChanged() {
    if (!userOpen || !userUnsaved) return {};
    return saveFile(currentFile.c_str(), userDoc);
}

bool Global::saveRegistryChange(const char* undoneNote) {
    return saveChange("config.hma", configDoc, undoneNote);
}

Expected<void> Global::createNew() {
    TRACE_SCOPE("Global::createNew");
    const char* name = "template_new.xml";
    std::vector<char> text;
    XmlDocument fresh;
    const Expected<void> read = files().read(name, fresh, text, XmlFile::Text::Values);
    if (!read && read.error().kind == Error::Kind::Malformed) {
        // A damaged template counts as a missing one.
        const std::string reason = findingOf(read.error());
        std::cerr << "Malformed file " << name << ": " << reason << std::endl;
        TRACE_MSG(1, "Global::createNew") << "Error: malformed file " << name << ": " << reason;
    }
    XmlNode* patient = read ? fresh->first_node("patient") : nullptr;
    if (read && !patient) {
        std::cerr << "Malformed file " << name << ": it has no patient element" << std::endl;
        TRACE_MSG(1, "Global::createNew") << "Error: malformed file " << name << ": it has no patient element";
    }
    if (!patient) cannotOpen(name, false);

    XmlNode* before = nullptr;
    const int id = getNewId(&before);
    if (id < 0) {
        TRACE_MSG(1, "Global::createNew") << "Error: no free user id left in config.hma";
        Dialogs::alert("No free user id is left in the registry (config.hma); no new user was made.");
        return Error(Error::Kind::NotFound, "no free user id is left in config.hma");
    }
    userText.swap(text);
    userDoc.swap(fresh);
    userOpen = true;
    userUnsaved = false;
    std::cout << "New Id is " << id << std::endl;

    char* stored = userDoc->allocate_string(idText(id).c_str());
    XmlAttribute* attr = patient->first_attribute("id");
    if (attr) {
        attr->value(stored);
    } else {
        // A template without the id attribute still yields a valid user file.
        patient->prepend_attribute(userDoc->allocate_attribute("id", stored));
    }
    return {};
}

Expected<void> Global::addNewToConfig(const char* first, const char* last) {
    TRACE_SCOPE("Global::addNewToConfig");
    // A record added outside keeps its id: the new one is chosen after it.
    if (Expected<void> refreshed = refreshRegistry(); !refreshed) return refreshed;
    XmlNode* before = nullptr;
    const int id = getNewId(&before);
    if (id < 0) {
        TRACE_MSG(1, "Global::addNewToConfig") << "Error: no free user id left in config.hma";
        Dialogs::alert("No free user id is left in the registry (config.hma); the user was not added.");
        return Error(Error::Kind::NotFound, "no free user id is left in config.hma");
    }
    XmlNode* config = configDoc->first_node("config");
    if (!config) {
        // A registry without its root element gets one, so the record is kept.
        config = configDoc->allocate_node(rapidxml::node_element, "config");
        configDoc->append_node(config);
    }
    const std::string previousId = currentId;
    const std::string previousFile = currentFile;
    currentId = idText(id);

    XmlNode* patient = configDoc->allocate_node(rapidxml::node_element, "patient");
    patient->append_attribute(configDoc->allocate_attribute("id", configDoc->allocate_string(currentId.c_str())));
    if (before)
        config->insert_node(before, patient);
    else
        config->append_node(patient);

    XmlNode* name = configDoc->allocate_node(rapidxml::node_element, "name");
    patient->append_node(name);
    name->append_node(
        configDoc->allocate_node(rapidxml::node_element, "first", configDoc->allocate_string(first ? first : "")));
    name->append_node(
        configDoc->allocate_node(rapidxml::node_element, "last", configDoc->allocate_string(last ? last : "")));

    currentFile = "user" + currentId + ".hma";
    patient->append_node(
        configDoc->allocate_node(rapidxml::node_element, "file", configDoc->allocate_string(currentFile.c_str())));
    if (saveRegistryChange("The user was not added; the registry on disk was left unchanged.")) return {};
    config->remove_node(patient);
    currentId = previousId;
    currentFile = previousFile;
    return Error(Error::Kind::NotSaved, "config.hma could not be saved");
}

Expected<void> Global::renameInRegistry(XmlNode* record, const std::string& first, const std::string& last) {
    TRACE_SCOPE("Global::renameInRegistry");
    if (!record) return Error(Error::Kind::NotFound, "no record to rename");
    const std::string id = attributeText(record, "id");
    if (Expected<void> refreshed = refreshRegistry(); !refreshed) return refreshed;
    record = findNodeWithId(id.c_str());
    if (!record) {
        Dialogs::alert("The user's record was removed from the registry (config.hma) by another program;\n"
                       "the name was not changed.");
        return Error(Error::Kind::NotFound, "the record " + id + " was removed from config.hma");
    }
    RapidDocument& doc = configDoc.get();
    XmlNode* name = record->first_node("name");
    if (!name) {
        name = doc.allocate_node(rapidxml::node_element, "name");
        record->append_node(name);
    }
    // Each part keeps its element; only the texts change (and change back).
    const std::string texts[2] = {first, last};
    const char* parts[2] = {"first", "last"};
    XmlNode* nodes[2] = {};
    std::string previous[2];
    for (int i = 0; i < 2; ++i) {
        nodes[i] = name->first_node(parts[i]);
        if (!nodes[i]) {
            nodes[i] = doc.allocate_node(rapidxml::node_element, parts[i]);
            name->append_node(nodes[i]);
        }
        previous[i] = std::string(nodes[i]->value(), nodes[i]->value_size());
        nodes[i]->value(doc.allocate_string(texts[i].c_str(), texts[i].size() + 1), texts[i].size());
    }
    if (saveRegistryChange("The name was not changed; the registry on disk was left unchanged.")) return {};
    for (int i = 0; i < 2; ++i)
        nodes[i]->value(doc.allocate_string(previous[i].c_str(), previous[i].size() + 1), previous[i].size());
    return Error(Error::Kind::NotSaved, "config.hma could not be saved");
}

namespace {

// The id attribute of a registry record as a number; text that is not a
// number counts as 0, and numbers beyond the range of int are clamped.
long long recordId(const XmlNode* record) {
    const long long value = std::strtoll(Global::attributeText(record, "id"), nullptr, 10);
    return std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value));
}

}  // namespace

int Global::getNewId(XmlNode** before) {
    TRACE_SCOPE("Global::getNewId");
    if (before) *before = nullptr;
    XmlNode* config = configDoc->first_node("config");
    XmlNode* record = config ? config->first_node("patient") : nullptr;
    if (!record) return 0;
    long long a = recordId(record);
    for (XmlNode* next = record->next_sibling("patient"); next; next = next->next_sibling("patient")) {
        const long long b = recordId(next);
        if (a + 1 < b) {
            if (before) *before = next;
            return static_cast<int>(a + 1);
        }
        a = b;
    }
    // After the largest id representable there is no next one.
    return a + 1 > INT_MAX ? -1 : static_cast<int>(a + 1);
}

XmlNode* Global::findNodeWithId(const char* id) {
    TRACE_SCOPE_LEVEL("Global::findNodeWithId", 4);
    if (!id) return nullptr;
    XmlNode* config = configDoc->first_node("config");
    if (!config) return nullptr;
    for (XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
        XmlAttribute* attr = p->first_attribute("id");
        if (attr && std::strcmp(attr->value(), id) == 0) return p;
    }
    return nullptr;
}

Expected<void> Global::removeCurrentUser() {
    TRACE_SCOPE("Global::removeCurrentUser");
    return removeRecord(
        [](XmlNode* p) {
            XmlNode* file = p->first_node("file");
            return file && currentFile == file->value();
        },
        currentFile);
}

Expected<void> Global::removeUserWithId(const std::string& id) {
    TRACE_SCOPE("Global::removeUserWithId");
    return removeRecord([&id](XmlNode* p) { return id == attributeText(p, "id"); }, "id " + id);
}

Expected<void> Global::removeRecord(const std::function<bool(XmlNode*)>& matches, const std::string& shown) {
    Expected<void> refreshed = refreshRegistry();
    if (!refreshed) return refreshed;
    const Error notFound(Error::Kind::NotFound, "no user " + shown + " in config.hma");
    XmlNode* config = configDoc->first_node("config");
    if (!config) return notFound;
    for (XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
        if (!matches(p)) continue;
        XmlNode* next = p->next_sibling();
        config->remove_node(p);
        if (!saveRegistryChange("The user was not removed; the registry on disk was left unchanged.")) {
            if (next)
                config->insert_node(next, p);
            else
                config->append_node(p);
            return Error(Error::Kind::NotSaved, "config.hma could not be saved");
        }
        TRACE_MSG(1, "Global::removeCurrentUser") << "Removed user: " << shown;
        return {};
    }
    return notFound;
}

XmlNode* Global::findVariable(const char* name) {
    return name ? VariableLookup::find(userDoc->first_node("patient"), name) : nullptr;
}

bool Global::isSafeFileName(const std::string& name) { return FolderStore::isSafeFileName(name); }

const char* Global::textOf(const XmlNode* node) { return node ? node->value() : ""; }

const char* Global::childText(const XmlNode* parent, const char* childName) {
    if (!parent) return "";
    return textOf(parent->first_node(childName));
}

const char* Global::attributeText(const XmlNode* node, const char* attributeName) {
    if (!node) return "";
    XmlAttribute* attr = node->first_attribute(attributeName);
    return attr ? attr->value() : "";
}
