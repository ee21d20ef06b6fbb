#include "exchange/FolderRestore.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "exchange/DataFolder.h"
#include "platform/Platform.h"
#include "rules/units/PreferencesFile.h"
#include "store/FolderStore.h"
#include "store/Global.h"
#include "store/SafeWriter.h"

const char* const FolderRestore::kIncoming = ".restore-incoming";
const char* const FolderRestore::kJournal = ".restore-journal";
const char* const FolderRestore::kKeptPrefix = "before-restore-";

namespace {

const char* const kJournalTitle = "Quorvel restore";
const char* const kConfig = "config.hma";

std::string grouped(long long n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

char sep() { return platform::pathSeparator(); }

// The moves of one restore, as its journal keeps them.
struct Journal {
    bool undo = false;                // after an error: the moves are taken back
    std::string kept;                 // the folder the replaced files go to
    std::vector<std::string> aside;   // the folder's files that go into kept, the registry first
    std::vector<std::string> put;     // the backup's files that come in, the registry last
};

std::string printed(const Journal& j) {
    std::string text = std::string(kJournalTitle) + "\n" + (j.undo ? "undo" : "finish") + "\nkept " + j.kept + "\n";
    for (const std::string& n : j.aside) text += "aside " + n + "\n";
    for (const std::string& n : j.put) text += "put " + n + "\n";
    return text + "end\n";
}

bool parsed(const std::string& text, Journal& j) {
    std::istringstream lines(text);
    std::string line, direction;
    if (!std::getline(lines, line) || line != kJournalTitle || !std::getline(lines, direction)) return false;
    if (direction != "finish" && direction != "undo") return false;
    j.undo = direction == "undo";
    bool ended = false;
    while (std::getline(lines, line)) {
        if (line == "end") {
            ended = true;
            break;
        }
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) return false;
        const std::string word = line.substr(0, space), name = line.substr(space + 1);
        if (!FolderRestore::isPlainName(name)) return false;
        if (word == "kept")
            j.kept = name;
        else if (word == "aside")
            j.aside.push_back(name);
        else if (word == "put")
            j.put.push_back(name);
        else
            return false;
    }
    return ended && j.kept.rfind(FolderRestore::kKeptPrefix, 0) == 0;
}

bool readText(const std::string& path, std::string& out) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return false;
    char block[4096];
    std::size_t n = 0;
    out.clear();
    while ((n = std::fread(block, 1, sizeof block, f)) > 0 && out.size() < (1u << 24)) out.append(block, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The moves, each a rename that never replaces a file; a move already made
// is passed, so that the same steps carry an interrupted restore on.
class Mover {
public:
    Mover(const std::string& folder, const Journal& j)
        : ops_(SafeWriter::fileOps()), folder_(folder), kept_(folder + j.kept + sep()),
          incoming_(folder + FolderRestore::kIncoming + sep()), j_(j) {}

    bool forward() {
        if (!j_.aside.empty() && !platform::pathExists(kept_) && !ops_.makeFolder(kept_)) return failed();
        for (const std::string& n : j_.aside)
            if (!platform::entryExists(kept_ + n) && platform::entryExists(folder_ + n) &&
                !ops_.moveNew(folder_ + n, kept_ + n))
                return failed();
        if ((platform::pathExists(kept_) && !ops_.syncFolder(kept_)) || !ops_.syncFolder(folder_)) return failed();
        for (const std::string& n : j_.put)
            if (platform::entryExists(incoming_ + n) && !ops_.moveNew(incoming_ + n, folder_ + n)) return failed();
        return synced() && end(false);
    }

    bool backward() {
        for (auto n = j_.put.rbegin(); n != j_.put.rend(); ++n)
            if (!platform::entryExists(incoming_ + *n) && platform::entryExists(folder_ + *n) &&
                !ops_.moveNew(folder_ + *n, incoming_ + *n))
                return failed();
        for (const std::string& n : j_.aside)
            if (platform::entryExists(kept_ + n) && !ops_.moveNew(kept_ + n, folder_ + n)) return failed();
        return synced() && end(true);
    }

    std::string error;

private:
    bool failed() {
        error = ops_.lastError();
        return false;
    }
    bool synced() {
        if (platform::pathExists(incoming_) && !ops_.syncFolder(incoming_)) return failed();
        if (platform::pathExists(kept_) && !ops_.syncFolder(kept_)) return failed();
        return ops_.syncFolder(folder_) || failed();
    }
    // The journal goes once every move is on disk; what is left of the
    // incoming folder (and, after an undo, the empty kept one) afterwards.
    bool end(bool undone) {
        if (!ops_.remove(folder_ + FolderRestore::kJournal) || !ops_.syncFolder(folder_)) return failed();
        FolderRestore::discard(folder_);
        if (undone && platform::pathExists(kept_)) (void)ops_.removeFolder(kept_);
        return true;
    }

    platform::FileOps& ops_;
    std::string folder_, kept_, incoming_;
    const Journal& j_;
};

// The folder's files a restore moves aside: the registry, the files its
// records name and every file of the folder that a planned file replaces.
// The program's own files stay unless the backup holds them.
std::vector<std::string> asideOf(const std::string& folder, const std::vector<std::string>& put) {
    std::vector<std::string> names{kConfig};
    DataFolder data;
    if (data.open(folder))
        for (const UserRecord& r : data.users())
            if (FolderRestore::isPlainName(r.file) && !FolderRestore::isOwnFile(r.file)) names.push_back(r.file);
    names.insert(names.end(), put.begin(), put.end());
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const std::string& n : names)
        if (seen.insert(n).second && platform::entryExists(folder + n)) out.push_back(n);
    return out;
}

std::string keptName(const std::string& folder, const std::tm& now) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                  now.tm_hour, now.tm_min);
    const std::string base = FolderRestore::kKeptPrefix + std::string(stamp);
    std::string name = base;
    for (int n = 2; platform::entryExists(folder + name); ++n) name = base + "-" + std::to_string(n);
    return name;
}

