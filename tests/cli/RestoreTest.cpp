// The restore of a backup: the program's own files carried both ways, a
// restore killed at every step of its work leaving the folder wholly as
// before or wholly restored, nothing it replaces lost, backups that `check`
// would refuse refused, the question naming the people, and the zip's own
// faults told as what they are.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>
#include <zip.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <map>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/FolderBackup.h"
#include "exchange/FolderRestore.h"
#include "exchange/Sha256.h"
#include "platform/Platform.h"
#include "rules/units/PreferencesFile.h"
#include "store/FolderStore.h"
#include "store/SafeWriter.h"

using namespace cli;

namespace {

std::string record(int id, const std::string& first, const std::string& last, const std::string& file = "") {
    const std::string n = std::to_string(id);
    return "<patient id=\"" + n + "\"><name><first>" + first + "</first><last>" + last + "</last></name><file>" +
           (file.empty() ? "user" + n + ".hma" : file) + "</file></patient>\n";
}

std::string pulses(int count) {
    std::string v = "<variable name=\"Pulse\">";
    for (int i = 0; i < count; ++i)
        v += "<entry id=\"" + std::to_string(i) + "\"><value>" + std::to_string(60 + i) + "</value><date>2024/1/" +
             std::to_string(1 + i % 28) + "</date><time>08:00:00 AM</time></entry>";
    return v + "</variable>\n";
}

// People given as (id, first, last, readings).
struct Person {
    int id;
    const char* first;
    const char* last;
    int readings;
};

void fill(const std::string& folder, const std::vector<Person>& people) {
    mkdir(folder.c_str(), 0700);
    std::string config = "<config>\n";
    for (const Person& p : people) {
        config += record(p.id, p.first, p.last);
        writeFile(folder + "user" + std::to_string(p.id) + ".hma", userFileXml(p.id, p.first, p.last, pulses(p.readings)));
    }
    writeFile(folder + "config.hma", config + "</config>\n");
}

// The regular files directly in a folder, by name.
std::map<std::string, std::string> filesOf(const std::string& folder) {
    std::vector<std::string> names;
    std::string error;
    platform::listFiles(folder, names, error);
    std::map<std::string, std::string> out;
    for (const std::string& n : names) out[n] = readFile(folder + n);
    return out;
}

// The kept folders a restore made in folder.
std::vector<std::string> keptFolders(const std::string& folder) {
    std::vector<std::string> names, out;
    std::string error;
    platform::listFolder(folder, names, error);
    for (const std::string& n : names)
        if (n.rfind(FolderRestore::kKeptPrefix, 0) == 0) out.push_back(n);
    return out;
}

// Where the zips written by hand go: the running test's folder.
std::string zipFolder;

std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries, zip_int32_t method = ZIP_CM_STORE) {
    static int made = 0;
    const std::string path = zipFolder + "/hand-" + std::to_string(++made) + ".zip";
    int error = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& e : entries) {
        const zip_int64_t i =
            zip_file_add(za, e.first.c_str(), zip_source_buffer(za, e.second.data(), e.second.size(), 0), 0);
        zip_set_file_compression(za, static_cast<zip_uint64_t>(i), method, 0);
    }
    zip_close(za);
    return path;
}

// A backup as a program made it: the files and a manifest that lists them.
std::string backupOf(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string list = "Quorvel backup\nmade 2026-12-01\n";
    for (const auto& f : files) list += Sha256::hex(f.second) + " " + std::to_string(f.second.size()) + " " + f.first + "\n";
    auto entries = files;
    entries.emplace_back(FolderBackup::kManifest, list);
    return zipOf(entries);
}

