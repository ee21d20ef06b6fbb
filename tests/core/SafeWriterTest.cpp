// The safe save: a failure at any step leaves the old file byte for byte,
// is reported and keeps the document; a killed save leaves the old or the
// new file, never a mix.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Trace.h"
#include "store/FileMark.h"
#include "store/Global.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

namespace {

// Fails exactly the failAt-th call (counting from 1; 0 fails none), or with
// fromThenOn that call and every later one, passing all others to the real
// operations. A failing write first writes half of its data. With mayPass
// each failure is one that may pass by itself (another program holding the
// file); pauses are counted, not waited.
class FailingOps : public platform::FileOps {
public:
    explicit FailingOps(int failAt, int error = EIO) : failAt_(failAt), error_(error) {}
    int calls = 0;
    std::vector<std::string> names;
    bool fromThenOn = false;
    bool mayPass = false;
    int pauses = 0;

    int createExclusive(const std::string& path) override {
        if (fails("createExclusive")) return -1;
        return real().createExclusive(path);
    }
    bool writeAll(int handle, const char* data, std::size_t size) override {
        if (fails("writeAll")) {
            real().writeAll(handle, data, size / 2);
            return false;
        }
        return forward(real().writeAll(handle, data, size));
    }
    bool flushToDisk(int handle) override { return fails("flushToDisk") ? false : forward(real().flushToDisk(handle)); }
    bool close(int handle) override {
        if (fails("close")) {
            real().close(handle);  // the handle is gone either way
            return false;
        }
        return forward(real().close(handle));
    }
    bool replace(const std::string& s, const std::string& t) override {
        return fails("replace") ? false : forward(real().replace(s, t));
    }
    bool syncFolder(const std::string& f) override { return fails("syncFolder") ? false : forward(real().syncFolder(f)); }
    bool remove(const std::string& p) override { return fails("remove") ? false : forward(real().remove(p)); }
    void pause(int) override { ++pauses; }

private:
    static platform::FileOps& real() { return platform::defaultFileOps(); }
    bool fails(const char* name) {
        names.push_back(name);
        ++calls;
        if (failAt_ <= 0 || (fromThenOn ? calls < failAt_ : calls != failAt_)) return false;
        errno = error_;
        setError(std::string("cannot ") + name);
        mayPass_ = mayPass;
        return true;
    }
    bool forward(bool ok) {
        if (!ok) lastError_ = real().lastError();
        return ok;
    }
    int failAt_;
    int error_;
};

struct OpsGuard {
    explicit OpsGuard(platform::FileOps* ops) { SafeWriter::setFileOps(ops); }
    ~OpsGuard() { SafeWriter::setFileOps(nullptr); }
};

std::string entriesXml(int count, const std::string& value) {
    std::string s = "\t<variable name=\"Pulse\">\n";
    for (int i = 0; i < count; ++i)
        s += "\t\t<entry id=\"" + std::to_string(i) + "\">\n\t\t\t<value>" + value +
             "</value>\n\t\t\t<date>2026/12/6</date>\n\t\t\t<time>8:05:00 AM</time>\n\t\t</entry>\n";
    return s + "\t</variable>\n";
}

// Loads text as the open user's document from user0.hma.
void loadUser(TestDataFolder& data, const std::string& text) {
    data.write("user0.hma", text);
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
}

}  // namespace

