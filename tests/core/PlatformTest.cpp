// The platform layer: where the data folder is, the executable's path, local
// time conversions and private files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"

namespace {

// Sets or unsets an environment variable for the life of the object.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        const char* v = std::getenv(name);
        had_ = v != nullptr;
        if (had_) old_ = v;
    }
    ~EnvGuard() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    void set(const char* value) {
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    std::string old_;
};

}  // namespace

TEST(PlatformFolders, DataHomeThenHomeThenNothing) {
    EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
    std::string out;
    xdg.set("/data/home/");
    home.set("/home/ann");
    ASSERT_TRUE(platform::appDataFolder(out));
    EXPECT_EQ(out, "/data/home");
    ASSERT_TRUE(platform::dataFolder(out));
    EXPECT_EQ(out, "/data/home/Brelwick/Quorvel/");

    // A relative or empty value does not count.
    for (const char* ignored : {"relative/path", ""}) {
        xdg.set(ignored);
        ASSERT_TRUE(platform::dataFolder(out));
        EXPECT_EQ(out, "/home/ann/.local/share/Brelwick/Quorvel/") << ignored;
    }
    xdg.set(nullptr);
    ASSERT_TRUE(platform::dataFolder(out));
    EXPECT_EQ(out, "/home/ann/.local/share/Brelwick/Quorvel/");

    home.set(nullptr);
    out = "unchanged";
    EXPECT_FALSE(platform::appDataFolder(out));
    EXPECT_FALSE(platform::dataFolder(out));
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(platform::pathSeparator(), '/');
}

TEST(PlatformFolders, ExecutablePathIsAbsoluteAndExists) {
    const std::string exe = platform::executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe[0], '/');
    EXPECT_TRUE(platform::isRegularFile(exe));
    EXPECT_EQ(access(exe.c_str(), X_OK), 0);
}

TEST(PlatformFiles, PrivateFileIsMadeOnceAndExistingContentStays) {
    TestDataFolder data(false);
    const std::string path = data.path("log.txt");
    ASSERT_TRUE(platform::createPrivateFile(path));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 0);
    writeFile(path, "kept");
    ASSERT_TRUE(platform::createPrivateFile(path));
    EXPECT_EQ(readFile(path), "kept");
    EXPECT_FALSE(platform::createPrivateFile(data.path("missing/log.txt")));
    EXPECT_FALSE(platform::createPrivateFile(data.folder));
    EXPECT_TRUE(platform::pathExists(data.folder));
    EXPECT_FALSE(platform::isRegularFile(data.folder));
    EXPECT_FALSE(platform::pathExists(data.path("missing")));
}

TEST(PlatformFiles, FileOpsReportWhatFailed) {
    TestDataFolder data(false);
    platform::FileOps& ops = platform::defaultFileOps();
    EXPECT_LT(ops.createExclusive(data.path("missing/x")), 0);
    EXPECT_NE(ops.lastError().find("No such file or directory"), std::string::npos) << ops.lastError();
    const int fd = ops.createExclusive(data.path("x"));
    ASSERT_GE(fd, 0);
    EXPECT_LT(ops.createExclusive(data.path("x")), 0) << "exclusive";
    EXPECT_NE(ops.lastError().find("File exists"), std::string::npos);
    EXPECT_TRUE(ops.writeAll(fd, "abc", 3));
    EXPECT_TRUE(ops.flushToDisk(fd));
    EXPECT_TRUE(ops.close(fd));
    EXPECT_TRUE(ops.replace(data.path("x"), data.path("y")));
    EXPECT_EQ(readFile(data.path("y")), "abc");
    EXPECT_TRUE(ops.syncFolder(data.folder));
    EXPECT_FALSE(ops.replace(data.path("x"), data.path("y")));
    EXPECT_NE(ops.lastError().find("cannot replace"), std::string::npos);
    EXPECT_FALSE(ops.syncFolder(data.path("missing")));
    EXPECT_TRUE(ops.remove(data.path("y")));
    EXPECT_FALSE(ops.remove(data.path("y")));
}

TEST(PlatformTime, LocalTimeRoundTripsAcrossDaylightSaving) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 6;
    tm.tm_hour = 20;
    tm.tm_min = 6;
    tm.tm_sec = 53;
    tm.tm_isdst = -1;
    std::int64_t t = 0;
    ASSERT_TRUE(platform::localToInstant(tm, t));
    EXPECT_EQ(t, 1796584013);
    std::tm back{};
    ASSERT_TRUE(platform::instantToLocal(t, back));
    EXPECT_EQ(back.tm_hour, 20);
    EXPECT_EQ(back.tm_wday, 0);
    // Summer time: one hour less from UTC.
    ASSERT_TRUE(platform::instantToLocal(1784185507, back));
    EXPECT_EQ(back.tm_hour, 9);
    EXPECT_EQ(back.tm_isdst, 1);
    // The second before the epoch is a real time, not an error.
    setenv("TZ", "UTC", 1);
    tzset();
    std::tm before{};
    before.tm_year = 69;
    before.tm_mon = 11;
    before.tm_mday = 31;
    before.tm_hour = 23;
    before.tm_min = 59;
    before.tm_sec = 59;
    ASSERT_TRUE(platform::localToInstant(before, t));
    EXPECT_EQ(t, -1);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
}

TEST(PlatformLock, DataFolderLockedOnceAcrossProcessesAndAMissingFolderFails) {
    TestDataFolder data;
    std::string error;
    ASSERT_EQ(platform::lockDataFolder(data.folder, error), 1) << error;
    EXPECT_EQ(platform::lockDataFolder(data.folder, error), 1);  // this process holds it already
    const pid_t child = fork();
    if (child == 0) {
        // The same folder spelled without its separator, so the child asks
        // the system instead of remembering its parent's answer.
        std::string childError;
        const std::string same = data.folder.substr(0, data.folder.size() - 1);
        _exit(platform::lockDataFolder(same, childError) == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process took the lock";
    const std::vector<std::string> files = data.files();
    EXPECT_EQ(std::count(files.begin(), files.end(), std::string("quorvel.lock")), 0) << "no lock file on Linux";

    error.clear();
    EXPECT_EQ(platform::lockDataFolder(data.root + "/missing/", error), -1);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}