// File operations that stop for good after a number of steps, as a process
// killed at that moment stops: nothing after it reaches the disk.
class KilledOps : public platform::FileOps {
public:
    explicit KilledOps(int steps) : left_(steps) {}
    bool killed() const { return killed_; }
    int createExclusive(const std::string& p) override { return alive() ? FileOps::createExclusive(p) : -1; }
    bool writeAll(int h, const char* d, std::size_t n) override { return alive() && FileOps::writeAll(h, d, n); }
    bool flushToDisk(int h) override { return alive() && FileOps::flushToDisk(h); }
    bool close(int h) override {
        const bool wasAlive = alive();
        return FileOps::close(h) && wasAlive;
    }
    bool replace(const std::string& s, const std::string& t) override { return alive() && FileOps::replace(s, t); }
    bool syncFolder(const std::string& f) override { return alive() && FileOps::syncFolder(f); }
    bool remove(const std::string& p) override { return alive() && FileOps::remove(p); }
    bool moveNew(const std::string& s, const std::string& t) override { return alive() && FileOps::moveNew(s, t); }
    bool makeFolder(const std::string& p) override { return alive() && FileOps::makeFolder(p); }
    bool removeFolder(const std::string& p) override { return alive() && FileOps::removeFolder(p); }

private:
    bool alive() {
        if (!killed_ && left_-- <= 0) killed_ = true;
        if (killed_) lastError_ = "killed";
        return !killed_;
    }
    int left_;
    bool killed_ = false;
};

struct OpsInstalled {
    explicit OpsInstalled(platform::FileOps* ops) { SafeWriter::setFileOps(ops); }
    ~OpsInstalled() { SafeWriter::setFileOps(nullptr); }
};

class Restore : public ::testing::Test {
protected:
    TestDataFolder data;
    std::string archive;
    void SetUp() override {
        fill(data.folder, {{0, "Ann", "Lee", 3}, {1, "Bob", "Ray", 2}});
        archive = data.root + "/b.zip";
        zipFolder = data.root;
    }
    int backup() {
        BackupOptions o;
        o.dataDir = data.folder;
        o.output = archive;
        testing::internal::CaptureStdout();
        const int status = runBackup(o);
        testing::internal::GetCapturedStdout();
        return status;
    }
    int restore(const std::string& folder, const std::string& file, std::string* out = nullptr,
                std::string* err = nullptr) {
        RestoreOptions o;
        o.dataDir = folder;
        o.file = file;
        o.yes = true;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = runRestore(o);
        const std::string said = testing::internal::GetCapturedStdout(), told = testing::internal::GetCapturedStderr();
        if (out) *out = said;
        if (err) *err = told;
        return status;
    }
    std::string other(const std::string& name) const { return data.root + "/" + name + "/"; }
};

}  // namespace

TEST_F(Restore, PreferencesAreBackedUpAndRestoredAndKeptWhenTheBackupHasNone) {
    Units::Preferences metric;
    metric.temperature = Units::Temperature::Celsius;
    metric.mass = Units::Mass::Kilogram;
    metric.clock24 = true;
    metric.dateStyle = Units::DateStyle::Iso;
    metric.named = true;
    std::string error;
    // A backup made before there were preferences.
    ASSERT_EQ(backup(), kOk);
    const std::string before = data.root + "/before.zip";
    std::rename(archive.c_str(), before.c_str());
    ASSERT_TRUE(PreferencesFile::write(data.folder, metric, error)) << error;
    ASSERT_EQ(backup(), kOk);

    const std::string target = other("target");
    fill(target, {{5, "Cy", "Moe", 1}});
    ASSERT_EQ(restore(target, archive), kOk);
    EXPECT_EQ(readFile(target + "preferences.xml"), data.read("preferences.xml"));
    // The older backup has no preferences: today's stay where they are.
    ASSERT_EQ(restore(target, before), kOk);
    EXPECT_EQ(readFile(target + "preferences.xml"), data.read("preferences.xml"));
    EXPECT_EQ(readFile(target + "config.hma"), data.read("config.hma"));
}

