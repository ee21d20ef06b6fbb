#include "exchange/DataFolder.h"

#include <set>

#include "exchange/Utf8Text.h"
#include "platform/PathKind.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

namespace {

// The line (from 1) of a joined-text offset in the raw file.
std::string where(const std::string& path, std::size_t joinedOffset) {
    std::vector<char> raw;
    std::string ignored;
    if (!XmlFile::readRaw(path, raw, ignored)) return std::string();
    return XmlFile::positionInRaw(raw.data(), raw.size(), joinedOffset);
}

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

bool DataFolder::resolve(const std::string& given, std::string& folder, std::string& error) {
    if (given.empty()) {
        if (platform::dataFolder(folder)) return true;
        error = "the data folder cannot be determined (no home folder); give it with --data-dir";
        return false;
    }
    folder = given;
    const char sep = platform::pathSeparator();
    if (folder.back() != sep && folder.back() != '/') folder += sep;
    return true;
}

bool DataFolder::open(const std::string& given, std::string& error) {
    if (!resolve(given, folder_, error)) return false;
    if (!platform::pathExists(folder_)) {
        error = folder_ + ": no such data folder";
        return false;
    }
    // Read once: the lines are counted in the raw text, which is then
    // joined and parsed in place (a registry may be large; it is never
    // held twice).
    const std::string path = folder_ + "config.hma";
    std::vector<char> buffer;
    std::string reason;
    if (!XmlFile::readRaw(path, buffer, reason)) {
        error = path + ": " + reason;
        return false;
    }
    const std::vector<std::size_t> starts = lineStarts(buffer);
    XmlFile::joinLinesInPlace(buffer);
    XmlDocument doc;
    XmlFile::Failure failure;
    if (!XmlFile::parse(buffer, doc, reason, &failure)) {
        buffer.clear();
        buffer.shrink_to_fit();
        error = path + ": " + where(path, failure.offset) + ": " + failure.reason;
        return false;
    }
    const XmlNode* config = doc->first_node("config");
    if (!config) {
        error = folder_ + "config.hma: line 1: the registry has no config element";
        return false;
    }
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
    return true;
}

int DataFolder::findUser(const std::string& name, UserRecord& out, std::string& error) const {
    for (const UserRecord& r : users_)
        if (r.id == name) {
            out = r;
            return 1;
        }
    std::vector<const UserRecord*> matches;
    for (const UserRecord& r : users_)
        if (r.first + " " + r.last == name) matches.push_back(&r);
    if (matches.size() == 1) {
        out = *matches[0];
        return 1;
    }
    if (matches.empty()) {
        error = folder_ + "config.hma: no user with the id or the name \"" + name + "\"";
        return 0;
    }
    error = folder_ + "config.hma: the name \"" + name + "\" is ambiguous; give one of the ids:";
    for (const UserRecord* r : matches) error += " " + r->id;
    return -1;
}

bool DataFolder::loadFile(const std::string& fileName, XmlDocument& doc, std::vector<char>& buffer,
                          std::string& error, XmlFile::Text kept) const {
    const std::string path = folder_ + fileName;
    if (!Global::isSafeFileName(fileName)) {
        error = folder_ + "config.hma: the data file name \"" + fileName + "\" is not a plain file name";
        return false;
    }
    std::string reason;
    XmlFile::Failure failure;
    const int read = XmlFile::load(path, buffer, doc, reason, &failure, kept);
    if (read == 0) error = path + ": " + reason;
    if (read < 0) error = path + ": " + where(path, failure.offset) + ": " + failure.reason;
    return read == 1;
}

bool DataFolder::lock(std::string& error) {
    // The lock lasts as long as the process: a folder locked once stays ours.
    static std::set<std::string> locked;
    if (locked.count(folder_)) return true;
    std::string reason;
    const int taken = platform::lockDataFolder(folder_, reason);
    if (taken == 1) {
        locked.insert(folder_);
        return true;
    }
    if (taken == 0)
        error = folder_ + ": Quorvel has this data folder open; close it and try again";
    else
        error = folder_ + ": the data folder cannot be locked: " + reason;
    return false;
}

bool DataFolder::save(const std::string& fileName, const XmlDocument& doc, std::string& error) const {
    const std::string path = folder_ + fileName;
    if (platform::isReadOnlyFile(path)) {
        error = path + ": the file is read-only; nothing was written";
        return false;
    }
    std::string reason;
    // Printed into the file piece by piece, never held whole.
    const RapidDocument& tree = *const_cast<XmlDocument&>(doc);
    if (!SafeWriter::write(
            folder_, fileName, [&tree](const SafeWriter::Put& put) { return XmlFile::print(tree, put); }, reason)) {
        error = path + ": " + reason + "; the file was left unchanged";
        return false;
    }
    return true;
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

bool DataFolder::openUser(const std::string& given, const std::string& name, bool takeLock, UserRecord& out,
                          std::string& error) {
    if (!open(given, error) || findUser(name, out, error) != 1) return false;
    if (takeLock && !lock(error)) {
        error += "; nothing written";
        return false;
    }
    const std::string problem = takeLock ? fileProblem(out) : std::string();
    if (!problem.empty()) {
        error = folder_ + "config.hma: line " + std::to_string(out.line) + ": user " + out.id + ": " + problem +
                "; nothing written";
        return false;
    }
    return true;
}
