#include "store/FolderStore.h"

#include <set>

#include "platform/Platform.h"
#include "store/SafeWriter.h"

void FolderStore::holdRegistry(XmlDocument& doc, std::vector<char>& text) { registry_ = {&doc, &text}; }

void FolderStore::holdOpenUser(XmlDocument& doc, std::vector<char>& text, bool& unsaved) {
    user_ = {&doc, &text};
    userUnsaved_ = &unsaved;
}

std::vector<char>* FolderStore::heldText(const XmlDocument& doc) const {
    if (registry_.doc == &doc) return registry_.text;
    if (user_.doc == &doc) return user_.text;
    return nullptr;
}

bool FolderStore::isSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileName) return false;
    if (name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
    return true;
}

namespace {

// A failure to read where, a damaged file's with the line and column of the
// file as it is on disk.
Expected<void> placed(const std::string& where, const Expected<void>& loaded, const XmlFile::Failure& failure) {
    if (loaded.error().kind == Error::Kind::CannotOpen) return loaded;
    std::vector<char> raw;
    std::string ignored;
    std::string place;
    if (XmlFile::readRaw(where, raw, ignored)) place = XmlFile::positionInRaw(raw.data(), raw.size(), failure.offset);
    return Error(Error::Kind::Malformed, failure.reason, place);
}

}  // namespace

Expected<void> FolderStore::read(const std::string& fileName, XmlDocument& doc, std::vector<char>& text,
                                 XmlFile::Text kept, FileMark* mark) const {
    if (!isSafeFileName(fileName)) return Error(Error::Kind::UnsafeName, "not a plain file name");
    const std::string where = path(fileName);
    std::vector<char> freshText;
    XmlDocument fresh;
    XmlFile::Failure failure;
    const FileMark stamp = mark ? FileMark::stamped(where) : FileMark();
    std::uint64_t sum = 0;
    Expected<void> loaded = XmlFile::load(where, freshText, fresh, &failure, kept, mark ? &sum : nullptr);
    if (!loaded) return placed(where, loaded, failure);
    if (mark) *mark = stamp.withChecksum(sum);
    // The new tree points into its text: both replace the old ones together,
    // and the old tree's storage goes with them.
    text.swap(freshText);
    doc.swap(fresh);
    return {};
}

Expected<void> FolderStore::check(const std::string& fileName, const XmlFile::Visit& visit) const {
    if (!isSafeFileName(fileName)) return Error(Error::Kind::UnsafeName, "not a plain file name");
    const std::string where = path(fileName);
    XmlFile::Failure failure;
    const Expected<void> checked = XmlFile::check(where, visit, &failure);
    if (!checked) return placed(where, checked, failure);
    return {};
}

Expected<void> FolderStore::load(const std::string& fileName, XmlDocument& doc, std::vector<char>& text) {
    FileMark mark;
    Expected<void> done = read(fileName, doc, text, XmlFile::Text::Values, &mark);
    if (!done) return done;
    if (isOpenUser(doc)) setUnsaved(false);
    marks_[path(fileName)] = mark;
    keepBase(fileName, doc);
    return done;
}

bool FolderStore::changedOutside(const std::string& fileName) const {
    const auto mark = marks_.find(path(fileName));
    return mark != marks_.end() && mark->second.changedOnDisk(path(fileName));
}

Expected<void> FolderStore::readFresh(const std::string& fileName, Fresh& into) const {
    Expected<void> done = read(fileName, into.doc, into.text, XmlFile::Text::Values, &into.mark);
    std::string ignored;
    if (done && !XmlFile::readJoined(path(fileName), into.joined, ignored)) into.joined.clear();
    return done;
}

void FolderStore::keepBase(const std::string& fileName, const XmlDocument& doc) {
    if (!heldText(doc)) return;
    std::vector<char>& base = bases_[path(fileName)];
    std::string ignored;
    if (!XmlFile::readJoined(path(fileName), base, ignored)) bases_.erase(path(fileName));
}

bool FolderStore::readBase(const std::string& fileName, XmlDocument& doc, std::vector<char>& text) const {
    const auto base = bases_.find(path(fileName));
    if (base == bases_.end()) return false;
    text = base->second;  // zero-terminated, as joined
    std::string ignored;
    return XmlFile::parse(text, doc, ignored);
}

void FolderStore::take(const std::string& fileName, XmlDocument& doc, Fresh& fresh) {
    std::unique_ptr<Retired> old(new Retired);
    std::vector<char>* text = heldText(doc);
    old->doc.swap(doc);
    if (text) old->text.swap(*text);
    retired_.push_back(std::move(old));
    doc.swap(fresh.doc);
    if (text) text->swap(fresh.text);
    else retired_.back()->text.swap(fresh.text);  // the tree points into it: it lives as long as the store
    marks_[path(fileName)] = fresh.mark;
    if (text && !fresh.joined.empty()) bases_[path(fileName)].swap(fresh.joined);
}

Expected<bool> FolderStore::reloadIfChanged(const std::string& fileName, XmlDocument& doc) {
    if (!changedOutside(fileName)) return false;
    Fresh fresh;
    Expected<void> read = readFresh(fileName, fresh);
    if (!read) return read.error();
    take(fileName, doc, fresh);
    return true;
}

Expected<void> FolderStore::save(const std::string& fileName, const XmlDocument& doc) {
    if (!isSafeFileName(fileName)) return Error(Error::Kind::UnsafeName, "not a plain file name");
    const RapidDocument& tree = *doc;
    std::string error;
    bool written = false;
    // The document is printed into the file piece by piece, never whole.
    FileMark::Summer summer;
    // A held document's file is kept as written: the base of a later merge.
    const bool keep = heldText(doc) != nullptr;
    std::string printed;
    const bool saved = SafeWriter::write(
        *folder_, fileName,
        [&tree, &summer, &printed, keep](const SafeWriter::Put& put) {
            printed.clear();
            return XmlFile::print(tree, [&summer, &put, &printed, keep](const char* data, std::size_t size) {
                summer.add(data, size);
                if (keep) printed.append(data, size);
                return put(data, size);
            });
        },
        error, &written);
    if (written) {
        marks_[path(fileName)] = FileMark::ofWritten(path(fileName), summer.sum());
        if (heldText(doc)) {
            std::vector<char>& base = bases_[path(fileName)];
            XmlFile::joinLines(printed.data(), printed.size(), base);
        }
    }
    if (isOpenUser(doc)) setUnsaved(!written);
    if (saved) return {};
    return Error(written ? Error::Kind::NotSafe : Error::Kind::NotSaved, error);
}

Expected<void> FolderStore::lock(const std::string& folder) {
    // The lock lasts as long as the process: a folder locked once stays ours.
    static std::set<std::string> locked;
    if (locked.count(folder)) return {};
    std::string reason;
    const int taken = platform::lockDataFolder(folder, reason);
    if (taken == 1) {
        locked.insert(folder);
        return {};
    }
    if (taken == 0) return Error(Error::Kind::Busy, "another program holds the lock on " + folder);
    return Error(Error::Kind::Failed, reason);
}
