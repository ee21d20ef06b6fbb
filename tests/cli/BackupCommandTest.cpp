// quorvel-data backup and restore: the round trip between two data folders,
// the files kept in a before-restore folder, a folder that would give an unrestorable backup,
// and the checksum the manifest gives each file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/Sha256.h"
#include "platform/Platform.h"

using namespace cli;

namespace {

std::string record(int id, const std::string& first, const std::string& last) {
    const std::string n = std::to_string(id);
    return "<patient id=\"" + n + "\"><name><first>" + first + "</first><last>" + last + "</last></name><file>user" +
           n + ".hma</file></patient>\n";
}

const char* kPulse =
    "<variable name=\"Pulse\"><entry id=\"0\"><value>72</value><date>2024/1/3</date><time>08:00:00 AM</time></entry>"
    "<entry id=\"1\"><value>70</value><date>2024/1/4</date><time>08:00:00 AM</time></entry></variable>\n";

}  // namespace

TEST(Sha256, KnownDigestsAcrossTheBlockBoundaries) {
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& c : cases) EXPECT_EQ(Sha256::hex(c.text), c.digest) << c.text.size();
}

class BackupCommand : public ::testing::Test {
protected:
    TestDataFolder data;
    void SetUp() override {
        data.write("config.hma", "<config>\n" + record(0, "Ann", "Lee") + record(1, "Bob", "Roe") + "</config>\n");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee", kPulse));
        data.write("user1.hma", userFileXml(1, "Bob", "Roe", ""));
    }
    int backup(const std::string& output) {
        BackupOptions o;
        o.dataDir = data.folder;
        o.output = output;
        return runBackup(o);
    }
};

TEST_F(BackupCommand, RestoredIntoAnotherFolderGivesTheSameFilesKeepingTheReplacedInABeforeRestoreFolder) {
    const std::string archive = data.root + "/b.zip";
    testing::internal::CaptureStdout();
    ASSERT_EQ(backup(archive), kOk);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Backed up 2 people, 2 readings, made "), std::string::npos);

    const std::string other = data.root + "/other/";
    mkdir(other.c_str(), 0700);
    writeFile(other + "config.hma", "<config>\n" + record(9, "Old", "One") + "</config>\n");
    writeFile(other + "user9.hma", userFileXml(9, "Old", "One", ""));
    writeFile(other + "notes.txt", "left alone");
    RestoreOptions o;
    o.dataDir = other;
    o.file = archive;
    o.yes = true;
    testing::internal::CaptureStdout();
    ASSERT_EQ(runRestore(o), kOk);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("holds 2 people, 2 readings"), std::string::npos);
    for (const char* name : {"config.hma", "user0.hma", "user1.hma", "template_new.xml", "readme.txt"})
        EXPECT_EQ(readFile(other + name), data.read(name)) << name;
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(platform::listFolder(other, names, error));
    std::string kept;
    for (const std::string& n : names)
        if (n.rfind("before-restore-", 0) == 0) kept = other + n + "/";
    ASSERT_FALSE(kept.empty());
    EXPECT_NE(readFile(kept + "config.hma").find("Old"), std::string::npos);
    EXPECT_EQ(readFile(kept + "user9.hma"), userFileXml(9, "Old", "One", ""));
    EXPECT_FALSE(platform::pathExists(other + "user9.hma"));
    EXPECT_EQ(readFile(other + "notes.txt"), "left alone");
}

TEST_F(BackupCommand, AFolderThatWouldGiveAnUnrestorableBackupIsRefused) {
    const struct {
        const char* file;
        std::string content;
        const char* told;
    } cases[] = {
        {"user1.hma", "<patient><info>", "user1.hma: line 1"},
        {"config.hma", "<config>" + record(5, "No", "File") + "</config>", "user 5: its data file user5.hma is missing"},
    };
    for (const auto& c : cases) {
        const std::string kept = data.read(c.file);
        data.write(c.file, c.content);
        testing::internal::CaptureStderr();
        EXPECT_EQ(backup(data.root + "/b.zip"), kProblem);
        EXPECT_NE(testing::internal::GetCapturedStderr().find(c.told), std::string::npos) << c.file;
        EXPECT_FALSE(platform::pathExists(data.root + "/b.zip"));
        data.write(c.file, kept);
    }
}
