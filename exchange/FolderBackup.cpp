#include "exchange/FolderBackup.h"

#include <zip.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "exchange/DataFolder.h"
#include "exchange/Sha256.h"
#include "exchange/report/ReportPeriod.h"
#include "platform/Platform.h"
#include "store/SafeWriter.h"

const char* const FolderBackup::kManifest = "quorvel-backup.txt";

namespace {

const char* const kManifestTitle = "Quorvel backup";
const char* const kConfig = "config.hma";
// The program's own files a backup holds when the folder has them.
const char* const kOwnFiles[] = {"config.hma", "preferences.xml", "template_new.xml", "readme.txt"};
// Bytes read or written at a time.
const std::size_t kBlock = 1 << 16;
// Each entry is written readable and writable by its owner only: an archive
// unpacked by hand gives private health files.
const zip_uint32_t kEntryMode = 0100600;
// zlib's own default level: about the time of the zip program, for an
// archive a few per cent larger than the slowest level gives.
const zip_uint32_t kCompressionLevel = 6;
// A manifest larger than this is not a backup's.
const std::size_t kMaxManifest = std::size_t(16) << 20;

std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileOwner = std::unique_ptr<std::FILE, FileClose>;
struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourceOwner = std::unique_ptr<zip_source_t, SourceFree>;
// An archive not closed is discarded, whatever it holds.
struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveOwner = std::unique_ptr<zip_t, ArchiveDiscard>;

// The library's error of an open that failed, released when it goes.
class ZipError {
public:
    ZipError() { zip_error_init(&error_); }
    ~ZipError() { zip_error_fini(&error_); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    zip_error_t* get() { return &error_; }
    int code() { return zip_error_code_zip(&error_); }
    std::string text() { return zip_error_strerror(&error_); }

private:
    zip_error_t error_;
};

// A file of the folder as the archive reads it when it is closed: a block
// at a time, never whole, its size and checksum taken of the very bytes that
// go in (read again from the start should the archive open it again).
class FileIntoZip {
public:
    explicit FileIntoZip(std::string path) : path_(std::move(path)) { zip_error_init(&error_); }
    ~FileIntoZip() {
        if (file_) std::fclose(file_);
        zip_error_fini(&error_);
    }
    FileIntoZip(const FileIntoZip&) = delete;
    FileIntoZip& operator=(const FileIntoZip&) = delete;

    // A source of the archive's that reads this file; it must outlive the
    // source (the archive's close).
    zip_source_t* source(std::string& error) {
        ZipError made;
        zip_source_t* s = zip_source_function_create(&FileIntoZip::command, this, made.get());
        if (!s) error = made.text();
        return s;
    }

    std::size_t size() const { return size_; }
    std::string hex() { return sum_.hex(); }
    // Why the file could not be read whole; empty when it was.
    const std::string& failure() const { return failure_; }

private:
    static zip_int64_t command(void* self, void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
        return static_cast<FileIntoZip*>(self)->run(data, length, cmd);
    }

    zip_int64_t fail(const std::string& why) {
        failure_ = why;
        zip_error_set(&error_, ZIP_ER_READ, 0);
        return -1;
    }

