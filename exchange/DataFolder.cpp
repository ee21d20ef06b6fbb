#include "exchange/DataFolder.h"

#include "exchange/Utf8Text.h"
#include "platform/PathKind.h"
#include "platform/Platform.h"
#include "store/DataFolderChoice.h"
#include "store/Global.h"
#include "store/XmlFile.h"

namespace {

std::string text(const XmlNode* node) { return Global::textOf(node); }

// The joined-text offset at which each line of the raw text starts.
std::vector<std::size_t> lineStarts(const std::vector<char>& raw) {
    std::vector<std::size_t> starts{0};
    std::size_t joined = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n') {
            starts.push_back(joined);
        } else if (!(raw[i] == '\r' && (i + 1 == raw.size() || raw[i + 1] == '\n'))) {
            ++joined;
        }
    }
    return starts;
}

// The files of the folder that are the program's own, never a user's.
const char* const kOwnFiles[] = {"config.hma", "template_new.xml", "readme.txt", "quorvel.lock", "preferences.xml"};

}  // namespace

Expected<std::string> DataFolder::resolve(const std::string& given) {
    // The folder chosen on this computer (the window's File, Data Folder)
    // when none is given.
    std::string folder = DataFolderChoice::inUse(given);
    if (folder.empty())
        return Error(Error::Kind::Failed, "the data folder cannot be determined (no home folder); give it with --data-dir");
    return folder;
}

Expected<void> DataFolder::open(const std::string& given) {
    Expected<std::string> resolved = resolve(given);
    if (!resolved) return resolved.error();
    folder_ = std::move(*resolved);
    if (!platform::pathExists(folder_)) return Error(Error::Kind::NotFound, folder_ + ": no such data folder");
    // Read once: the lines are counted in the raw text, which is then
    // joined and parsed in place (a registry may be large; it is never
    // held twice).
    const std::string path = folder_ + "config.hma";
    std::vector<char> buffer;
    std::string reason;
    if (!XmlFile::readRaw(path, buffer, reason)) return Error(Error::Kind::CannotOpen, path + ": " + reason);
    const std::vector<std::size_t> starts = lineStarts(buffer);
    XmlFile::joinLinesInPlace(buffer);
    XmlDocument doc;
    XmlFile::Failure failure;
    if (!XmlFile::parse(buffer, doc, reason, &failure)) {
        buffer.clear();
        buffer.shrink_to_fit();
        std::vector<char> raw;
        std::string place;
        if (XmlFile::readRaw(path, raw, reason)) place = XmlFile::positionInRaw(raw.data(), raw.size(), failure.offset);
        return Error(Error::Kind::Malformed, path + ": " + place + ": " + failure.reason, place);
    }
    const XmlNode* config = doc->first_node("config");
    if (!config)
        return Error(Error::Kind::Malformed, folder_ + "config.hma: line 1: the registry has no config element", "line 1");
    users_.clear();
    std::size_t line = 0;
    for (const XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
        UserRecord r;
        r.id = Global::attributeText(p, "id");
        const XmlNode* name = p->first_node("name");
        r.first = text(name ? name->first_node("first") : nullptr);
        r.last = text(name ? name->first_node("last") : nullptr);
        r.file = text(p->first_node("file"));
        // Records come in file order: the search for the line goes on from the last.
        const std::size_t offset = static_cast<std::size_t>(p->name() - buffer.data());
        while (line + 1 < starts.size() && starts[line + 1] <= offset) ++line;
        r.line = static_cast<int>(line) + 1;
        users_.push_back(std::move(r));
    }
    return {};
}

Expected<UserRecord> DataFolder::findUser(const std::string& name) const {
    for (const UserRecord& r : users_)
        if (r.id == name) return r;
    std::vector<const UserRecord*> matches;
    for (const UserRecord& r : users_)
        if (r.first + " " + r.last == name) matches.push_back(&r);
    if (matches.size() == 1) return *matches[0];
    if (matches.empty())
        return Error(Error::Kind::NotFound, folder_ + "config.hma: no user with the id or the name \"" + name + "\"");
    std::string error = folder_ + "config.hma: the name \"" + name + "\" is ambiguous; give one of the ids:";
    for (const UserRecord* r : matches) error += " " + r->id;
    return Error(Error::Kind::Ambiguous, error);
}