long long entriesOf(const XmlNode* patient) {
    long long n = 0;
    for (const XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable"))
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) ++n;
    return n;
}

// What a restore reads of a person's file, handed over in parts
// (XmlFile::check): whether it has a patient element, its id, and the
// entries of its variables.
struct Outline {
    const XmlNode* patient = nullptr;  // valid only while the file is read
    std::string id;
    long long entries = 0;

    XmlFile::Visit visitor() {
        return [this](const RapidDocument& part, const XmlNode* parent) {
            if (!parent) {
                patient = part.first_node("patient");
                id = patient ? Global::attributeText(patient, "id") : "";
                entries = patient ? entriesOf(patient) : 0;
                return;
            }
            if (!patient || parent->parent() != patient || std::string_view(parent->name(), parent->name_size()) != "variable")
                return;
            for (const XmlNode* e = part.first_node("entry"); e; e = e->next_sibling("entry")) ++entries;
        };
    }
};

// A line about a file of the checked folder, its folder's path replaced by where.
std::string relative(const std::string& text, const std::string& folder, const std::string& where) {
    std::string out = text;
    for (std::size_t at = out.find(folder); at != std::string::npos; at = out.find(folder, at))
        out.replace(at, folder.size(), where + ": ");
    return out;
}

std::string personText(const PersonReadings& p) {
    if (p.readings < 0) return p.name + " (a file that cannot be read)";
    return p.name + " (" + grouped(p.readings) + (p.readings == 1 ? " reading)" : " readings)");
}

// "Ann Lee (3 readings), Bob Ray (1 reading) and 4 more"
std::string listed(const std::vector<std::string>& items) {
    const std::size_t shown = std::min<std::size_t>(items.size(), 8);
    std::string out;
    for (std::size_t i = 0; i < shown; ++i) out += (i ? ", " : "") + items[i];
    if (items.size() > shown) out += " and " + std::to_string(items.size() - shown) + " more";
    return out;
}

}  // namespace

std::string RestorePlan::describe() const {
    const std::size_t n = people.size();
    return std::to_string(n) + (n == 1 ? " person, " : " people, ") + grouped(static_cast<long long>(readings)) +
           (readings == 1 ? " reading" : " readings") + ", made " + madeOn;
}

bool FolderRestore::isOwnFile(const std::string& name) {
    for (const char* own : {"config.hma", "template_new.xml", "readme.txt", "preferences.xml", "quorvel.lock"})
        if (name == own) return true;
    return false;
}