    zip_int64_t run(void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            if (file_) std::fclose(file_);
            file_ = platform::openFile(path_, "rb");
            sum_ = Sha256();
            size_ = 0;
            failure_.clear();
            return file_ ? 0 : fail("cannot be read");
        case ZIP_SOURCE_READ: {
            const std::size_t n = std::fread(data, 1, static_cast<std::size_t>(length), file_);
            if (n == 0 && std::ferror(file_)) return fail("cannot be read");
            size_ += n;
            if (size_ > FolderBackup::kMaxFileSize) return fail("larger than a data folder's files can be");
            sum_.add(static_cast<const char*>(data), n);
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE:
            if (file_) std::fclose(file_);
            file_ = nullptr;
            return 0;
        case ZIP_SOURCE_STAT: {
            // The size is what is read: a file may change between a look and the read.
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    Sha256 sum_;
    std::size_t size_ = 0;
    std::string failure_;
    zip_error_t error_;
};

std::string manifestOf(const std::string& madeOn, const std::vector<std::string>& lines) {
    std::string m = std::string(kManifestTitle) + "\nmade " + madeOn + "\n";
    for (const std::string& line : lines) m += line + "\n";
    return m;
}

// Adds a file to the archive from source (the archive's once added),
// private, with its time and the default level of compression.
bool addEntry(zip_t* archive, const std::string& name, zip_source_t* made, std::int64_t modified) {
    SourceOwner source(made);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source.get(), ZIP_FL_ENC_UTF_8);
    if (index < 0) return false;
    (void)source.release();  // the archive owns it now
    const auto i = static_cast<zip_uint64_t>(index);
    return zip_set_file_compression(archive, i, ZIP_CM_DEFLATE, kCompressionLevel) == 0 &&
           zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, kEntryMode << 16) == 0 &&
           zip_file_set_mtime(archive, i, static_cast<time_t>(modified), 0) == 0;
}

// The archive in memory, grown one file at a time: each file is compressed
// when the archive is closed after it, so only one file is held at once.
class GrowingArchive {
public:
    bool start(std::string& error) {
        memory_.reset(zip_source_buffer_create(nullptr, 0, 0, error_.get()));
        if (!memory_) error = error_.text();
        return memory_ != nullptr;
    }
    // Adds a file from memory.
    bool add(const std::string& name, const std::string& bytes, std::int64_t modified, std::string& error) {
        return add(name, [&bytes](zip_t* archive) { return zip_source_buffer(archive, bytes.data(), bytes.size(), 0); },
                   modified, error);
    }
    // Adds a file of the folder, read as the archive is closed.
    bool add(const std::string& name, FileIntoZip& file, std::int64_t modified, std::string& error) {
        std::string made;
        const bool added = add(name, [&](zip_t*) { return file.source(made); }, modified, error);
        if (!file.failure().empty()) error = file.failure();
        else if (!made.empty()) error = made;
        return added;
    }

private:
    bool add(const std::string& name, const std::function<zip_source_t*(zip_t*)>& source, std::int64_t modified,
             std::string& error) {
        // The archive takes a reference to the source; the owner keeps its own.
        zip_source_keep(memory_.get());
        ArchiveOwner archive(zip_open_from_source(memory_.get(), 0, error_.get()));
        if (!archive) {
            zip_source_free(memory_.get());  // the reference the archive did not take
            error = error_.text();
            return false;
        }
        if (!addEntry(archive.get(), name, source(archive.get()), modified) || zip_close(archive.get()) != 0) {
            error = zip_strerror(archive.get());
            return false;
        }
        (void)archive.release();  // closed, and freed by the close
        return true;
    }

public:
    bool bytes(std::string& out, std::string& error) {
        zip_stat_t st;
        if (zip_source_stat(memory_.get(), &st) != 0 || zip_source_open(memory_.get()) != 0) {
            error = "the archive could not be put together";
            return false;
        }
        out.assign(static_cast<std::size_t>(st.size), '\0');
        const bool read = st.size == 0 || zip_source_read(memory_.get(), &out[0], st.size) ==
                                               static_cast<zip_int64_t>(st.size);
        zip_source_close(memory_.get());
        if (!read) error = "the archive could not be put together";
        return read;
    }

private:
    ZipError error_;
    SourceOwner memory_;
};

// The name given twice in the archive's central directory, read from the
// file's end (for a zip the library refuses to open for it); empty when
// none is found.
std::string nameGivenTwice(const std::string& path) {
    FileOwner f(platform::openFile(path, "rb"));
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    if (!f || !platform::fileStamp(path, size, modified) || size < 22) return std::string();
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, 22 + 65535));
    std::string end(tail, '\0');
    if (std::fseek(f.get(), static_cast<long>(size - tail), SEEK_SET) != 0 ||
        std::fread(&end[0], 1, tail, f.get()) != tail)
        return std::string();
    const std::size_t at = end.rfind(std::string("PK\5\6", 4));
    if (at == std::string::npos || at + 22 > end.size()) return std::string();
    auto number = [](const std::string& s, std::size_t i, int bytes) {
        std::uint64_t v = 0;
        for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        return v;
    };
    const std::uint64_t dirSize = number(end, at + 12, 4), dirStart = number(end, at + 16, 4);
    if (dirStart + dirSize > size || dirSize > kMaxManifest) return std::string();
    std::string dir(static_cast<std::size_t>(dirSize), '\0');
    if (std::fseek(f.get(), static_cast<long>(dirStart), SEEK_SET) != 0 ||
        std::fread(&dir[0], 1, dir.size(), f.get()) != dir.size())
        return std::string();
    std::set<std::string> seen;
    for (std::size_t i = 0; i + 46 <= dir.size() && dir.compare(i, 4, "PK\1\2") == 0;) {
        const std::size_t nameSize = number(dir, i + 28, 2), extra = number(dir, i + 30, 2),
                          comment = number(dir, i + 32, 2);
        if (i + 46 + nameSize > dir.size()) break;
        std::string name = dir.substr(i + 46, nameSize);
        if (!seen.insert(name).second) return name;
        i += 46 + nameSize + extra + comment;
    }
    return std::string();
}

// A small entry (the manifest, the registry) whole into out.
bool readSmall(zip_t* archive, zip_uint64_t index, std::size_t limit, std::string& out) {
    zip_stat_t st;
    if (zip_stat_index(archive, index, 0, &st) != 0 || st.size > limit) return false;
    out.assign(static_cast<std::size_t>(st.size), '\0');
    zip_file_t* zf = zip_fopen_index(archive, index, 0);
    const zip_int64_t got = zf && st.size ? zip_fread(zf, &out[0], st.size) : 0;
    return zf && zip_fclose(zf) == 0 && got == static_cast<zip_int64_t>(st.size);
}

// The file names a registry's records give, read as the store reads it.
std::set<std::string> namedFiles(const std::string& registry) {
    std::set<std::string> named;
    std::vector<char> text(registry.begin(), registry.end());
    XmlFile::joinLinesInPlace(text);
    XmlDocument doc;
    std::string error;
    if (!XmlFile::parse(text, doc, error)) return named;
    const XmlNode* root = doc->first_node("config");
    for (const XmlNode* p = root ? root->first_node("patient") : nullptr; p; p = p->next_sibling("patient")) {
        const XmlNode* file = p->first_node("file");
        if (file) named.insert(std::string(file->value(), file->value_size()));
    }
    return named;
}

struct Listed {
    std::string sum;
    std::size_t size = 0;
};

// The manifest's lines: false with error at the first that is not a file's.
bool readManifest(const std::string& bytes, std::string& madeOn, std::map<std::string, Listed>& listed,
                  std::string& error) {
    std::istringstream lines(bytes);
    std::string line;
    if (!std::getline(lines, line) || line != kManifestTitle || !std::getline(lines, line) ||
        line.rfind("made ", 0) != 0) {
        error = std::string(FolderBackup::kManifest) + ": not a Quorvel backup's list of files";
        return false;
    }
    madeOn = line.substr(5);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        Listed l;
        fields >> l.sum >> l.size;
        std::getline(fields >> std::ws, name);
        if (!fields.eof() && fields.fail()) name.clear();
        if (name.empty() || name == FolderBackup::kManifest || l.sum.size() != 64 || !listed.emplace(name, l).second) {
            error = std::string(FolderBackup::kManifest) + ": a damaged line: " + line;
            return false;
        }
    }
    return true;
}