TEST(SafeWriterFailure, EveryStepFailingInTurnLeavesTheOldOrTheNewFile) {
    TestDataFolder data;
    DialogRecorder dialogs;
    const std::string oldText = userFileXml(0, "Old", "Name", entriesXml(50, "60.000000"));
    loadUser(data, oldText);
    // The change to save: a new name.
    XmlNode* first = Global::userDoc->first_node("patient")->first_node("info")->first_node("name")->first_node("first");
    first->value(Global::userDoc->allocate_string("New"));
    const std::string newText = XmlFile::print(Global::userDoc);
    ASSERT_NE(newText, data.read("user0.hma"));

    // How many calls a save makes.
    FailingOps counting(0);
    {
        OpsGuard guard(&counting);
        std::string error;
        ASSERT_TRUE(SafeWriter::write(data.folder, "probe.hma", "x", error)) << error;
    }
    EXPECT_EQ(counting.names, (std::vector<std::string>{"createExclusive", "writeAll", "flushToDisk", "close",
                                                          "replace", "syncFolder"}));
    unlink(data.path("probe.hma").c_str());

    for (int failAt = 1; failAt <= counting.calls; ++failAt) {
        const std::string step = counting.names[static_cast<std::size_t>(failAt - 1)];
        data.write("user0.hma", oldText);
        dialogs.alerts.clear();
        const std::string traceBefore = data.trace();
        FailingOps ops(failAt);
        bool saved;
        testing::internal::CaptureStderr();
        {
            OpsGuard guard(&ops);
            saved = static_cast<bool>(Global::saveFile("user0.hma", Global::userDoc));
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(saved) << step;
        const std::string onDisk = data.read("user0.hma");
        if (step == "syncFolder")
            EXPECT_EQ(onDisk, newText) << "the rename was done, only its flush failed";
        else
            EXPECT_EQ(onDisk, oldText) << step;
        ASSERT_EQ(dialogs.alerts.size(), 1u) << step;
        EXPECT_EQ(dialogs.alerts[0].rfind("Unable to save file: user0.hma\ncannot " + step, 0), 0u)
            << dialogs.alerts[0];
        EXPECT_NE(err.find("Unable to save file: user0.hma"), std::string::npos) << step;
        const std::string trace = data.trace().substr(traceBefore.size());
        EXPECT_NE(trace.find("[Global::saveFile], [s_0]"), std::string::npos);
        EXPECT_NE(trace.find("Error: Unable to save file: user0.hma: cannot " + step), std::string::npos) << trace;
        EXPECT_EQ(trace.find("Saved file "), std::string::npos) << step;
        // The change is still in memory, and no temporary file is left.
        EXPECT_EQ(XmlFile::print(Global::userDoc), newText) << step;
        EXPECT_FALSE(data.exists(SafeWriter::temporaryName("user0.hma"))) << step;
    }
    // With the real operations the same save goes through.
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_EQ(data.read("user0.hma"), newText);
}

namespace {

// A save whose every call to the operating system is failed in turn.
struct SaveCase {
    const char* what;
    bool oldFile;         // the file to save is on disk already
    bool staleTemporary;  // an earlier save was interrupted and left its temporary
    bool store;           // Global::saveFile, else SafeWriter::write piece by piece
};

enum class Failing { Once, FromThenOn, FromThenOnMayPass };

const char* describe(Failing failing) {
    return failing == Failing::Once ? "once" : failing == Failing::FromThenOn ? "from then on" : "from then on, may pass";
}

}  // namespace

TEST(SafeWriterFailure, EachCallOfASaveFailingInTurnLeavesTheOldFileOrTheWholeNewOne) {
    TestDataFolder data;
    DialogRecorder dialogs;
    const std::string name = "user0.hma";
    const std::string temp = SafeWriter::temporaryName(name);
    const std::string oldText = userFileXml(0, "Old", "Name", entriesXml(50, "60.000000"));
    const std::string staleText = "junk from an interrupted save";
    // The new content, printed in more than three pieces.
    const std::string newSource = userFileXml(0, "New", "Name", entriesXml(2500, "72.000000"));
    std::vector<char> buffer;
    XmlDocument doc;
    std::string error;
    XmlFile::joinLines(newSource.data(), newSource.size(), buffer);
    ASSERT_TRUE(XmlFile::parse(buffer, doc, error)) << error;
    const std::string newText = XmlFile::print(doc);
    ASSERT_GT(newText.size(), 3 * XmlFile::kPrintPiece);
    ASSERT_NE(newText, oldText);

    const auto save = [&](const SaveCase& c, bool* replaced) {
        if (!c.store) {
            std::string reason;
            return SafeWriter::write(
                data.folder, name, [&doc](const SafeWriter::Put& put) { return XmlFile::print(doc.get(), put); },
                reason, replaced);
        }
        Global::forgetFiles();  // the file on disk is set by the test, never changed by another program
        testing::internal::CaptureStderr();
        const bool saved = static_cast<bool>(Global::saveFile(name.c_str(), doc));
        testing::internal::GetCapturedStderr();
        return saved;
    };
    const auto prepare = [&](const SaveCase& c) {
        unlink(data.path(name).c_str());
        unlink(data.path(temp).c_str());
        if (c.oldFile) data.write(name, oldText);
        if (c.staleTemporary) data.write(temp, staleText);
        dialogs.alerts.clear();
    };

    const SaveCase cases[] = {
        {"a fresh file", false, false, false},
        {"a replacement", true, false, false},
        {"a replacement after an interrupted save", true, true, false},
        {"the store's save of a user's file", true, false, true},
        {"the store's save of a new user's file", false, false, true},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.what);
        // Every call the whole save makes, counted on a save that goes through.
        prepare(c);
        FailingOps counting(0);
        {
            OpsGuard guard(&counting);
            ASSERT_TRUE(save(c, nullptr));
        }
        ASSERT_EQ(data.read(name), newText);
        std::vector<std::string> expected;
        if (c.staleTemporary) expected.push_back("remove");
        expected.push_back("createExclusive");
        expected.insert(expected.end(), newText.size() / XmlFile::kPrintPiece + 1, "writeAll");
        for (const char* step : {"flushToDisk", "close", "replace", "syncFolder"}) expected.push_back(step);
        ASSERT_EQ(counting.names, expected);

        for (const Failing failing : {Failing::Once, Failing::FromThenOn, Failing::FromThenOnMayPass}) {
            for (int failAt = 1; failAt <= counting.calls; ++failAt) {
                const std::string step = counting.names[static_cast<std::size_t>(failAt - 1)];
                SCOPED_TRACE("call " + std::to_string(failAt) + " (" + step + ") failing " + describe(failing));
                prepare(c);
                FailingOps ops(failAt);
                ops.fromThenOn = failing != Failing::Once;
                ops.mayPass = failing == Failing::FromThenOnMayPass;
                bool replaced = false;
                {
                    OpsGuard guard(&ops);
                    EXPECT_FALSE(save(c, &replaced));
                }
                // Only the flush of the folder comes after the new file took
                // the old one's place.
                const bool afterReplace = step == "syncFolder";
                if (afterReplace) {
                    EXPECT_EQ(data.read(name), newText);
                } else if (c.oldFile) {
                    EXPECT_EQ(data.read(name), oldText);
                } else {
                    EXPECT_FALSE(data.exists(name));
                }
                if (!c.store) {
                    EXPECT_EQ(replaced, afterReplace);
                } else {
                    EXPECT_EQ(dialogs.alerts.size(), 1u);
                    EXPECT_EQ(XmlFile::print(doc), newText) << "the document is kept";
                }
                // Only a replace that may pass is tried again, the number of
                // times promised, with a pause between tries.
                const auto replaces = std::count(ops.names.begin(), ops.names.end(), "replace");
                if (step == "replace" && failing == Failing::FromThenOnMayPass) {
                    EXPECT_EQ(replaces, SafeWriter::kReplaceTries);
                    EXPECT_EQ(ops.pauses, SafeWriter::kReplaceTries - 1);
                } else {
                    EXPECT_LE(replaces, 1);
                    EXPECT_EQ(ops.pauses, 0);
                }
                // The temporary is removed whenever its removal does not fail
                // too; a stale one that could not be removed is left as it was,
                // never written into.
                if (failing == Failing::Once && step == "remove") {
                    EXPECT_EQ(data.read(temp), staleText);
                } else if (failing == Failing::Once) {
                    EXPECT_FALSE(data.exists(temp));
                } else if (c.staleTemporary && failAt == 1) {
                    EXPECT_EQ(data.read(temp), staleText);
                }
                // Whatever was left, the next save goes through and cleans up.
                Global::forgetFiles();
                ASSERT_TRUE(save(c, nullptr)) << (dialogs.alerts.empty() ? "" : dialogs.alerts.back());
                EXPECT_EQ(data.read(name), newText);
                EXPECT_FALSE(data.exists(temp));
            }
        }
    }
}