TEST_F(Restore, KilledAtEveryStepLeavesTheFolderWhollyAsBeforeOrWhollyRestored) {
    ASSERT_EQ(backup(), kOk);
    const struct {
        const char* name;
        std::vector<Person> people;
    } folders[] = {
        {"more people than the backup", {{0, "Ann", "Lee", 5}, {1, "Bob", "Ray", 1}, {2, "Dee", "Fox", 4}}},
        {"fewer people than the backup", {{1, "Old", "One", 7}}},
    };
    for (const auto& f : folders) {
        const std::string whole = other(std::string("whole-") + f.name);
        fill(whole, f.people);
        const std::map<std::string, std::string> before = filesOf(whole);
        ASSERT_EQ(restore(whole, archive), kOk) << f.name;
        const std::map<std::string, std::string> after = filesOf(whole);
        int finished = 0, undone = 0;
        for (int steps = 0;; ++steps) {
            const std::string target = other(std::string(f.name) + "-" + std::to_string(steps));
            fill(target, f.people);
            KilledOps killed(steps);
            {
                OpsInstalled installed(&killed);
                RestorePlan plan;
                std::ostringstream told;
                Diagnostics tell(told, "");
                ASSERT_TRUE(FolderStore::lock(target));
                if (FolderBackup::stage(archive, target, plan, tell) == kOk) {
                    std::string kept;
                    std::tm now = localTm(2026, 12, 8, 16, 30);
                    FolderRestore::commit(plan, now, kept, tell);
                }
            }
            if (!killed.killed()) break;
            // The next program that opens the folder.
            std::string said;
            const FolderRestore::Recovery r = FolderRestore::recover(target, said);
            const std::map<std::string, std::string> now = filesOf(target);
            ASSERT_TRUE(now == before || now == after) << f.name << ", killed after " << steps << " steps: " << said;
            EXPECT_FALSE(platform::entryExists(target + FolderRestore::kIncoming)) << steps;
            if (now == after) {
                ++finished;
                EXPECT_NE(r, FolderRestore::Recovery::Undone) << steps;
                // Nothing replaced is lost: each old file is in the folder or kept.
                const std::vector<std::string> kept = keptFolders(target);
                ASSERT_EQ(kept.size(), 1u) << steps;
                const std::map<std::string, std::string> old = filesOf(target + kept[0] + "/");
                for (const auto& b : before)
                    EXPECT_TRUE((now.count(b.first) && now.at(b.first) == b.second) ||
                                (old.count(b.first) && old.at(b.first) == b.second))
                        << b.first << " after " << steps << " steps";
            } else {
                ++undone;
                EXPECT_NE(r, FolderRestore::Recovery::Finished) << steps;
                EXPECT_TRUE(keptFolders(target).empty()) << steps;
            }
            removeTree(target);
        }
        EXPECT_GT(finished, 3) << f.name;
        EXPECT_GT(undone, 3) << f.name;
    }
}

TEST_F(Restore, StoppedByAnErrorIsUndoneAndSaysSo) {
    ASSERT_EQ(backup(), kOk);
    const std::string target = other("target");
    fill(target, {{0, "Ann", "Lee", 9}, {2, "Dee", "Fox", 1}});
    const std::map<std::string, std::string> before = filesOf(target);
    // A move into the folder that fails (as a file held by another program does).
    class FailingMove : public platform::FileOps {
    public:
        bool moveNew(const std::string& s, const std::string& t) override {
            if (s.find(FolderRestore::kIncoming) != std::string::npos && ++moves == 2) {
                lastError_ = "cannot move: held by another program";
                return false;
            }
            return FileOps::moveNew(s, t);
        }
        int moves = 0;
    } failing;
    std::string err;
    {
        OpsInstalled installed(&failing);
        EXPECT_EQ(restore(target, archive, nullptr, &err), kProblem);
    }
    EXPECT_NE(err.find("held by another program) and was undone; nothing restored"), std::string::npos) << err;
    EXPECT_EQ(filesOf(target), before);
    EXPECT_TRUE(keptFolders(target).empty());
    EXPECT_FALSE(platform::entryExists(target + FolderRestore::kJournal));
}

TEST_F(Restore, TwoRestoresInARowKeepEveryReplacedFileAndNeverOverwriteOne) {
    ASSERT_EQ(backup(), kOk);
    const std::string target = other("target");
    fill(target, {{0, "Zed", "Old", 4}});
    // A removed person's file kept by the program.
    writeFile(target + "user0.hma.old", "the removed person's file");
    const std::string original = readFile(target + "user0.hma");
    std::string out;
    ASSERT_EQ(restore(target, archive, &out), kOk);
    ASSERT_EQ(restore(target, archive), kOk);
    EXPECT_EQ(readFile(target + "user0.hma.old"), "the removed person's file");
    const std::vector<std::string> kept = keptFolders(target);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_NE(out.find("The files it replaced are kept in " + target + FolderRestore::kKeptPrefix), std::string::npos)
        << out;
    bool found = false;
    for (const std::string& k : kept) found = found || readFile(target + k + "/user0.hma") == original;
    EXPECT_TRUE(found);
}