// Streams entry index into the incoming folder, checking it against the list.
bool unpack(zip_t* archive, zip_uint64_t index, const std::string& name, const Listed& listed,
            const std::string& incoming, std::size_t& done, std::size_t total,
            const FolderBackup::Progress& progress, std::string& error) {
    zip_file_t* zf = zip_fopen_index(archive, index, 0);
    if (!zf) {
        error = name + ": damaged in the archive (" + zip_strerror(archive) + ")";
        return false;
    }
    Sha256 sum;
    std::size_t size = 0;
    bool damaged = false;
    std::string written;
    const bool wrote = SafeWriter::write(
        incoming, name,
        [&](const SafeWriter::Put& put) {
            std::vector<char> block(kBlock);
            for (;;) {
                const zip_int64_t n = zip_fread(zf, block.data(), block.size());
                if (n < 0) {
                    damaged = true;
                    return false;
                }
                if (n == 0) return true;
                const auto got = static_cast<std::size_t>(n);
                size += got;
                if (size > FolderBackup::kMaxFileSize) {
                    damaged = true;
                    return false;
                }
                sum.add(block.data(), got);
                if (!put(block.data(), got)) return false;
                done += got;
                if (progress) progress(done, total);
            }
        },
        written);
    // Closing checks the entry's CRC.
    if (zip_fclose(zf) != 0 || damaged) {
        error = name + ": damaged in the archive";
        return false;
    }
    if (!wrote) {
        error = name + ": " + written;
        return false;
    }
    if (size != listed.size || sum.hex() != listed.sum) {
        error = name + ": its checksum does not agree with the list";
        return false;
    }
    return true;
}