bool FolderRestore::isPlainName(const std::string& name) {
    if (!FolderStore::isSafeFileName(name) || name[0] == '.') return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

int FolderRestore::checkFolder(const std::string& folder, const std::string& where, std::vector<PersonReadings>& people,
                               std::size_t& readings, Diagnostics& tell) {
    people.clear();
    readings = 0;
    DataFolder data;
    if (const Expected<void> opened = data.open(folder); !opened) {
        tell.error() << relative(opened.error().reason, folder, where) << std::endl;
        return exchange::kProblem;
    }
    int status = exchange::kOk;
    std::set<std::string> ids;
    for (const UserRecord& r : data.users()) {
        const std::string at = where + ": config.hma: line " + std::to_string(r.line) + ": user " + r.id + ": ";
        std::string problem;
        if (!ids.insert(r.id).second)
            problem = "the id " + r.id + " is given twice";
        else if (!isPlainName(r.file))
            problem = "data file name \"" + r.file + "\" is not a plain file name";
        else
            problem = data.fileProblem(r);
        if (problem.empty() && !platform::isRegularFile(folder + r.file))
            problem = "its data file " + r.file + " is missing";
        if (!problem.empty()) {
            tell.error() << at << problem << std::endl;
            status = exchange::kProblem;
            continue;
        }
        // Checked in parts, never held whole: a backup's files may be large.
        Outline outline;
        if (const Expected<void> checked = data.checkFile(r.file, outline.visitor()); !checked) {
            tell.error() << relative(checked.error().reason, folder, where) << std::endl;
            status = exchange::kProblem;
            continue;
        }
        if (!outline.patient || outline.id != r.id) {
            tell.error() << where << ": " << r.file << ": "
                         << (outline.patient ? "patient id " + outline.id + " differs from the registry's id " + r.id
                                             : std::string("no patient element"))
                         << std::endl;
            status = exchange::kProblem;
            continue;
        }
        people.push_back({r.id, r.first + " " + r.last, outline.entries});
        readings += static_cast<std::size_t>(people.back().readings);
    }
    Units::Preferences units;
    std::string error;
    if (PreferencesFile::read(folder, units, error) < 0) {
        tell.error() << relative(error, folder, where) << std::endl;
        status = exchange::kProblem;
    }
    return status;
}

std::vector<PersonReadings> FolderRestore::peopleOf(const std::string& folder) {
    std::vector<PersonReadings> out;
    DataFolder data;
    if (!data.open(folder)) return out;
    for (const UserRecord& r : data.users()) {
        PersonReadings p{r.id, r.first + " " + r.last, -1};
        Outline outline;
        if (isPlainName(r.file) && !isOwnFile(r.file) && data.checkFile(r.file, outline.visitor()) && outline.patient)
            p.readings = outline.entries;
        out.push_back(std::move(p));
    }
    return out;
}

std::string FolderRestore::changes(const std::vector<PersonReadings>& now, const std::vector<PersonReadings>& backup) {
    std::map<std::string, const PersonReadings*> before;
    for (const PersonReadings& p : now) before.emplace(p.id, &p);
    std::vector<std::string> replaced, added, dropped;
    std::set<std::string> inBackup;
    for (const PersonReadings& p : backup) {
        inBackup.insert(p.id);
        const auto old = before.find(p.id);
        if (old == before.end())
            added.push_back(personText(p));
        else
            replaced.push_back(personText(*old->second) + " with " + personText(p));
    }
    for (const PersonReadings& p : now)
        if (!inBackup.count(p.id)) dropped.push_back(personText(p));
    std::vector<std::string> parts;
    if (!replaced.empty()) parts.push_back("replaces " + listed(replaced));
    if (!added.empty()) parts.push_back("adds " + listed(added));
    if (!dropped.empty()) parts.push_back("drops " + listed(dropped));
    if (parts.empty()) return "Holds nobody, and the folder has nobody.";
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : "; ") + part;
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out + ".";
}

