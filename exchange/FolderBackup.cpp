#include "exchange/FolderBackup.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>

#include "exchange/DataFolder.h"
#include "exchange/Sha256.h"
#include "exchange/report/ReportPeriod.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

const char* const FolderBackup::kManifest = "quorvel-backup.txt";

namespace {

const char* const kManifestTitle = "Quorvel backup";

bool endsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A name a backup may hold: a plain file name, as the store accepts it.
bool plainName(const std::string& name) {
    return Global::isSafeFileName(name) && name[0] != '.' && name.find(':') == std::string::npos &&
           name != FolderBackup::kManifest && name != "quorvel.lock";
}

bool isDataFile(const std::string& name) { return endsWith(name, ".hma") || endsWith(name, ".xml"); }

std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Parses a file's bytes as the store parses a data file.
bool parse(const std::string& bytes, XmlDocument& doc, std::vector<char>& text, std::string& error) {
    text.assign(bytes.begin(), bytes.end());
    XmlFile::joinLinesInPlace(text);
    XmlFile::Failure failure;
    if (XmlFile::parse(text, doc, error, &failure)) return true;
    error = XmlFile::positionInRaw(bytes.data(), bytes.size(), failure.offset) + ": " + failure.reason;
    return false;
}

// Checks that the files read as the store reads them, counts people and
// readings and puts the registry last. where names the folder or archive.
int check(BackupContents& c, const std::string& where, Diagnostics& tell) {
    auto config = std::find_if(c.files.begin(), c.files.end(), [](const BackupFile& f) { return f.name == "config.hma"; });
    if (config == c.files.end()) {
        tell.error() << where << ": no config.hma (the registry of people)" << std::endl;
        return exchange::kProblem;
    }
    std::rotate(config, config + 1, c.files.end());
    std::set<std::string> userFiles;
    c.people = 0;
    c.readings = 0;
    int status = exchange::kOk;
    for (const BackupFile& f : c.files) {
        if (!isDataFile(f.name)) continue;
        XmlDocument doc;
        std::vector<char> text;
        std::string error;
        if (!parse(f.bytes, doc, text, error)) {
            tell.error() << where << ": " << f.name << ": " << error << std::endl;
            status = exchange::kProblem;
            continue;
        }
        if (f.name == "config.hma") {
            const XmlNode* root = doc->first_node("config");
            if (!root) {
                tell.error() << where << ": config.hma: the registry has no config element" << std::endl;
                return exchange::kProblem;
            }
            for (const XmlNode* p = root->first_node("patient"); p; p = p->next_sibling("patient")) {
                ++c.people;
                const std::string file = Global::textOf(p->first_node("file"));
                if (!userFiles.count(file)) {
                    tell.error() << where << ": config.hma names " << (file.empty() ? "no file" : file)
                                 << " for id " << Global::attributeText(p, "id") << ", which is not there" << std::endl;
                    status = exchange::kProblem;
                }
            }
            continue;
        }
        const XmlNode* patient = doc->first_node("patient");
        if (!patient) {
            if (f.name == "template_new.xml") continue;
            tell.error() << where << ": " << f.name << ": no patient element" << std::endl;
            status = exchange::kProblem;
            continue;
        }
        userFiles.insert(f.name);
        for (const XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable"))
            for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) ++c.readings;
    }
    return status;
}

std::string manifestOf(const BackupContents& c) {
    std::ostringstream m;
    m << kManifestTitle << "\nmade " << c.madeOn << "\n";
    for (const BackupFile& f : c.files) m << Sha256::hex(f.bytes) << " " << f.bytes.size() << " " << f.name << "\n";
    return m.str();
}

// Owners of the library's handles. A source given to an archive that opened
// is the archive's; the owner of one is then released.
struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourceOwner = std::unique_ptr<zip_source_t, SourceFree>;
// An archive not closed is discarded, whatever it holds.
struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveOwner = std::unique_ptr<zip_t, ArchiveDiscard>;
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The library's error of an open that failed, released when it goes.
class ZipError {
public:
    ZipError() { zip_error_init(&error_); }
    ~ZipError() { zip_error_fini(&error_); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    zip_error_t* get() { return &error_; }
    std::string text() { return zip_error_strerror(&error_); }

private:
    zip_error_t error_;
};

// Adds a file to the archive, its bytes read from memory when the archive is closed.
bool addFile(zip_t* archive, const std::string& name, const std::string& bytes) {
    SourceOwner source(zip_source_buffer(archive, bytes.data(), bytes.size(), 0));
    if (!source || zip_file_add(archive, name.c_str(), source.get(), ZIP_FL_ENC_UTF_8) < 0) return false;
    (void)source.release();  // the archive owns it now
    return true;
}

// The bytes a memory source holds.
bool bytesOf(zip_source_t* memory, std::string& out) {
    zip_stat_t st;
    if (zip_source_stat(memory, &st) != 0 || zip_source_open(memory) != 0) return false;
    out.assign(static_cast<std::size_t>(st.size), '\0');
    const bool read = zip_source_read(memory, &out[0], st.size) == static_cast<zip_int64_t>(st.size);
    zip_source_close(memory);
    return read;
}

// The zip's bytes, built in memory so that the file is written whole by the safe writer.
bool zipOf(const BackupContents& c, const std::string& manifest, std::string& out, std::string& error) {
    ZipError openError;
    SourceOwner memory(zip_source_buffer_create(nullptr, 0, 0, openError.get()));
    ArchiveOwner archive(memory ? zip_open_from_source(memory.get(), ZIP_TRUNCATE, openError.get()) : nullptr);
    if (!archive) {
        error = openError.text();
        return false;
    }
    // The archive holds the source now; the owner keeps a reference of its
    // own, to read the bytes once the archive is closed.
    zip_source_keep(memory.get());
    bool added = addFile(archive.get(), FolderBackup::kManifest, manifest);
    for (const BackupFile& f : c.files) added = added && addFile(archive.get(), f.name, f.bytes);
    if (!added || zip_close(archive.get()) != 0) {
        error = zip_strerror(archive.get());
        return false;
    }
    (void)archive.release();  // closed, and freed by the close
    if (!bytesOf(memory.get(), out)) {
        error = "the archive could not be put together";
        return false;
    }
    return true;
}

bool readWhole(const std::string& path, std::string& out) {
    std::unique_ptr<std::FILE, FileClose> f(platform::openFile(path, "rb"));
    if (!f) return false;
    out.clear();
    char block[65536];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f.get())) > 0) out.append(block, n);
    return !std::ferror(f.get());
}