// Opens the backup, its signature and directory looked at before anything
// else is read. Null with error when it is not a zip this program reads.
zip_t* openBackup(const std::string& path, std::string& error) {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    if (!platform::fileStamp(path, size, modified) || !platform::isRegularFile(path)) {
        error = "cannot be read";
        return nullptr;
    }
    FileOwner f(platform::openFile(path, "rb"));
    char signature[4] = {};
    if (!f || std::fread(signature, 1, 4, f.get()) != 4 || std::string(signature, 4) != std::string("PK\3\4", 4)) {
        error = f ? "not a .zip file (it does not begin as one)" : "cannot be read";
        return nullptr;
    }
    if (size > 2 * FolderBackup::kMaxFileSize + kMaxManifest) {
        error = "larger than a backup of a data folder can be";
        return nullptr;
    }
    std::rewind(f.get());
    ZipError openError;
    // The source reads the file where it is needed, never whole.
    SourceOwner source(zip_source_filep_create(f.get(), 0, -1, openError.get()));
    if (!source) {
        error = "cannot be read (" + openError.text() + ")";
        return nullptr;
    }
    (void)f.release();  // the source owns it now
    zip_t* archive = zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, openError.get());
    if (!archive) {
        const std::string twice = openError.code() == ZIP_ER_EXISTS ? nameGivenTwice(path) : std::string();
        error = twice.empty() ? "not a readable .zip file (" + openError.text() + ")"
                              : "the name " + twice + " is in the backup twice";
        return nullptr;
    }
    (void)source.release();  // the archive owns it now
    return archive;
}

// The checks of the archive's entries and their unpacking into incoming.
bool unpackAll(zip_t* archive, const std::string& incoming, RestorePlan& plan, const FolderBackup::Progress& progress,
               std::string& error) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    const zip_int64_t manifestAt = zip_name_locate(archive, FolderBackup::kManifest, 0);
    if (manifestAt < 0) {
        error = std::string("not a Quorvel backup (it has no ") + FolderBackup::kManifest + ")";
        return false;
    }
    std::string bytes;
    if (!readSmall(archive, static_cast<zip_uint64_t>(manifestAt), kMaxManifest, bytes)) {
        error = std::string(FolderBackup::kManifest) + ": damaged in the archive";
        return false;
    }
    std::map<std::string, Listed> listed;
    if (!readManifest(bytes, plan.madeOn, listed, error)) return false;
    // The names a backup may hold: the program's own and those its registry gives.
    std::set<std::string> allowed(std::begin(kOwnFiles), std::end(kOwnFiles));
    const zip_int64_t configAt = zip_name_locate(archive, kConfig, 0);
    std::string registry;
    if (configAt >= 0 && readSmall(archive, static_cast<zip_uint64_t>(configAt), FolderBackup::kMaxFileSize, registry))
        for (const std::string& n : namedFiles(registry))
            if (FolderRestore::isPlainName(n)) allowed.insert(n);
    std::vector<std::pair<zip_uint64_t, std::string>> entries;
    std::size_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        if (zip_stat_index(archive, index, 0, &st) != 0 || !st.name) {
            error = "an entry cannot be read";
            return false;
        }
        const std::string name = st.name;
        if (name == FolderBackup::kManifest) continue;
        if (!allowed.count(name)) {
            error = "holds \"" + name + "\", which is not a file of a data folder";
            return false;
        }
        if (!listed.count(name)) {
            error = name + " is not in the list of files";
            return false;
        }
        if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0)) {
            error = name + ": stored with a compression method this program cannot read";
            return false;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            error = name + ": encrypted, which a backup never is";
            return false;
        }
        total += static_cast<std::size_t>(std::min<zip_uint64_t>(st.size, FolderBackup::kMaxFileSize + 1));
        if (st.size > FolderBackup::kMaxFileSize || total > 2 * FolderBackup::kMaxFileSize) {
            error = name + ": larger than a data folder's files can be";
            return false;
        }
        entries.emplace_back(index, name);
    }
    for (const auto& l : listed)
        if (std::none_of(entries.begin(), entries.end(), [&](const auto& e) { return e.second == l.first; })) {
            error = l.first + " is listed but missing";
            return false;
        }
    if (configAt < 0) {
        error = "no config.hma (the registry of people)";
        return false;
    }
    // The registry last, as it goes into the folder.
    std::stable_partition(entries.begin(), entries.end(), [](const auto& e) { return e.second != kConfig; });
    std::size_t done = 0;
    for (const auto& e : entries) {
        if (!unpack(archive, e.first, e.second, listed.at(e.second), incoming, done, total, progress, error))
            return false;
        plan.files.push_back(e.second);
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
    std::set<std::string> wanted(std::begin(kOwnFiles), std::end(kOwnFiles));
    DataFolder data;
    if (data.open(folder))
        for (const UserRecord& r : data.users())
            if (FolderRestore::isPlainName(r.file)) wanted.insert(r.file);
    names.clear();
    // Users' files first, the registry last.
    for (const std::string& name : all)
        if (wanted.count(name) && name != kConfig) names.push_back(name);
    if (std::find(all.begin(), all.end(), kConfig) != all.end()) names.push_back(kConfig);
    return true;
}

