// The file habits every system shares: a replace held up for a moment by
// another program is tried again a bounded number of times; a data folder is
// seeded without overwriting a file; folders are listed and files removed
// by UTF-8 path (every TestDataFolder's path has a letter outside ASCII);
// the trace log's place; the export's byte-order mark for spreadsheets.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Trace.h"
#include "exchange/FolderCheck.h"
#include "exchange/ReadingsExport.h"
#include "platform/Platform.h"
#include "store/DataFolderSeed.h"
#include "store/SafeWriter.h"

namespace {

// The real operations, except that the first `busy` replaces fail as when
// another program holds the file (mayPass) or for good (!mayPass); pauses
// are counted, not waited.
class BusyOps : public platform::FileOps {
public:
    BusyOps(int busy, bool mayPass) : busy_(busy), mayPass_(mayPass) {}
    int replaces = 0;
    int pauses = 0;
    int createExclusive(const std::string& p) override { return real().createExclusive(p); }
    bool writeAll(int h, const char* d, std::size_t n) override { return real().writeAll(h, d, n); }
    bool flushToDisk(int h) override { return real().flushToDisk(h); }
    bool close(int h) override { return real().close(h); }
    bool syncFolder(const std::string& f) override { return real().syncFolder(f); }
    bool remove(const std::string& p) override { return real().remove(p); }
    bool replace(const std::string& s, const std::string& t) override {
        if (++replaces > busy_) return real().replace(s, t);
        lastError_ = "cannot replace " + t + ": The process cannot access the file";
        return false;
    }
    bool lastFailureMayPass() const override { return mayPass_; }
    void pause(int) override { ++pauses; }

private:
    static platform::FileOps& real() { return platform::defaultFileOps(); }
    int busy_;
    bool mayPass_;
};

}  // namespace

TEST(FileHabits, ReplaceHeldByAnotherProgramIsTriedAgainABoundedNumberOfTimes) {
    const int tries = SafeWriter::kReplaceTries;
    struct Case {
        int busy;
        bool mayPass;
        bool saved;
        int replaces;
    } cases[] = {
        {0, true, true, 1},                   // nothing in the way
        {3, true, true, 4},                   // held for a moment
        {tries - 1, true, true, tries},       // released just in time
        {tries, true, false, tries},          // held too long: the save fails
        {1, false, false, 1},                 // a lasting failure is not tried again
    };
    for (const Case& c : cases) {
        TestDataFolder data;
        data.write("user0.hma", "old");
        BusyOps ops(c.busy, c.mayPass);
        SafeWriter::setFileOps(&ops);
        std::string error;
        const bool saved = SafeWriter::write(data.folder, "user0.hma", "new", error);
        SafeWriter::setFileOps(nullptr);
        SCOPED_TRACE("busy " + std::to_string(c.busy));
        EXPECT_EQ(saved, c.saved) << error;
        EXPECT_EQ(ops.replaces, c.replaces);
        EXPECT_EQ(ops.pauses, c.replaces - 1);
        EXPECT_EQ(data.read("user0.hma"), c.saved ? "new" : "old");
        if (!c.saved) {
            EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
        }
        EXPECT_FALSE(data.exists(SafeWriter::temporaryName("user0.hma")));
    }
    EXPECT_LE(SafeWriter::kReplaceTries * SafeWriter::kReplacePauseMs, 1200);  // about a second in all
}

TEST(FileHabits, SeedingFillsAMissingFolderAndNeverOverwritesAFile) {
    TestDataFolder data;
    const std::string installed = data.folder;  // holds the shipped files
    const std::string fresh = data.root + "/Zo\xc3\xab \xc3\x85ngstr\xc3\xb6m/Brelwick/Quorvel/";
    EXPECT_EQ(DataFolderSeed::seed(installed, fresh), 3);
    for (const char* name : {"config.hma", "template_new.xml", "readme.txt"})
        EXPECT_EQ(readFile(fresh + name), data.read(name)) << name;

    writeFile(fresh + "readme.txt", "my own notes");
    platform::removeFile(fresh + "config.hma");
    EXPECT_EQ(DataFolderSeed::seed(installed, fresh), 1);
    EXPECT_EQ(readFile(fresh + "readme.txt"), "my own notes");
    EXPECT_EQ(readFile(fresh + "config.hma"), data.read("config.hma"));
    EXPECT_FALSE(platform::copyNewFile(installed + "config.hma", fresh + "readme.txt"));
    // Not an installation (no registry beside the program): nothing happens.
    EXPECT_EQ(DataFolderSeed::seed(data.root + "/none/", data.root + "/other/"), 0);
    EXPECT_FALSE(platform::pathExists(data.root + "/other/"));
}