TEST(SafeWriterStream, AFileOfManyPiecesIsWrittenWholeOrNotAtAll) {
    TestDataFolder data;
    DialogRecorder dialogs;
    // Over three pieces of print, with control characters all along (turned
    // into references on the way).
    const std::string oldText = userFileXml(0, "A", "B", entriesXml(2500, "6&#9;0"));
    loadUser(data, oldText);
    const std::string whole = XmlFile::print(Global::userDoc);
    ASSERT_GT(whole.size(), 3 * XmlFile::kPrintPiece);
    std::vector<std::size_t> pieces;
    std::string joined;
    ASSERT_TRUE(XmlFile::print(Global::userDoc.get(), [&](const char* d, std::size_t n) {
        pieces.push_back(n);
        joined.append(d, n);
        return true;
    }));
    EXPECT_EQ(joined, whole);
    EXPECT_EQ(pieces.size(), whole.size() / XmlFile::kPrintPiece + 1);
    EXPECT_EQ(joined.find('\x01'), std::string::npos);
    std::size_t references = 0;
    for (std::size_t at = joined.find("6&#9;0"); at != std::string::npos; at = joined.find("6&#9;0", at + 1))
        ++references;
    EXPECT_EQ(references, 2500u);

    // The second piece cannot be written: the old file stays, no temporary one.
    FailingOps ops(3);  // createExclusive, writeAll, writeAll
    {
        OpsGuard guard(&ops);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Global::saveFile("user0.hma", Global::userDoc));
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(ops.names, (std::vector<std::string>{"createExclusive", "writeAll", "writeAll", "close", "remove"}));
    EXPECT_EQ(data.read("user0.hma"), oldText);
    EXPECT_FALSE(data.exists(SafeWriter::temporaryName("user0.hma")));
    // Written whole, its mark is the one of the bytes on disk: an unchanged
    // file is no change by another program.
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_EQ(data.read("user0.hma"), whole);
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 10, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, data.path("user0.hma").c_str(), times, 0), 0);
    EXPECT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST(FileMarkChecksum, PiecesOfAnySizeGiveTheSameSumAndOneByteChangesIt) {
    const std::string text = "<patient id=\"0\"><info/><variable name=\"Pulse\"/><variable name=\"SpO2\"/></patient>";
    const std::uint64_t whole = FileMark::checksum(text.data(), text.size());
    for (std::size_t cut = 0; cut <= 41; ++cut) {
        FileMark::Summer summer;
        for (std::size_t at = 0; at < text.size(); at += cut ? cut : text.size())
            summer.add(text.data() + at, std::min(cut ? cut : text.size(), text.size() - at));
        EXPECT_EQ(summer.sum(), whole) << cut;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string changed = text;
        changed[i] ^= 1;
        EXPECT_NE(FileMark::checksum(changed.data(), changed.size()), whole) << i;
    }
    EXPECT_NE(FileMark::checksum(text.data(), text.size() - 1), whole);
}

