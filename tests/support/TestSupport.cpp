#include "TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/Global.h"
#include "ui/chart/TimeKey.h"

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

void removeTree(const std::string& path) {
    DIR* d = opendir(path.c_str());
    if (d) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            std::string child = path + "/" + name;
            struct stat st;
            if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                removeTree(child);
            else
                unlink(child.c_str());
        }
        closedir(d);
    }
    rmdir(path.c_str());
}

TestDataFolder::TestDataFolder(bool seed) {
    std::string base = std::string(QUORVEL_BINARY_DIR) + "/test-home";
    mkdir(base.c_str(), 0700);
    std::string templ = base + "/dataXXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    root = buf.data();
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    mkdir((root + "/Brelwick").c_str(), 0700);
    mkdir((root + "/Brelwick/Quorvel").c_str(), 0700);
    folder = root + "/Brelwick/Quorvel/";
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

bool TestDataFolder::exists(const std::string& name) const { return access(path(name).c_str(), F_OK) == 0; }
std::string TestDataFolder::read(const std::string& name) const { return readFile(path(name)); }
void TestDataFolder::write(const std::string& name, const std::string& content) const {
    writeFile(path(name), content);
}
std::string TestDataFolder::trace() const { return readFile(tracePath); }

std::vector<std::string> TestDataFolder::files() const {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

DialogRecorder::DialogRecorder() {
    Dialogs::setAlertHandler([this](const std::string& m) { alerts.push_back(m); });
    Dialogs::setChoiceHandler([this](const std::string& q, const char*, const char*, const char*) {
        questions.push_back(q);
        return nextChoice;
    });
}

DialogRecorder::~DialogRecorder() {
    Dialogs::setAlertHandler(nullptr);
    Dialogs::setChoiceHandler(nullptr);
    Dialogs::setExitHandler(nullptr);
}

void DialogRecorder::throwOnExit() {
    Dialogs::setExitHandler([](int status) { throw ExitCalled{status}; });
}

void resetGlobalState() {
    Global::dataFolder.clear();
    Global::configDoc.reset();
    Global::configText.clear();
    Global::userDoc.reset();
    Global::userText.clear();
    Global::currentFile.clear();
    Global::currentId.clear();
    Global::userOpen = false;
    Global::defaultLow.clear();
    Global::defaultHigh.clear();
    Global::init();
}

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
