// The trace log: header layout, levels, the start marker, where the lines go
// and what happens when the log file cannot be opened.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Trace.h"
#include "platform/Platform.h"

namespace {

// 2026-12-06 20:06:53 and 2026-07-16 09:05:07 in Berlin.
const std::int64_t kSunday = 1796584013;
const std::int64_t kSummer = 1784185507;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A header with its time replaced by T, for comparing lines written "now".
std::string withoutTime(const std::string& line) {
    static const std::regex time("\\[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\\]");
    return std::regex_replace(line, time, "[T]", std::regex_constants::format_first_only);
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        // A log of its own: the folder's set-up already traced into the other.
        logPath = data.root + "/own_debuglog.txt";
        Trace::setLogPath(logPath);
    }
    std::string log() const { return readFile(logPath); }
    TestDataFolder data;
    std::string logPath;
};

}  // namespace

TEST_F(TraceTest, HeaderHasTheFixedLayout) {
    const std::string h = Trace::header("store/Global.cpp", 46, "Global::saveFile", 0, kSunday);
    EXPECT_EQ(h, std::string("Global.cpp") + std::string(22, ' ') +
                     "(00046): , [Global::saveFile], [s_0] [Sun Dec  6 20:06:53 2026], ");
}

TEST_F(TraceTest, ShortFunctionNamesArePaddedAndLongOnesPushTheRestRight) {
    const std::string shortName = Trace::header("Quorvel 1.0", 12, "main", 0, kSummer);
    EXPECT_EQ(shortName, "Quorvel 1.0                     (00012): , [main            ], [s_0] [Thu Jul 16 09:05:07 2026], ");
    const std::string longName = Trace::header("MainWindow.cpp", 123456, "MainWindow::refreshPanels", 0, kSummer);
    EXPECT_EQ(longName, "MainWindow.cpp                  (123456): , [MainWindow::refreshPanels], [s_0] "
                        "[Thu Jul 16 09:05:07 2026], ");
    // A file name longer than its column is not cut either.
    const std::string longFile(40, 'f');
    EXPECT_EQ(Trace::header(longFile.c_str(), 7, "f", 0, kSummer).substr(0, 48), longFile + "(00007):");
}

TEST_F(TraceTest, TimeIsCtimesTextWithItsNewlineClosingTheBracket) {
    std::time_t t = static_cast<std::time_t>(kSunday);
    EXPECT_EQ(Trace::timeText(kSunday), std::string(std::ctime(&t)));
    t = static_cast<std::time_t>(kSummer);
    EXPECT_EQ(Trace::timeText(kSummer), std::string(std::ctime(&t)));
    // Day of the month right-aligned in two columns.
    EXPECT_EQ(Trace::timeText(kSunday).substr(0, 11), "Sun Dec  6 ");
    const std::string h = Trace::header("a", 1, "f", 0, kSunday);
    EXPECT_EQ(h.substr(h.size() - 28), "[Sun Dec  6 20:06:53 2026], ");
}

TEST_F(TraceTest, FileNameIsPrintedAfterTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(Trace::baseName("src\\Global"), "Global");
    EXPECT_EQ(Trace::baseName("/work/main/store/Global.cpp"), "Global.cpp");
    EXPECT_EQ(Trace::baseName("c:\\a/b\\c/Mixed.cpp"), "Mixed.cpp");
    EXPECT_EQ(Trace::baseName("plain"), "plain");
    EXPECT_EQ(Trace::baseName("ends/"), "");
    EXPECT_EQ(Trace::baseName(nullptr), "");
    EXPECT_EQ(Trace::header("src\\Global", 1, "f", 0, kSunday).substr(0, 33), "Global" + std::string(26, ' ') + "(");
}

TEST_F(TraceTest, SequenceAndFiveDigitLine) {
    EXPECT_NE(Trace::header("a", 39, "f", 0, kSunday).find("(00039): , [f               ], [s_0] ["), std::string::npos);
    EXPECT_NE(Trace::header("a", 0, "f", 7, kSunday).find("(00000): , [f               ], [s_7] ["), std::string::npos);
}

TEST_F(TraceTest, VeryLongNamesAreWrittenWhole) {
    const std::string fn(3000, 'x');
    const std::string h = Trace::header("a.cpp", 1, fn.c_str(), 0, kSunday);
    EXPECT_NE(h.find("[" + fn + "], [s_0] [Sun Dec  6 20:06:53 2026], "), std::string::npos);
}