int FolderBackup::make(const std::string& dataDir, const std::tm& madeOn, std::string& archive,
                       BackupContents& contents, Diagnostics& tell, const Progress& progress) {
    const Expected<std::string> resolved = DataFolder::resolve(dataDir);
    if (!resolved) {
        tell.error() << resolved.error().reason << std::endl;
        return exchange::kProblem;
    }
    const std::string& folder = *resolved;
    std::string error;
    std::vector<std::string> names;
    if (!folderFiles(folder, names, error)) {
        tell.error() << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    contents = BackupContents();
    contents.madeOn = ReportPeriod::dayText(madeOn);
    std::vector<PersonReadings> people;
    // The checks a restore makes, so that every backup written can be restored.
    if (std::find(names.begin(), names.end(), kConfig) == names.end() ||
        FolderRestore::checkFolder(folder, folder.substr(0, folder.size() - 1), people, contents.readings, tell) !=
            exchange::kOk) {
        if (std::find(names.begin(), names.end(), kConfig) == names.end())
            tell.error() << folder << ": no config.hma (the registry of people)" << std::endl;
        tell.error() << "a backup that could not be restored is not made; nothing written" << std::endl;
        return exchange::kProblem;
    }
    contents.people = static_cast<int>(people.size());
    std::size_t total = 0, done = 0;
    for (const std::string& name : names) {
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        if (platform::fileStamp(folder + name, size, modified)) total += static_cast<std::size_t>(size);
    }
    GrowingArchive zip;
    std::vector<std::string> lines;
    if (!zip.start(error)) {
        tell.error() << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    for (const std::string& name : names) {
        std::int64_t modified = 0;
        if (!platform::modifiedSeconds(folder + name, modified)) {
            tell.error() << folder << name << ": cannot be read; nothing written" << std::endl;
            return exchange::kProblem;
        }
        // Streamed in: the file is read a block at a time as it is compressed.
        FileIntoZip file(folder + name);
        if (!zip.add(name, file, modified, error)) {
            std::ostream& line = tell.error();
            if (!file.failure().empty()) line << folder << name << ": ";
            line << error << "; nothing written" << std::endl;
            return exchange::kProblem;
        }
        lines.push_back(file.hex() + " " + std::to_string(file.size()) + " " + name);
        contents.files.push_back(name);
        done += file.size();
        if (progress) progress(done, total);
    }
    std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (!zip.add(kManifest, manifestOf(contents.madeOn, lines), now, error) || !zip.bytes(archive, error)) {
        tell.error() << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    return exchange::kOk;
}

int FolderBackup::stage(const std::string& path, const std::string& folder, RestorePlan& plan, Diagnostics& tell,
                        const Progress& progress) {
    plan = RestorePlan();
    plan.folder = folder;
    std::string error;
    ArchiveOwner archive(openBackup(path, error));
    if (!archive) {
        tell.error() << path << ": " << error << std::endl;
        return exchange::kProblem;
    }
    if (platform::entryExists(folder + FolderRestore::kJournal)) {
        tell.error() << folder << ": a restore that was interrupted is still to be finished (open the folder "
                     << "again); nothing restored" << std::endl;
        return exchange::kProblem;
    }
    const std::string incoming = folder + FolderRestore::kIncoming + platform::pathSeparator();
    // What an earlier interrupted restore left there is not this backup's.
    FolderRestore::discard(folder);
    if (!SafeWriter::fileOps().makeFolder(incoming)) {
        tell.error() << SafeWriter::fileOps().lastError() << std::endl;
        return exchange::kProblem;
    }
    if (!unpackAll(archive.get(), incoming, plan, progress, error)) {
        FolderRestore::discard(folder);
        tell.error() << path << ": " << error << std::endl;
        return exchange::kProblem;
    }
    if (FolderRestore::checkFolder(incoming, path, plan.people, plan.readings, tell) != exchange::kOk) {
        FolderRestore::discard(folder);
        return exchange::kProblem;
    }
    return exchange::kOk;
}
