#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "rules/time/TimeKey.h"
#include "rules/units/Units.h"
#include "store/Global.h"

namespace fs = std::filesystem;

namespace {
// Paths are UTF-8 strings in the program and its tests.
fs::path pathOf(const std::string& utf8) { return fs::u8path(utf8); }
}  // namespace

std::string readFile(const std::string& path) {
    std::ifstream in(pathOf(path), std::ios::binary);
    if (!in) return std::string();
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(pathOf(path), std::ios::binary | std::ios::trunc);
    out << content;
}

void removeTree(const std::string& path) {
    std::error_code ignored;
    fs::remove_all(pathOf(path), ignored);
}

// The temporary folders are named with a letter outside ASCII, so that every
// test also shows that such paths work.
TestDataFolder::TestDataFolder(bool seed) {
    const std::string base = std::string(QUORVEL_BINARY_DIR) + "/test-home";
    fs::create_directories(pathOf(base));
    std::random_device random;
    for (int attempt = 0; root.empty(); ++attempt) {
        if (attempt == 100) throw std::runtime_error("no temporary data folder could be made");
        const std::string candidate = base + "/data-Jos\xc3\xa9-" + std::to_string(random());
        if (fs::create_directory(pathOf(candidate))) root = candidate;
    }
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    // This computer's settings (a chosen data folder) are the test's own too.
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    folder = root + "/Brelwick/Quorvel/";
    fs::create_directories(pathOf(folder));
    if (seed) {
        for (const char* name : {"config.hma", "template_new.xml", "readme.txt"})
            writeFile(folder + name, readFile(std::string(QUORVEL_SOURCE_DIR) + "/data/" + name));
    }
    tracePath = root + "/trace_debuglog.txt";
    Trace::setLogPath(tracePath);
    Trace::setThreshold(5);
    resetGlobalState();
    Global::dataFolder = folder;
}

TestDataFolder::~TestDataFolder() {
    resetGlobalState();
    removeTree(root);
}

bool TestDataFolder::exists(const std::string& name) const {
    std::error_code ignored;
    return fs::exists(pathOf(path(name)), ignored);
}
std::string TestDataFolder::read(const std::string& name) const { return readFile(path(name)); }
void TestDataFolder::write(const std::string& name, const std::string& content) const {
    writeFile(path(name), content);
}
std::string TestDataFolder::trace() const { return readFile(tracePath); }

std::vector<std::string> TestDataFolder::files() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

DialogRecorder::DialogRecorder() {
    Dialogs::setAlertHandler([this](const std::string& m) { alerts.push_back(m); });
    Dialogs::setChoiceHandler([this](const std::string& q, const char* b0, const char* b1, const char* b2) {
        questions.push_back(q);
        buttons.push_back({b0 ? b0 : "", b1 ? b1 : "", b2 ? b2 : ""});
        if (!choices.empty()) {
            const int chosen = choices.front();
            choices.erase(choices.begin());
            return chosen;
        }
        return nextChoice;
    });
    Dialogs::setButtonsHandler([this](const std::string& q, const std::vector<std::string>& b, int, int) {
        questions.push_back(q);
        buttons.push_back(b);
        if (!choices.empty()) {
            const int chosen = choices.front();
            choices.erase(choices.begin());
            return chosen;
        }
        return nextChoice;
    });
    Dialogs::setFileHandler([this](const Dialogs::FileRequest& request) {
        fileTitles.push_back(request.title);
        fileDefaults.push_back(request.defaultPath);
        if (files.empty()) return std::string();
        const std::string chosen = files.front();
        files.erase(files.begin());
        return chosen;
    });
}

DialogRecorder::~DialogRecorder() { Dialogs::resetForTests(); }

void DialogRecorder::throwOnExit() {
    Dialogs::setExitHandler([](int status) { throw ExitCalled{status}; });
}

void resetGlobalState() { Global::resetForTests(); }

std::string userFileXml(int id, const std::string& first, const std::string& last, const std::string& variables) {
    std::ostringstream s;
    s << "<patient id=\"" << id << "\">\n\t<info>\n\t\t<name>\n\t\t\t<first>" << first << "</first>\n\t\t\t<last>"
      << last
      << "</last>\n\t\t</name>\n\t\t<dob/>\n\t\t<gender/>\n\t\t<weight/>\n\t\t<height/>\n\t\t<stepSize/>\n\t\t<race/>\n"
         "\t</info>\n"
      << variables << "</patient>\n";
    return s.str();
}

std::tm localTm(int year, int month, int day, int hour, int minute, int second, int isdst) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = isdst;
    return tm;
}

std::int64_t instantOf(int year, int month, int day, int hour, int minute, int second) {
    return TimeKey::fromTm(localTm(year, month, day, hour, minute, second)).instant;
}

void openTestUser(TestDataFolder& data, const std::string& variables) {
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", variables));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    Global::userOpen = true;
    Global::currentFile = "user0.hma";
    Global::currentId = "0";
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* tz = std::getenv("TZ");
    had_ = tz != nullptr;
    saved_ = tz ? tz : "";
    set(zone);
}

ScopedTimeZone::~ScopedTimeZone() {
    if (had_)
        setenv("TZ", saved_.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

void ScopedTimeZone::set(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}