TEST_F(Restore, ABackupThatCheckWouldRefuseOrThatHoldsOtherFilesIsRefusedByName) {
    const std::string ann = userFileXml(0, "Ann", "Lee", pulses(1));
    const std::string templ = readFile(data.path("template_new.xml"));
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        const char* told;
    } cases[] = {
        {"the template as a person's file",
         {{"template_new.xml", templ}, {"config.hma", "<config>" + record(0, "Ann", "Lee", "template_new.xml") + "</config>"}},
         "one of the program's own files"},
        {"two records sharing one file",
         {{"user0.hma", ann},
          {"config.hma", "<config>" + record(0, "Ann", "Lee") + record(1, "Bob", "Ray", "user0.hma") + "</config>"}},
         "is also the file of user"},
        {"a file no data folder holds",
         {{"user0.hma", ann}, {"evil.sh", "rm -rf ~"}, {"config.hma", "<config>" + record(0, "Ann", "Lee") + "</config>"}},
         "holds \"evil.sh\", which is not a file of a data folder"},
        {"a person's file of another id",
         {{"user0.hma", userFileXml(3, "Ann", "Lee", "")}, {"config.hma", "<config>" + record(0, "Ann", "Lee") + "</config>"}},
         "patient id 3 differs from the registry's id 0"},
    };
    for (const auto& c : cases) {
        const std::string target = other(c.name);
        fill(target, {{0, "Ann", "Lee", 2}});
        const std::map<std::string, std::string> before = filesOf(target);
        std::string err;
        EXPECT_EQ(restore(target, backupOf(c.files), nullptr, &err), kProblem) << c.name;
        EXPECT_NE(err.find(c.told), std::string::npos) << c.name << ": " << err;
        EXPECT_EQ(filesOf(target), before) << c.name;
        EXPECT_FALSE(platform::entryExists(target + FolderRestore::kIncoming)) << c.name;
        EXPECT_FALSE(platform::entryExists(target + "evil.sh")) << c.name;
    }
}

TEST_F(Restore, TheQuestionNamesWhomTheBackupReplacesAddsAndDrops) {
    ASSERT_EQ(backup(), kOk);
    const std::string target = other("target");
    fill(target, {{0, "Ann", "Lee", 2310}, {2, "Dee", "Fox", 1}});
    std::string out;
    ASSERT_EQ(restore(target, archive, &out), kOk);
    EXPECT_NE(out.find("Replaces Ann Lee (2,310 readings) with Ann Lee (3 readings); adds Bob Ray (2 readings); "
                       "drops Dee Fox (1 reading)."),
              std::string::npos)
        << out;
}