TEST(SafeWriterFailure, FullDiskIsReportedWithItsReason) {
    TestDataFolder data;
    DialogRecorder dialogs;
    const std::string oldText = userFileXml(0, "A", "B", entriesXml(20, "60.000000"));
    loadUser(data, oldText);
    FailingOps ops(2, ENOSPC);  // the write
    testing::internal::CaptureStderr();
    {
        OpsGuard guard(&ops);
        EXPECT_FALSE(Global::saveFile("user0.hma", Global::userDoc));
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(data.read("user0.hma"), oldText);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("No space left on device"), std::string::npos) << dialogs.alerts[0];
    EXPECT_NE(dialogs.alerts[0].find("the file on disk was left unchanged"), std::string::npos);
}

TEST(SafeWriterFailure, RealFullDiskLeavesTheOldFile) {
    TestDataFolder data;
    DialogRecorder dialogs;
    const std::string mountPoint = data.root + "/small";
    mkdir(mountPoint.c_str(), 0700);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    Global::dataFolder = mountPoint + "/";
    const std::string oldText = userFileXml(0, "A", "B", entriesXml(20, "60.000000"));
    writeFile(mountPoint + "/user0.hma", oldText);
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    // Fill what is left of the disk.
    {
        int fd = open((mountPoint + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        close(fd);
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Global::saveFile("user0.hma", Global::userDoc));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(mountPoint + "/user0.hma"), oldText);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("No space left on device"), std::string::npos) << dialogs.alerts[0];
    EXPECT_NE(access((mountPoint + "/" + SafeWriter::temporaryName("user0.hma")).c_str(), F_OK), 0);
}