int FolderRestore::commit(const RestorePlan& plan, const std::tm& now, std::string& kept, Diagnostics& tell) {
    const std::string& folder = plan.folder;
    kept.clear();
    Journal j;
    j.put = plan.files;
    j.aside = asideOf(folder, plan.files);
    j.kept = keptName(folder, now);
    std::string error;
    // Nothing of the folder is moved before the journal is on disk.
    if (platform::entryExists(folder + kJournal)) {
        tell.error() << folder << kJournal << ": a restore is under way; nothing restored" << std::endl;
        return exchange::kProblem;
    }
    if (!SafeWriter::write(folder, kJournal, printed(j), error)) {
        tell.error() << folder << kJournal << ": " << error << "; nothing restored" << std::endl;
        discard(folder);
        return exchange::kProblem;
    }
    Mover mover(folder, j);
    if (mover.forward()) {
        if (!j.aside.empty()) kept = j.kept;
        return exchange::kOk;
    }
    const std::string stopped = mover.error;
    j.undo = true;
    if (!SafeWriter::write(folder, kJournal, printed(j), error)) {
        tell.error() << "the restore stopped (" << stopped
                     << "); it is finished when Quorvel or quorvel-data next opens the folder" << std::endl;
        return exchange::kProblem;
    }
    Mover undo(folder, j);
    if (undo.backward()) {
        tell.error() << "the restore stopped (" << stopped << ") and was undone; nothing restored" << std::endl;
        return exchange::kProblem;
    }
    tell.error() << "the restore stopped (" << stopped << ") and could not be undone yet (" << undo.error
                 << "); it is undone when Quorvel or quorvel-data next opens the folder" << std::endl;
    return exchange::kProblem;
}

void FolderRestore::discard(const std::string& folder) {
    // The files of a restore whose journal is there are still to go in.
    if (platform::entryExists(folder + kJournal)) return;
    platform::FileOps& ops = SafeWriter::fileOps();
    // A journal whose writing was interrupted never took effect.
    const std::string unwritten = folder + SafeWriter::temporaryName(kJournal);
    if (platform::entryExists(unwritten)) (void)ops.remove(unwritten);
    const std::string incoming = folder + kIncoming + sep();
    std::vector<std::string> names;
    std::string error;
    if (!platform::listFolder(incoming, names, error)) return;
    for (const std::string& n : names) (void)ops.remove(incoming + n);
    (void)ops.removeFolder(incoming);
}

FolderRestore::Recovery FolderRestore::recover(const std::string& folder, std::string& said) {
    said.clear();
    const std::string journalPath = folder + kJournal;
    if (!platform::entryExists(journalPath) && !platform::entryExists(folder + kIncoming) &&
        !platform::entryExists(folder + SafeWriter::temporaryName(kJournal)))
        return Recovery::None;
    if (const Expected<void> locked = FolderStore::lock(folder); !locked) {
        said = folder + ": " +
               (locked.error().kind == Error::Kind::Busy
                    ? std::string("another program has the folder open, in the middle of a restore")
                    : locked.error().reason);
        return locked.error().kind == Error::Kind::Busy ? Recovery::Busy : Recovery::Failed;
    }
    if (!platform::entryExists(journalPath)) {
        // Stopped before the journal (none of the folder's files was moved)
        // or after it (all were, only the emptied incoming folder is left).
        std::vector<std::string> incoming;
        std::string error;
        const bool waiting = platform::listFolder(folder + kIncoming, incoming, error) && !incoming.empty();
        discard(folder);
        if (!waiting) return Recovery::None;
        said = "A restore from a backup was interrupted before it changed anything; it was undone.";
        return Recovery::Undone;
    }
    std::string text;
    Journal j;
    if (!readText(journalPath, text) || !parsed(text, j)) {
        said = journalPath + ": the journal of an interrupted restore cannot be read; the folder is left as it is";
        return Recovery::Failed;
    }
    Mover mover(folder, j);
    if (j.undo ? mover.backward() : mover.forward()) {
        said = j.undo ? "A restore from a backup that stopped on an error was undone: the folder is as it was before."
                      : "A restore from a backup was interrupted and has now been finished.\nThe folder holds the "
                        "backup's files; the files it replaced are in " + j.kept + ".";
        return j.undo ? Recovery::Undone : Recovery::Finished;
    }
    said = folder + ": an interrupted restore could not be " + (j.undo ? "undone" : "finished") + " (" +
           mover.error + "); the folder is left as it is";
    return Recovery::Failed;
}

bool FolderRestore::recoverBeforeUse(const std::string& folder, Diagnostics& tell) {
    std::string said;
    switch (recover(folder, said)) {
    case Recovery::None:
        return true;
    case Recovery::Finished:
    case Recovery::Undone:
        tell.error() << said << std::endl;
        return true;
    case Recovery::Busy:
    case Recovery::Failed:
        break;
    }
    tell.error() << said << "; nothing done" << std::endl;
    return false;
}