// Files long enough to be checked a part at a time count every reading.
TEST_F(Restore, LongFilesCheckedInPartsCountEveryReading) {
    fill(data.folder, {{0, "Ann", "Lee", 6000}, {1, "Bob", "Ray", 2}});
    ASSERT_GT(readFile(data.folder + "user0.hma").size(), std::size_t(512) << 10);
    ASSERT_EQ(backup(), kOk);
    const std::string target = other("target");
    fill(target, {{0, "Ann", "Lee", 5000}});
    std::string out;
    ASSERT_EQ(restore(target, archive, &out), kOk);
    EXPECT_NE(out.find("Replaces Ann Lee (5,000 readings) with Ann Lee (6,000 readings); adds Bob Ray (2 readings)."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Restored 2 people, 6,002 readings"), std::string::npos) << out;
    EXPECT_EQ(readFile(target + "user0.hma"), readFile(data.folder + "user0.hma"));
}

TEST_F(Restore, TheZipsOwnFaultsAreToldAsWhatTheyAre) {
    const std::string config = "<config>\n</config>\n";
    // A file that is not a zip at all is refused by its first bytes.
    const std::string notZip = data.root + "/not.zip";
    writeFile(notZip, std::string(100000, 'x'));
    // One entry stored with LZMA: the method field of both headers says 14.
    std::string lzma = readFile(backupOf({{"config.hma", config}}));
    for (std::size_t at = 0; (at = lzma.find("PK\3\4", at)) != std::string::npos; at += 4)
        if (lzma.compare(at + 30, 10, "config.hma") == 0) lzma[at + 8] = 14;
    for (std::size_t at = 0; (at = lzma.find("PK\1\2", at)) != std::string::npos; at += 4)
        if (lzma.compare(at + 46, 10, "config.hma") == 0) lzma[at + 10] = 14;
    const std::string lzmaPath = data.root + "/lzma.zip";
    writeFile(lzmaPath, lzma);
    // Two entries of one name: the second's name is changed by hand.
    std::string twice = readFile(backupOf({{"config.hma", config}, {"config.hmX", config}}));
    for (std::size_t at = 0; (at = twice.find("config.hmX")) != std::string::npos;) twice[at + 9] = 'a';
    const std::string twicePath = data.root + "/twice.zip";
    writeFile(twicePath, twice);
    const struct {
        std::string file;
        const char* told;
    } cases[] = {
        {notZip, "not.zip: not a .zip file (it does not begin as one)"},
        {lzmaPath, "config.hma: stored with a compression method this program cannot read"},
        {twicePath, "the name config.hma is in the backup twice"},
    };
    const std::string target = other("target");
    fill(target, {{0, "Ann", "Lee", 2}});
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(restore(target, c.file, nullptr, &err), kProblem) << c.file;
        EXPECT_NE(err.find(c.told), std::string::npos) << err;
    }
}

TEST_F(Restore, EntriesArePrivateWithTheirFilesTimes) {
    std::tm then = localTm(2024, 3, 5, 10, 0);
    std::int64_t instant = 0;
    ASSERT_TRUE(platform::localToInstant(then, instant));
    struct utimbuf times {};
    times.actime = times.modtime = static_cast<std::time_t>(instant);
    ASSERT_EQ(utime(data.path("user0.hma").c_str(), &times), 0);
    ASSERT_EQ(backup(), kOk);
    bool seen = false;
    int error = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(za, nullptr);
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        ASSERT_EQ(zip_file_get_external_attributes(za, static_cast<zip_uint64_t>(i), 0, &system, &attributes), 0);
        EXPECT_EQ(system, ZIP_OPSYS_UNIX);
        EXPECT_EQ((attributes >> 16) & 0777, 0600u) << zip_get_name(za, static_cast<zip_uint64_t>(i), 0);
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        const std::string name = st.name;
        std::int64_t modified = 0;
        if (name != FolderBackup::kManifest && platform::modifiedSeconds(data.path(name), modified)) {
            EXPECT_LE(std::llabs(static_cast<long long>(st.mtime - modified)), 2) << name;
        }
        seen = seen || (name == "user0.hma" && std::llabs(static_cast<long long>(st.mtime - instant)) <= 2);
    }
    zip_discard(za);
    EXPECT_TRUE(seen);
}

TEST_F(Restore, ARestoreWhileAnInterruptedOneIsPendingLeavesItsFilesToFinishIt) {
    ASSERT_EQ(backup(), kOk);
    const std::string target = other("target");
    fill(target, {{0, "Zed", "Old", 4}, {7, "Gus", "Lin", 1}});
    // Killed in its moves: the journal is there, some files still incoming.
    RestorePlan plan;
    std::ostringstream told;
    Diagnostics tell(told, "");
    ASSERT_TRUE(FolderStore::lock(target));
    ASSERT_EQ(FolderBackup::stage(archive, target, plan, tell), kOk);
    class KilledAfterTheJournal : public platform::FileOps {
    public:
        bool moveNew(const std::string& s, const std::string& t) override {
            if (s.find(FolderRestore::kIncoming) != std::string::npos) {
                lastError_ = "killed";
                return false;
            }
            return FileOps::moveNew(s, t);
        }
        bool replace(const std::string& s, const std::string& t) override {
            // The journal of the undo is never written: the process is gone.
            if (platform::entryExists(t)) {
                lastError_ = "killed";
                return false;
            }
            return FileOps::replace(s, t);
        }
    } ops;
    std::string kept;
    {
        OpsInstalled installed(&ops);
        EXPECT_EQ(FolderRestore::commit(plan, localTm(2026, 12, 8, 16, 30), kept, tell), kProblem);
    }
    ASSERT_TRUE(platform::entryExists(target + FolderRestore::kJournal));
    std::string err;
    EXPECT_EQ(restore(target, archive, nullptr, &err), kProblem);
    EXPECT_NE(err.find("still to be finished"), std::string::npos) << err;
    std::string said;
    EXPECT_EQ(FolderRestore::recover(target, said), FolderRestore::Recovery::Finished);
    EXPECT_EQ(readFile(target + "config.hma"), data.read("config.hma"));
    EXPECT_EQ(readFile(target + "user1.hma"), data.read("user1.hma"));
}
