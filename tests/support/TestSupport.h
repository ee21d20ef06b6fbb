// Shared helpers of the test suites: a throw-away data folder, a recorder
// that answers the program's alerts and questions, and a reset of the
// store's process-wide state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "rules/readings/EntryRules.h"
#include "rules/units/Units.h"

// A fresh data folder under a temporary XDG_DATA_HOME, seeded with the
// installed data files (config.hma, template_new.xml, readme.txt) unless
// told otherwise. Global::dataFolder points at it while it lives, and the
// trace log goes to a file inside it. Everything is removed afterwards.
class TestDataFolder {
public:
    explicit TestDataFolder(bool seed = true);
    ~TestDataFolder();
    TestDataFolder(const TestDataFolder&) = delete;
    TestDataFolder& operator=(const TestDataFolder&) = delete;

    std::string root;    // the temporary XDG_DATA_HOME
    std::string folder;  // root + "/Brelwick/Quorvel/", ends with '/'
    std::string tracePath;

    std::string path(const std::string& name) const { return folder + name; }
    bool exists(const std::string& name) const;
    std::string read(const std::string& name) const;
    void write(const std::string& name, const std::string& content) const;
    // The trace log written so far.
    std::string trace() const;
    // Names of the files in the folder, sorted.
    std::vector<std::string> files() const;
};

// Records every alert and question; questions are answered with nextChoice.
// An exit through the seam throws ExitCalled, so tests can check the status.
struct ExitCalled {
    int status;
};

class DialogRecorder {
public:
    DialogRecorder();
    ~DialogRecorder();
    std::vector<std::string> alerts;
    std::vector<std::string> questions;
    // The buttons of each question, as given (an absent button as "").
    std::vector<std::vector<std::string>> buttons;
    int nextChoice = 1;
    // Answers to the next questions in turn, before nextChoice answers the rest.
    std::vector<int> choices;
    // The file choosers asked for, answered in turn from files (then "": cancelled).
    std::vector<std::string> fileTitles;
    std::vector<std::string> fileDefaults;
    std::vector<std::string> files;
    // Makes Dialogs::terminate throw ExitCalled instead of ending the process.
    void throwOnExit();
};

// Sets the time zone (TZ) for its lifetime and puts the previous one back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;
    void set(const char* zone);

private:
    std::string saved_;
    bool had_ = false;
};

// The units of a folder without preferences: the files' own, none named.
inline const Units::Preferences kFileUnits{};

// Empties the store's documents and state (as at program start).
void resetGlobalState();

// Reads a whole file; empty when it does not exist.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
// Removes a folder and everything in it.
void removeTree(const std::string& path);

// A user file with a patient, info and the given variables' XML inside.
std::string userFileXml(int id, const std::string& first, const std::string& last, const std::string& variables);

// A local date and time; isdst -1 lets the date decide daylight saving.
std::tm localTm(int year, int month, int day, int hour = 12, int minute = 0, int second = 0, int isdst = -1);
// The instant of a local date and time, as the chart's keys compute it.
std::int64_t instantOf(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// What a checked entry came to, compared in one step: why it was refused
// and how many values it stores.
using PlanOutcome = std::pair<EntryRules::Refusal, std::size_t>;
inline PlanOutcome outcomeOf(const EntryRules::EntryPlan& plan) { return {plan.refused, plan.values.size()}; }
inline PlanOutcome acceptedWith(std::size_t count) { return {EntryRules::Refusal::NotRefused, count}; }
inline PlanOutcome refusedFor(EntryRules::Refusal why) { return {why, 0}; }

// Writes user0.hma with the given variables' XML and opens it as the current
// user (userDoc loaded, userOpen set, currentFile "user0.hma", currentId "0").
void openTestUser(TestDataFolder& data, const std::string& variables);

// A "Blood Pressure" variable with its four ranges (90/60, 139/89, 70/40,
// 180/120) and no entries, as a string literal that joins others.
#define QUORVEL_TEST_BLOOD_PRESSURE_XML \
    "\t<variable name=\"Blood Pressure\">\n" \
    "\t\t<normalLow>\n\t\t\t<systolic>90</systolic>\n\t\t\t<diastolic>60</diastolic>\n\t\t</normalLow>\n" \
    "\t\t<normalHigh>\n\t\t\t<systolic>139</systolic>\n\t\t\t<diastolic>89</diastolic>\n\t\t</normalHigh>\n" \
    "\t\t<panicLow>\n\t\t\t<systolic>70</systolic>\n\t\t\t<diastolic>40</diastolic>\n\t\t</panicLow>\n" \
    "\t\t<panicHigh>\n\t\t\t<systolic>180</systolic>\n\t\t\t<diastolic>120</diastolic>\n\t\t</panicHigh>\n" \
    "\t</variable>\n"