// The bytes of entry i of the archive into f, its name already read. False
// with error when the entry is too large or damaged.
bool readEntry(zip_t* archive, zip_uint64_t i, const zip_stat_t& st, std::size_t& total, BackupFile& f,
               std::string& error) {
    total += static_cast<std::size_t>(std::min<zip_uint64_t>(st.size, FolderBackup::kMaxFileSize + 1));
    if (st.size > FolderBackup::kMaxFileSize || total > 2 * FolderBackup::kMaxFileSize) {
        error = f.name + ": larger than a data folder's files can be";
        return false;
    }
    f.bytes.assign(static_cast<std::size_t>(st.size), '\0');
    zip_file_t* zf = zip_fopen_index(archive, i, 0);
    const zip_int64_t got = zf ? zip_fread(zf, &f.bytes[0], st.size) : -1;
    // Closing checks the entry's CRC: it is closed here, its result read.
    const bool whole = zf && zip_fclose(zf) == 0 && got == static_cast<zip_int64_t>(st.size);
    if (!whole) error = f.name + ": damaged in the archive";
    return whole;
}

// The files of the zip, by name. False with error when it is not a zip the
// library can read or an entry is not a plain file.
bool unzip(const std::string& archiveBytes, std::vector<BackupFile>& files, std::string& error) {
    ZipError openError;
    SourceOwner source(zip_source_buffer_create(archiveBytes.data(), archiveBytes.size(), 0, openError.get()));
    ArchiveOwner archive(source ? zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, openError.get())
                                : nullptr);
    if (!archive) {
        error = "not a readable .zip file (" + openError.text() + ")";
        return false;
    }
    (void)source.release();  // the archive owns it now
    std::size_t total = 0;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
            error = "an entry cannot be read";
            return false;
        }
        BackupFile f;
        f.name = st.name ? st.name : "";
        if (f.name != FolderBackup::kManifest && !plainName(f.name)) {
            error = "holds \"" + f.name + "\", which is not a file of a data folder";
            return false;
        }
        if (!readEntry(archive.get(), static_cast<zip_uint64_t>(i), st, total, f, error)) return false;
        files.push_back(std::move(f));
    }
    return true;
}

}  // namespace

std::string BackupContents::describe() const {
    return std::to_string(people) + (people == 1 ? " person, " : " people, ") + grouped(readings) +
           (readings == 1 ? " reading" : " readings") + ", made " + madeOn;
}

bool FolderBackup::available() { return true; }

std::string FolderBackup::defaultName(const std::tm& day) { return "Quorvel-backup-" + ReportPeriod::dayText(day) + ".zip"; }

bool FolderBackup::folderFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    std::vector<std::string> all;
    if (!platform::listFiles(folder, all, error)) return false;
    std::set<std::string> named;
    DataFolder data;
    if (data.open(folder))
        for (const UserRecord& r : data.users()) named.insert(r.file);
    names.clear();
    for (const std::string& name : all) {
        if (!plainName(name) || endsWith(name, ".old")) continue;
        if (isDataFile(name) || name == "readme.txt" || named.count(name)) names.push_back(name);
    }
    return true;
}