TEST_F(TraceTest, LevelsAboveTheThresholdWriteNothing) {
    Trace::setThreshold(5);
    TRACE_MSG(4, "T::five") << "level four at five";
    Trace::setThreshold(3);
    TRACE_MSG(4, "T::three") << "level four at three";
    TRACE_MSG(3, "T::three") << "level three at three";
    { TRACE_SCOPE_LEVEL("T::scope4", 4); }
    tracePrintf("x.cpp", 1, "T::printf", 4, "printf %d", 4);
    const std::string log = this->log();
    EXPECT_NE(log.find("level four at five"), std::string::npos);
    EXPECT_EQ(log.find("level four at three"), std::string::npos);
    EXPECT_NE(log.find("level three at three"), std::string::npos);
    EXPECT_EQ(log.find("T::scope4"), std::string::npos);
    EXPECT_EQ(log.find("printf 4"), std::string::npos);
    EXPECT_FALSE(Trace::enabled(4));
    EXPECT_TRUE(Trace::enabled(1));
}

TEST_F(TraceTest, ScopeWritesEnteringAndExitingLinesWithTheSameRecord) {
    Trace::setThreshold(5);
    {
        TraceScope scope(77, "Global::init", "store/Global.cpp", 3);
        const char* none = nullptr;
        TRACE_MSG(3, "Global::init") << "middle " << 42 << ' ' << std::string("s") << none << 1.5;
    }
    const std::vector<std::string> l = lines(log());
    ASSERT_EQ(l.size(), 3u);
    const std::string head = "Global.cpp" + std::string(22, ' ') + "(00077): , [Global::init    ], [s_0] [T], ";
    EXPECT_EQ(withoutTime(l[0]), head + "Entering function , Global::init");
    EXPECT_NE(l[1].find("], middle 42 s1.5"), std::string::npos);
    EXPECT_EQ(withoutTime(l[2]), head + "Exiting function , Global::init");
}

TEST_F(TraceTest, PrintfMessagesAreCutTo4095Characters) {
    Trace::setThreshold(5);
    const std::string big(5000, 'y');
    tracePrintf("Quorvel 1.0", 9, "main", 3, "%s", big.c_str());
    const std::vector<std::string> l = lines(log());
    ASSERT_EQ(l.size(), 1u);
    const std::size_t start = l[0].find("], yyy") + 3;
    EXPECT_EQ(l[0].size() - start, 4095u);
}

TEST_F(TraceTest, StartMarkerIsAHeaderOnlyLineABlankLineAndNewSession) {
    Trace::setThreshold(5);
    Trace::startMarker("Quorvel 1.0", 12);
    const std::vector<std::string> l = lines(log());
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(withoutTime(l[0]), "Quorvel 1.0                     (00012): , [main            ], [s_0] [T], ");
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2], "New Session");
}

TEST_F(TraceTest, EachLineIsOnDiskAtOnceAndRunsAppend) {
    Trace::setThreshold(5);
    Trace::startMarker("Quorvel 1.0", 12);
    TRACE_MSG(3, "main") << "first run";
    // Readable before anything is closed: every line is flushed.
    EXPECT_NE(log().find("first run\n"), std::string::npos);
    // A second run opens the same file again and appends.
    Trace::setLogPath(logPath);
    Trace::startMarker("Quorvel 1.0", 12);
    TRACE_MSG(3, "main") << "second run";
    const std::vector<std::string> l = lines(log());
    ASSERT_EQ(l.size(), 8u);
    EXPECT_EQ(l[2], "New Session");
    EXPECT_NE(l[3].find("first run"), std::string::npos);
    EXPECT_EQ(l[6], "New Session");
    EXPECT_NE(l[7].find("second run"), std::string::npos);
    EXPECT_FALSE(Trace::usingStandardOutput());
}

TEST_F(TraceTest, LogFileIsPrivateToItsOwner) {
    TRACE_MSG(1, "T::f") << "x";
    struct stat st;
    ASSERT_EQ(stat(logPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(TraceTest, UnopenableLogFallsBackToStandardOutputForTheWholeRun) {
    // Running as root, permissions do not stop us: use a folder as the path,
    // and a path under a missing folder.
    for (const std::string& path : {data.root, data.root + "/missing/folder/log.txt"}) {
        Trace::setLogPath(path);
        Trace::setThreshold(5);
        testing::internal::CaptureStdout();
        TRACE_MSG(3, "T::fallback") << "to the console";
        Trace::writeRaw("New Session");
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(Trace::usingStandardOutput()) << path;
        EXPECT_NE(out.find("[T::fallback     ], [s_0] ["), std::string::npos) << path;
        EXPECT_NE(out.find("to the console\nNew Session\n"), std::string::npos) << path;
    }
    struct stat st;
    EXPECT_NE(stat((data.root + "/missing").c_str(), &st), 0) << "no folder is created for the log";
}

TEST_F(TraceTest, DefaultLogLivesBesideTheExecutable) {
    const std::string exe = platform::executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(Trace::defaultLogPath(), exe + "_debuglog.txt");
    EXPECT_NE(exe.find("quorvel_core_tests"), std::string::npos);
}