TEST(SafeWriterFailure, FolderGoneIsReportedAndNothingIsCreated) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadUser(data, userFileXml(0, "A", "B", ""));
    for (const std::string& name : data.files()) unlink(data.path(name).c_str());
    ASSERT_EQ(rmdir(data.folder.c_str()), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Global::saveFile("user0.hma", Global::userDoc));
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].rfind("Unable to save file: user0.hma\ncannot create ", 0), 0u) << dialogs.alerts[0];
    EXPECT_NE(dialogs.alerts[0].find("No such file or directory"), std::string::npos);
    EXPECT_NE(data.trace().find("Error: Unable to save file: user0.hma"), std::string::npos);
    EXPECT_EQ(data.trace().find("Saved file "), std::string::npos);
    struct stat st;
    EXPECT_NE(stat(data.folder.c_str(), &st), 0) << "the folder is not made again";
    EXPECT_STREQ(Global::attributeText(Global::userDoc->first_node("patient"), "id"), "0");
}

TEST(SafeWriterFiles, StaleTemporaryFileIsReplacedAndModeIsPrivate) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadUser(data, userFileXml(0, "A", "B", ""));
    chmod(data.path("user0.hma").c_str(), 0644);
    data.write(SafeWriter::temporaryName("user0.hma"), "junk from an interrupted save");
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_EQ(data.read("user0.hma"), XmlFile::print(Global::userDoc));
    EXPECT_FALSE(data.exists(SafeWriter::temporaryName("user0.hma")));
    struct stat st;
    ASSERT_EQ(stat(data.path("user0.hma").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(SafeWriter::temporaryName("user0.hma"), ".user0.hma.saving");
}

TEST(SafeWriterFiles, StaleTemporaryLinkIsRemovedWithoutFollowingIt) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadUser(data, userFileXml(0, "A", "B", ""));
    const std::string temp = data.path(SafeWriter::temporaryName("user0.hma"));
    const std::string outside = data.folder + "../outside-" + std::to_string(getpid());
    struct Case {
        const char* what;
        const char* target;  // where the leftover link points
        bool outsideFile;
    } cases[] = {
        {"dangling link", "/nonexistent/quorvel-gone", false},
        {"link to a file elsewhere", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.outsideFile) {
            std::FILE* f = std::fopen(outside.c_str(), "w");
            ASSERT_TRUE(f);
            std::fputs("not ours", f);
            std::fclose(f);
        }
        ASSERT_EQ(symlink(c.outsideFile ? outside.c_str() : c.target, temp.c_str()), 0);
        ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc)) << (dialogs.alerts.empty() ? "" : dialogs.alerts[0]);
        EXPECT_EQ(data.read("user0.hma"), XmlFile::print(Global::userDoc));
        struct stat st;
        EXPECT_NE(lstat(temp.c_str(), &st), 0);
        if (c.outsideFile) {
            std::FILE* f = std::fopen(outside.c_str(), "r");
            ASSERT_TRUE(f);
            char text[32] = {};
            EXPECT_EQ(std::fread(text, 1, sizeof text - 1, f), 8u);
            std::fclose(f);
            EXPECT_STREQ(text, "not ours");
            unlink(outside.c_str());
        }
    }
}