int FolderBackup::make(const std::string& dataDir, const std::tm& madeOn, std::string& archive,
                       BackupContents& contents, Diagnostics& tell) {
    const Expected<std::string> resolved = DataFolder::resolve(dataDir);
    if (!resolved) {
        tell.error() << resolved.error().reason << std::endl;
        return exchange::kProblem;
    }
    const std::string& folder = *resolved;
    std::string error;
    std::vector<std::string> names;
    if (!folderFiles(folder, names, error)) {
        tell.error() << error << std::endl;
        return exchange::kProblem;
    }
    contents = BackupContents();
    contents.madeOn = ReportPeriod::dayText(madeOn);
    for (const std::string& name : names) {
        BackupFile f;
        f.name = name;
        if (!readWhole(folder + name, f.bytes) || f.bytes.size() > kMaxFileSize) {
            tell.error() << folder << name << ": cannot be read; nothing written" << std::endl;
            return exchange::kProblem;
        }
        contents.files.push_back(std::move(f));
    }
    if (check(contents, folder, tell) != exchange::kOk) {
        tell.error() << "a backup that could not be restored is not made; nothing written" << std::endl;
        return exchange::kProblem;
    }
    if (!zipOf(contents, manifestOf(contents), archive, error)) {
        tell.error() << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    return exchange::kOk;
}

int FolderBackup::read(const std::string& path, BackupContents& contents, Diagnostics& tell) {
    contents = BackupContents();
    std::string archive, error;
    if (!readWhole(path, archive)) {
        tell.error() << path << ": cannot be read" << std::endl;
        return exchange::kProblem;
    }
    std::vector<BackupFile> files;
    if (!unzip(archive, files, error)) {
        tell.error() << path << ": " << error << std::endl;
        return exchange::kProblem;
    }
    auto manifest = std::find_if(files.begin(), files.end(), [](const BackupFile& f) { return f.name == kManifest; });
    if (manifest == files.end()) {
        tell.error() << path << ": not a Quorvel backup (it has no " << kManifest << ")" << std::endl;
        return exchange::kProblem;
    }
    std::istringstream lines(manifest->bytes);
    std::string line;
    if (!std::getline(lines, line) || line != kManifestTitle || !std::getline(lines, line) ||
        line.rfind("made ", 0) != 0) {
        tell.error() << path << ": " << kManifest << ": not a Quorvel backup's list of files" << std::endl;
        return exchange::kProblem;
    }
    contents.madeOn = line.substr(5);
    int status = exchange::kOk;
    std::set<std::string> listed;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string sum, name;
        std::size_t size = 0;
        fields >> sum >> size;
        std::getline(fields >> std::ws, name);
        auto file = std::find_if(files.begin(), files.end(), [&](const BackupFile& f) { return f.name == name; });
        if (name.empty() || name == kManifest || !listed.insert(name).second) {
            tell.error() << path << ": " << kManifest << ": a damaged line: " << line << std::endl;
            status = exchange::kProblem;
        } else if (file == files.end()) {
            tell.error() << path << ": " << name << " is listed but missing" << std::endl;
            status = exchange::kProblem;
        } else if (file->bytes.size() != size || Sha256::hex(file->bytes) != sum) {
            tell.error() << path << ": " << name << ": its checksum does not agree with the list" << std::endl;
            status = exchange::kProblem;
        }
    }
    for (BackupFile& f : files) {
        if (f.name == kManifest) continue;
        if (!listed.count(f.name)) {
            tell.error() << path << ": " << f.name << " is not in the list of files" << std::endl;
            status = exchange::kProblem;
        }
        contents.files.push_back(std::move(f));
    }
    if (status != exchange::kOk) return status;
    return check(contents, path, tell);
}

int FolderBackup::restore(const BackupContents& contents, const std::string& folder, Diagnostics& tell) {
    std::vector<std::string> present;
    std::string error;
    if (!folderFiles(folder, present, error)) {
        tell.error() << error << "; nothing changed" << std::endl;
        return exchange::kProblem;
    }
    std::set<std::string> restored;
    for (const BackupFile& f : contents.files) restored.insert(f.name);
    // Data files the backup lacks go aside first: the registry, written
    // last, never names a file of the old folder.
    for (const std::string& name : present) {
        if (restored.count(name)) continue;
        if (!SafeWriter::fileOps().replace(folder + name, folder + name + ".old")) {
            tell.error() << folder << name << ": cannot be kept as " << name << ".old ("
                         << SafeWriter::fileOps().lastError() << "); nothing restored" << std::endl;
            return exchange::kProblem;
        }
    }
    std::size_t done = 0;
    for (const BackupFile& f : contents.files) {
        std::string old;
        bool kept = true;
        if (platform::isRegularFile(folder + f.name)) {
            kept = readWhole(folder + f.name, old);
            // A file that already holds the backup's bytes stays as it is.
            if (kept && old == f.bytes) {
                ++done;
                continue;
            }
            kept = kept && SafeWriter::write(folder, f.name + ".old", old, error);
        }
        if (!kept || !SafeWriter::write(folder, f.name, f.bytes, error)) {
            tell.error() << folder << f.name << ": " << (kept ? error : "cannot be kept as " + f.name + ".old")
                         << "; " << done << " of " << contents.files.size()
                         << " files restored, the files they replaced kept as .old" << std::endl;
            return exchange::kProblem;
        }
        ++done;
    }
    return exchange::kOk;
}
