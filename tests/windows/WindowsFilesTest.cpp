// Windows: the data folder from the wide-character shell call, the safe
// save's replace of an existing file, flushed first, in a folder whose path
// has a letter outside ASCII (every TestDataFolder has one), standard output
// in binary, and a lock file that cannot be opened.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

namespace {

// Passes every call to the real operations and notes its name.
class RecordingOps : public platform::FileOps {
public:
    std::vector<std::string> calls;
    int createExclusive(const std::string& p) override { return note("createExclusive", real().createExclusive(p)); }
    bool writeAll(int h, const char* d, std::size_t n) override { return note("writeAll", real().writeAll(h, d, n)); }
    bool flushToDisk(int h) override { return note("flushToDisk", real().flushToDisk(h)); }
    bool close(int h) override { return note("close", real().close(h)); }
    bool replace(const std::string& s, const std::string& t) override { return note("replace", real().replace(s, t)); }
    bool syncFolder(const std::string& f) override { return note("syncFolder", real().syncFolder(f)); }
    bool remove(const std::string& p) override { return note("remove", real().remove(p)); }

private:
    static platform::FileOps& real() { return platform::defaultFileOps(); }
    template <typename T>
    T note(const char* name, T result) {
        calls.push_back(name);
        return result;
    }
};

}  // namespace

TEST(WindowsFolders, RoamingAppDataOfAProfileOutsideAsciiIsFoundInUtf8) {
    std::string appData, data;
    ASSERT_TRUE(platform::appDataFolder(appData));
    EXPECT_TRUE(platform::pathExists(appData)) << appData;
    ASSERT_TRUE(platform::dataFolder(data));
    EXPECT_EQ(data, appData + "\\Brelwick\\Quorvel\\");
    // The test run (scripts/windows-test.sh) made the profile "Jos\xc3\xa9".
    if (std::getenv("QUORVEL_TEST_PROFILE")) {
        EXPECT_NE(appData.find("\\Jos\xc3\xa9\\AppData\\Roaming"), std::string::npos) << appData;
    }
}

TEST(WindowsFiles, SafeSaveFlushesThenReplacesTheExistingFile) {
    TestDataFolder data;
    DialogRecorder dialogs;
    openTestUser(data, "\t<variable name=\"Pulse\"/>\n");
    Global::userDoc->first_node("patient")->first_node("info")->first_node("name")->first_node("first")->value("Jos\xc3\xa9");
    RecordingOps ops;
    SafeWriter::setFileOps(&ops);
    const bool saved = static_cast<bool>(Global::saveFile("user0.hma", Global::userDoc));
    SafeWriter::setFileOps(nullptr);
    ASSERT_TRUE(saved) << (dialogs.alerts.empty() ? "" : dialogs.alerts[0]);
    const std::vector<std::string> expected = {"createExclusive", "writeAll", "flushToDisk", "close", "replace",
                                               "syncFolder"};
    EXPECT_EQ(ops.calls, expected);
    EXPECT_EQ(data.read("user0.hma"), XmlFile::print(Global::userDoc));
    EXPECT_NE(data.read("user0.hma").find("<first>Jos\xc3\xa9</first>"), std::string::npos);
    EXPECT_EQ(data.files(), (std::vector<std::string>{"config.hma", "readme.txt", "template_new.xml", "user0.hma"}));
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST(WindowsFiles, ExecutablePathIsTheRunningProgram) {
    const std::string exe = platform::executablePath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
    EXPECT_TRUE(platform::isRegularFile(exe)) << exe;
}

TEST(WindowsFiles, RedirectedStandardOutputKeepsItsLineEnds) {
    // Standard output redirected to a file, as `quorvel-data export > out.csv`.
    TestDataFolder data;
    std::fflush(stdout);
    const int saved = _dup(1);
    const int file = _wopen(quorvelTestWide(data.path("out.csv").c_str()).c_str(),
                            _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    ASSERT_GE(file, 0);
    _dup2(file, 1);
    platform::useStandardStreams();
    std::cout << "id,name\r\n0,Zo\xc3\xab\r\n" << std::flush;
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(file);
    _close(saved);
    EXPECT_EQ(data.read("out.csv"), "id,name\r\n0,Zo\xc3\xab\r\n");
}

TEST(WindowsFiles, TheLockLiesOnThisComputerNeverInTheSyncedDataFolder) {
    TestDataFolder data;
    std::string error;
    ASSERT_EQ(platform::lockDataFolder(data.folder, error), 1) << error;
    // A lock file in the folder would travel to the other computer's copy.
    EXPECT_FALSE(data.exists("quorvel.lock"));
    std::vector<std::string> names;
    ASSERT_TRUE(platform::listFolder(data.folder, names, error)) << error;
    for (const std::string& name : names) EXPECT_EQ(name.find(".lock"), std::string::npos) << name;
}