Expected<void> DataFolder::loadFile(const std::string& fileName, XmlDocument& doc, std::vector<char>& buffer,
                                    XmlFile::Text kept) const {
    Expected<void> read = store_.read(fileName, doc, buffer, kept);
    if (read) return read;
    return told(fileName, read.error());
}

Expected<void> DataFolder::checkFile(const std::string& fileName, const XmlFile::Visit& visit) const {
    Expected<void> checked = store_.check(fileName, visit);
    if (checked) return checked;
    return told(fileName, checked.error());
}

Error DataFolder::told(const std::string& fileName, const Error& failure) const {
    const std::string path = folder_ + fileName;
    switch (failure.kind) {
    case Error::Kind::UnsafeName:
        return Error(failure.kind,
                     folder_ + "config.hma: the data file name \"" + fileName + "\" is not a plain file name");
    case Error::Kind::Malformed:
        return Error(failure.kind, path + ": " + failure.place + ": " + failure.reason, failure.place);
    default:
        return Error(failure.kind, path + ": " + failure.reason);
    }
}

Expected<void> DataFolder::lock() {
    Expected<void> locked = FolderStore::lock(folder_);
    if (locked) return locked;
    if (locked.error().kind == Error::Kind::Busy)
        return Error(Error::Kind::Busy, folder_ + ": Quorvel has this data folder open; close it and try again");
    return Error(locked.error().kind, folder_ + ": the data folder cannot be locked: " + locked.error().reason);
}

Expected<void> DataFolder::save(const std::string& fileName, const XmlDocument& doc) {
    const std::string path = folder_ + fileName;
    if (platform::isReadOnlyFile(path))
        return Error(Error::Kind::NotSaved, path + ": the file is read-only; nothing was written");
    Expected<void> saved = store_.save(fileName, doc);
    if (saved) return saved;
    return Error(saved.error().kind, path + ": " + saved.error().reason + "; the file was left unchanged");
}

std::string DataFolder::fileProblem(const UserRecord& record) const {
    const std::string where = "its data file " + record.file;
    const std::string path = folder_ + record.file;
    for (const char* own : kOwnFiles) {
        // Another name for the same file (a hard link, or letters in another
        // case where case is not told apart) is the same file.
        if (record.file == own || pathKind::sameFile(path, folder_ + own))
            return where + (record.file == own ? std::string(" is") : std::string(" is ") + own + ",") +
                   " one of the program's own files";
    }
    // The record itself is among the folder's records: a second one naming the file shares it.
    const UserRecord* other = nullptr;
    int sharing = 0;
    for (const UserRecord& r : users_)
        if (r.file == record.file) {
            ++sharing;
            if (!other || other->id == record.id) other = &r;
        }
    if (sharing > 1) return where + " is also the file of user " + other->id;
    if (pathKind::of(path) == PathKind::Link)
        return where + " is a symbolic link (to " + pathKind::target(path) +
               (pathKind::leadsInside(path, folder_) ? ")" : ", outside the data folder)");
    return std::string();
}

std::string DataFolder::linkNote(const std::string& fileName) const {
    const std::string path = folder_ + fileName;
    if (pathKind::of(path) != PathKind::Link || pathKind::leadsInside(path, folder_)) return std::string();
    return path + ": is a symbolic link to " + pathKind::target(path) + ", outside the data folder";
}

std::vector<int> DataFolder::notUtf8Lines(const std::string& fileName) const {
    std::vector<char> raw;
    std::string ignored;
    if (!XmlFile::readRaw(folder_ + fileName, raw, ignored)) return {};
    return Utf8Text::badLines(std::string_view(raw.data(), raw.size()));
}

Expected<UserRecord> DataFolder::openUser(const std::string& given, const std::string& name, bool takeLock) {
    const Expected<void> opened = open(given);
    if (!opened) return opened.error();
    Expected<UserRecord> found = findUser(name);
    if (!found) return found;
    if (takeLock) {
        const Expected<void> locked = lock();
        if (!locked) return Error(locked.error().kind, locked.error().reason + "; nothing written");
    }
    const std::string problem = takeLock ? fileProblem(*found) : std::string();
    if (!problem.empty())
        return Error(Error::Kind::Refused, folder_ + "config.hma: line " + std::to_string(found->line) + ": user " +
                                               found->id + ": " + problem + "; nothing written");
    return found;
}