TEST(FileHabits, FolderIsListedAndAFileRemovedByItsUtf8Path) {
    TestDataFolder data;
    data.write("Zo\xc3\xab.csv", "x");
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(platform::listFolder(data.folder, names, error)) << error;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Zo\xc3\xab.csv", "config.hma", "readme.txt", "template_new.xml"}));
    EXPECT_TRUE(platform::removeFile(data.path("Zo\xc3\xab.csv")));
    EXPECT_FALSE(data.exists("Zo\xc3\xab.csv"));
    EXPECT_FALSE(platform::removeFile(data.path("Zo\xc3\xab.csv")));
    EXPECT_FALSE(platform::listFolder(data.root + "/missing/", names, error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(FileHabits, CheckFindsAUserFileThatNoRecordNamesUnderAPathOutsideAscii) {
    TestDataFolder data;
    data.write("user7.hma", userFileXml(7, "Zo\xc3\xab", "\xc3\x85ngstr\xc3\xb6m", ""));
    std::ostringstream told;
    Diagnostics tell(told, "");
    std::vector<Finding> findings;
    // Listed, though not a problem: such a file stays after its user is removed.
    EXPECT_EQ(FolderCheck::run(data.folder, findings, tell), exchange::kOk);
    ASSERT_EQ(findings.size(), 1u) << told.str();
    EXPECT_EQ(findings[0].file, data.path("user7.hma"));
    EXPECT_EQ(findings[0].message.rfind("user file that no registry record names", 0), 0u) << findings[0].message;
}

TEST(FileHabits, TraceLogMovesToTheLocalFolderOnlyWhenBesideTheProgramCannotBeWritten) {
    const std::string exe = "C:\\Program Files\\Quorvel\\bin\\quorvel.exe";
    const std::string local = "C:\\Users\\Zo\xc3\xab\\AppData\\Local\\Brelwick\\Quorvel\\";
    EXPECT_EQ(Trace::logPathFor(exe, true, local), exe + "_debuglog.txt");
    EXPECT_EQ(Trace::logPathFor(exe, false, local), local + "quorvel.exe_debuglog.txt");
    EXPECT_EQ(Trace::logPathFor(exe, false, ""), exe + "_debuglog.txt");  // opened or, failing that, stdout
    EXPECT_EQ(Trace::logPathFor("", true, local), "");
}

TEST(FileHabits, CsvForASpreadsheetBeginsWithAByteOrderMarkOnlyWhenAsked) {
    TestDataFolder data;
    for (const bool bom : {false, true}) {
        ExportRequest request;
        request.dataDir = data.folder;
        request.bom = bom;
        std::string out;
        std::ostringstream told;
        Diagnostics tell(told, "");
        ASSERT_EQ(ReadingsExport::write(request, out, nullptr, tell), exchange::kOk) << told.str();
        EXPECT_EQ(out.compare(0, 3, "\xEF\xBB\xBF") == 0, bom);
        EXPECT_EQ(out.compare(bom ? 3 : 0, 8, "user_id,"), 0) << out.substr(0, 40);
    }
}

TEST(FileHabits, ConsoleTextIsCutOnlyBetweenWholeCharacters) {
    struct Case {
        const char* text;
        std::size_t whole;
    } cases[] = {
        {"", 0},
        {"Ann", 3},
        {"Zo\xc3\xab", 4},          // a two-byte letter, whole
        {"Zo\xc3", 2},              // its first byte alone waits
        {"\xe2\x82\xac", 3},        // three bytes, whole
        {"a\xe2\x82", 1},           // two of three wait
        {"\xf0\x9f\x98\x80", 4},    // four bytes, whole
        {"\xf0\x9f\x98", 0},        // three of four wait
        {"a\x80\x80\x80\x80", 5},   // stray continuation bytes are passed on
    };
    for (const Case& c : cases) {
        const std::string text = c.text;
        EXPECT_EQ(platform::wholeCharacters(text.data(), text.size()), c.whole) << text;
    }
}