TEST(SafeWriterCrash, KilledWhileSavingALargeFileLeavesAWholeFile) {
    TestDataFolder data;
    DialogRecorder dialogs;
    Trace::setThreshold(0);
    // Two versions of about 2.5 MB each that differ all through.
    const std::string textA = userFileXml(0, "A", "A", entriesXml(22000, "60.000000"));
    const std::string textB = userFileXml(0, "B", "B", entriesXml(22000, "99.500000"));
    ASSERT_GT(textA.size(), 2000000u);
    data.write("user0.hma", textA);
    XmlDocument docA, docB;
    std::vector<char> bufA, bufB;
    std::string error;
    XmlFile::joinLines(textA.data(), textA.size(), bufA);
    XmlFile::joinLines(textB.data(), textB.size(), bufB);
    ASSERT_TRUE(XmlFile::parse(bufA, docA, error));
    ASSERT_TRUE(XmlFile::parse(bufB, docB, error));
    const std::string printedA = XmlFile::print(docA), printedB = XmlFile::print(docB);

    // Both versions read back (so a file equal to either one parses).
    for (const std::string* printed : {&printedA, &printedB}) {
        XmlDocument check;
        std::vector<char> buffer;
        XmlFile::joinLines(printed->data(), printed->size(), buffer);
        ASSERT_TRUE(XmlFile::parse(buffer, check, error)) << error;
    }

    // How long one save takes, to spread the kills over the first saves of
    // each child (version A, then B, then A...). A child saves more slowly
    // than this process (its first writes copy pages shared with the parent),
    // so the range reaches well past two saves.
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(Global::saveFile("user0.hma", docB));
    const auto oneSave =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();

    std::mt19937 random(20261207);
    long range = std::max<long>(2000, 5 * static_cast<long>(oneSave));
    // A number of kills, not a time budget: a loaded machine (or the
    // sanitizer build) makes every save slower, and the spread of the kill
    // moments above grows with it, so the test takes longer but checks the
    // same. A child that finds the file changed reads it again before it
    // saves, which a busy machine can stretch past the spread: while one
    // version is still unseen, the kills reach further.
    int seenA = 0, seenB = 0;
    int kills = 0;
    for (int kill_number = 0; kill_number < 40 || ((seenA == 0 || seenB == 0) && kill_number < 200);
         ++kill_number, ++kills) {
        if (kill_number >= 40 && kill_number % 20 == 0) range = range * 3 / 2;
        std::uniform_int_distribution<long> delay(0, range);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) (void)Global::saveFile("user0.hma", i % 2 ? docB : docA);
        }
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string onDisk = data.read("user0.hma");
        if (onDisk == printedA)
            ++seenA;
        else if (onDisk == printedB)
            ++seenB;
        else
            FAIL() << "kill " << kill_number << " left a file of " << onDisk.size() << " bytes that is neither version";
    }
    // The kills fell at different moments: both versions were seen.
    EXPECT_GT(seenA, 0);
    EXPECT_GT(seenB, 0);
    RecordProperty("kills", kills);
    std::printf("%d kills, one save %ld us, version A left %d times, version B %d times\n", kills,
                static_cast<long>(oneSave), seenA, seenB);
}
