#include "exchange/DataFolder.h"

#include <set>


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

// The joined-text offset at which each line of the raw file starts.
std::vector<std::size_t> lineStarts(const std::string& path) {
    std::vector<std::size_t> starts{0};
    std::vector<char> raw;
    std::string ignored;
    if (!XmlFile::readRaw(path, raw, ignored)) return starts;
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
    XmlDocument doc;
    std::vector<char> buffer;
    if (!loadFile("config.hma", doc, buffer, error, XmlFile::Text::AsRead)) return false;
    const XmlNode* config = doc->first_node("config");
    if (!config) {
        error = folder_ + "config.hma: line 1: the registry has no config element";
        return false;
    }
    users_.clear();
    const std::vector<std::size_t> starts = lineStarts(folder_ + "config.hma");
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
        users_.push_back(r);
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
    if (!SafeWriter::write(folder_, fileName, XmlFile::print(doc), reason)) {
        error = path + ": " + reason + "; the file was left unchanged";
        return false;
    }
    return true;
}

bool DataFolder::openUser(const std::string& given, const std::string& name, bool takeLock, UserRecord& out,
                          std::string& error) {
    if (!open(given, error) || findUser(name, out, error) != 1) return false;
    if (takeLock && !lock(error)) {
        error += "; nothing written";
        return false;
    }
    return true;
}
