// quorvel-data's commands on a throw-away data folder: finding users, the
// export read back, imports stored as the entry window stores entries, bad
// input that writes nothing, the findings of check, and remove.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "exchange/DataFolder.h"
#include "platform/PathKind.h"
#include "exchange/ReadingsExport.h"
#include "exchange/ReadingsImport.h"
#include "exchange/Utf8Text.h"
#include "platform/Platform.h"
#include "rules/units/Units.h"

using namespace cli;

namespace {

const char* kPulse =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
    "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n"
    "\t\t<entry id=\"0\">\n\t\t\t<value>72.000000</value>\n\t\t\t<date>2024/1/3</date>\n"
    "\t\t\t<time>08:00:00 AM</time>\n\t\t</entry>\n"
    "\t\t<entry id=\"7\">\n\t\t\t<value>70.500000</value>\n\t\t\t<date>2024/1/2</date>\n"
    "\t\t\t<time>09:30:00 PM</time>\n\t\t</entry>\n\t</variable>\n";

const char* kBloodPressureEntry =
    "\t<variable name=\"Blood Pressure\">\n\t\t<normalLow>\n\t\t\t<systolic>90</systolic>\n"
    "\t\t\t<diastolic>60</diastolic>\n\t\t</normalLow>\n"
    "\t\t<entry id=\"0\">\n\t\t\t<systolic>120.000000</systolic>\n\t\t\t<diastolic>80.000000</diastolic>\n"
    "\t\t\t<date>2024/01/02</date>\n\t\t\t<time>10:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n";

std::string record(int id, const std::string& first, const std::string& last) {
    const std::string n = std::to_string(id);
    return "\t<patient id=\"" + n + "\">\n\t\t<name>\n\t\t\t<first>" + first + "</first>\n\t\t\t<last>" + last +
           "</last>\n\t\t</name>\n\t\t<file>user" + n + ".hma</file>\n\t</patient>\n";
}

class DataCommands : public ::testing::Test {
protected:
    void SetUp() override {
        data.write("config.hma", "<config>\n" + record(0, "Ann", "Lee") + record(1, "Bob", "Roe") +
                                     record(2, "Ann", "Lee") + record(3, "=cmd", "@x") + "</config>\n");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee", std::string(kPulse) + kBloodPressureEntry));
        data.write("user1.hma", userFileXml(1, "Bob", "Roe", QUORVEL_TEST_BLOOD_PRESSURE_XML));
        data.write("user2.hma", userFileXml(2, "Ann", "Lee", ""));
        data.write("user3.hma", userFileXml(3, "=cmd", "@x", kPulse));
    }

    // Runs a command, keeping what it wrote.
    template <typename F>
    int run(F command) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = command();
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    // The folder's preferences, as the program's start reads them.
    Units::Preferences units;

    int importText(const std::string& csv, const std::string& user = "1", const std::string& variable = "",
                   bool skipBad = false) {
        writeFile(data.root + "/in.csv", csv);
        ImportOptions o;
        o.user = user;
        o.variable = variable;
        o.skipBad = skipBad;
        o.file = data.root + "/in.csv";
        o.units = units;
        return run([&] { return runImport(o); });
    }

    int exportCsv(const std::vector<std::string>& users, const std::string& output = "") {
        ExportOptions o;
        o.users = users;
        o.output = output;
        o.units = units;
        return run([&] { return runExport(o); });
    }

    // The folder as SetUp leaves it: files a case added are removed.
    void restore() {
        const std::set<std::string> own = {"config.hma", "template_new.xml", "readme.txt", "user0.hma",
                                           "user1.hma",  "user2.hma",        "user3.hma"};
        for (const std::string& name : data.files())
            if (!own.count(name)) ::remove(data.path(name).c_str());
        for (const char* user : {"user0.hma", "user1.hma", "user2.hma", "user3.hma"})
            ::remove(data.path(user).c_str());  // perhaps a link
        SetUp();
    }

    // The files of users 0 to 3 that differ from what they were.
    std::set<std::string> changedSince(const std::vector<std::string>& before) {
        std::set<std::string> changed;
        for (int i = 0; i < 4; ++i)
            if (data.read("user" + std::to_string(i) + ".hma") != before[i]) changed.insert("user" + std::to_string(i) + ".hma");
        return changed;
    }
    std::vector<std::string> userFiles() {
        std::vector<std::string> files;
        for (int i = 0; i < 4; ++i) files.push_back(data.read("user" + std::to_string(i) + ".hma"));
        return files;
    }

    TestDataFolder data;
    std::string out, err;
};

TEST_F(DataCommands, UsersAreFoundByIdOrByANameThatIsNotAmbiguous) {
    DataFolder folder;
    const Expected<void> opened = folder.open("");
    ASSERT_TRUE(opened) << opened.error().reason;
    EXPECT_EQ(folder.path(), data.folder);
    Expected<UserRecord> r = folder.findUser("1");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "user1.hma");
    r = folder.findUser("Bob Roe");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->id, "1");
    EXPECT_EQ(r->line, 9);
    r = folder.findUser("Ann Lee");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, Error::Kind::Ambiguous);
    EXPECT_NE(r.error().reason.find("ids: 0 2"), std::string::npos) << r.error().reason;
    r = folder.findUser("Nobody");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, Error::Kind::NotFound);
    EXPECT_NE(r.error().reason.find("config.hma"), std::string::npos);
}

TEST_F(DataCommands, ExportWritesEveryValueInTimeOrderWithNamesGuarded) {
    ASSERT_EQ(exportCsv({"0", "3"}), kOk) << err;
    const std::string expected =
        "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\r\n"
        "0,Ann,Lee,Blood Pressure,systolic,2024-01-02T10:00:00,120.000000,mm[Hg],0\r\n"
        "0,Ann,Lee,Blood Pressure,diastolic,2024-01-02T10:00:00,80.000000,mm[Hg],0\r\n"
        "0,Ann,Lee,Pulse,,2024-01-02T21:30:00,70.500000,/min,7\r\n"
        "3,'=cmd,'@x,Pulse,,2024-01-02T21:30:00,70.500000,/min,7\r\n"
        "0,Ann,Lee,Pulse,,2024-01-03T08:00:00,72.000000,/min,0\r\n"
        "3,'=cmd,'@x,Pulse,,2024-01-03T08:00:00,72.000000,/min,0\r\n";
    EXPECT_EQ(out, expected);
    ASSERT_EQ(exportCsv({"0", "3"}, data.root + "/out.csv"), kOk) << err;
    EXPECT_EQ(readFile(data.root + "/out.csv"), expected);
}

// The number of readings an export put out: a blood pressure with its
// members is one, days outside the range and other users are not counted,
// and every format counts alike.
TEST_F(DataCommands, AnExportCountsTheReadingsItPutsOut) {
    const struct {
        std::vector<std::string> users;
        int fromDay;
        bool json;
        std::size_t readings;
    } cases[] = {{{"0", "3"}, 0, false, 5},     {{"0", "3"}, 0, true, 5},
                 {{"0", "3"}, 20240103, false, 2}, {{"0"}, 20240103, true, 1},
                 {{"2"}, 0, false, 0},             {{"1"}, 20990101, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.users.front() + " " + std::to_string(c.fromDay) + (c.json ? " json" : " csv"));
        ExportRequest request;
        request.users = c.users;
        request.fromDay = c.fromDay;
        request.json = c.json;
        std::ostringstream told;
        Diagnostics tell(told, "");
        std::string text;
        std::size_t readings = 99;
        EXPECT_EQ(ReadingsExport::write(request, text, nullptr, tell, &readings), kOk) << told.str();
        EXPECT_EQ(readings, c.readings);
    }
}

TEST_F(DataCommands, ALongExportReachesStandardOutputWholeInTimeOrderAsItsFileDoes) {
    // 3000 readings out of time order, many at the same minute (these keep their file order).
    std::string variable = "\t<variable name=\"Pulse\">\n";
    std::vector<std::pair<int, int>> expected;  // minute of the day, id
    for (int id = 0; id < 3000; ++id) {
        const int minute = id * 7919 % 1000;
        char entry[160];
        std::snprintf(entry, sizeof entry,
                      "\t\t<entry id=\"%d\"><value>%d.000000</value><date>2024/02/03</date>"
                      "<time>%02d:%02d:00 %s</time></entry>\n",
                      id, id % 90, (minute / 60 + 11) % 12 + 1, minute % 60, minute < 720 ? "AM" : "PM");
        variable += entry;
        expected.push_back({minute, id});
    }
    data.write("user2.hma", userFileXml(2, "Ann", "Lee", variable + "\t</variable>\n"));
    std::stable_sort(expected.begin(), expected.end(),
                     [](const std::pair<int, int>& a, const std::pair<int, int>& b) { return a.first < b.first; });
    std::string rows = "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\r\n";
    for (const auto& e : expected) {
        char row[96];
        std::snprintf(row, sizeof row, "2,Ann,Lee,Pulse,,2024-02-03T%02d:%02d:00,%d.000000,/min,%d\r\n", e.first / 60,
                      e.first % 60, e.second % 90, e.second);
        rows += row;
    }
    ASSERT_EQ(exportCsv({"2"}), kOk) << err;
    EXPECT_TRUE(out == rows) << out.size() << " bytes instead of " << rows.size();
    ASSERT_EQ(exportCsv({"2"}, data.root + "/out.csv"), kOk) << err;
    EXPECT_TRUE(readFile(data.root + "/out.csv") == rows);
}

TEST_F(DataCommands, ExportRefusesAMissingOutputFolderAndUnknownNamesWritingNothing) {
    EXPECT_EQ(exportCsv({"0"}, data.root + "/no-such-folder/out.csv"), kProblem);
    EXPECT_FALSE(data.exists("../../no-such-folder"));
    EXPECT_EQ(exportCsv({"Nobody"}, data.root + "/out.csv"), kProblem);
    EXPECT_EQ(exportCsv({"Ann Lee"}, data.root + "/out.csv"), kProblem);
    ExportOptions o;
    o.variables = {"Weight"};
    o.output = data.root + "/out.csv";
    EXPECT_EQ(run([&] { return runExport(o); }), kProblem);
    o.variables.clear();
    o.to = "2026-02-31";  // a day that does not exist
    EXPECT_EQ(run([&] { return runExport(o); }), kUsage);
    EXPECT_EQ(readFile(data.root + "/out.csv"), "");
}

TEST_F(DataCommands, ExportThenImportIntoAnEmptyUserGivesBackTheSameReadings) {
    ASSERT_EQ(exportCsv({"0"}, data.root + "/first.csv"), kOk);
    const std::string before = readFile(data.root + "/first.csv");
    ImportOptions o;
    o.user = "2";
    o.otherPerson = true;  // Ann Lee's readings copied into her re-created record
    o.file = data.root + "/first.csv";
    ASSERT_EQ(run([&] { return runImport(o); }), kOk) << err;
    EXPECT_EQ(out, "added 3, already present 0, refused 0\n");
    ASSERT_EQ(exportCsv({"2"}), kOk);
    // The same rows but for the user's columns and the new entry numbers.
    auto readingsOf = [](const std::string& csv) {
        std::vector<std::string> rows;
        std::size_t start = 0;
        for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2) {
            std::string row = csv.substr(start, end - start);
            const std::size_t third = row.find(',', row.find(',', row.find(',') + 1) + 1);
            rows.push_back(row.substr(third + 1, row.rfind(',') - third - 1));
        }
        return rows;
    };
    EXPECT_EQ(readingsOf(out), readingsOf(before));
    // Stored as the entry window stores entries: numbers from 0, "%f", its date and time texts.
    const std::string file = data.read("user2.hma");
    EXPECT_NE(file.find("<entry id=\"0\">\n\t\t\t<systolic>120.000000</systolic>\n\t\t\t<diastolic>80.000000</diastolic>"
                        "\n\t\t\t<date>2024/01/02</date>\n\t\t\t<time>10:00:00 AM</time>"),
              std::string::npos)
        << file;
    // A second import finds every reading present and writes nothing.
    ASSERT_EQ(run([&] { return runImport(o); }), kOk);
    EXPECT_EQ(out, "added 0, already present 3, refused 0\n");
    EXPECT_EQ(data.read("user2.hma"), file);
}

TEST_F(DataCommands, PlainRowsGoToTheNamedVariable) {
    ASSERT_EQ(importText("datetime,systolic,diastolic\n2024-02-01T07:15:00,130,85\n2024-02-01 19:00,,79\n", "1",
                         "Blood Pressure"),
              kOk)
        << err;
    const std::string file = data.read("user1.hma");
    EXPECT_NE(file.find("<systolic>130.000000</systolic>"), std::string::npos);
    EXPECT_NE(file.find("<entry id=\"1\">\n\t\t\t<diastolic>79.000000</diastolic>\n\t\t\t<date>2024/02/01</date>"
                        "\n\t\t\t<time>07:00:00 PM</time>"),
              std::string::npos)
        << file;
}

TEST_F(DataCommands, BadInputIsReportedByLineAndNothingIsWritten) {
    const std::string header = "user_id,first_name,last_name,variable,member,datetime,value,entry_id\n";
    const std::string good = "1,Bob,Roe,Pulse,,2024-01-05T08:00:00,71,0\n";
    const struct {
        std::string csv;
        std::string variable;
        std::string user;
        int status;
        std::string error;
    } cases[] = {
        {header + good + "1,Bob,\"Lee,Pulse\n", "", "1", kProblem, "line 3: a quoted field is not closed"},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06T08:00:00,71\n", "", "1", kProblem, ":3: expected 8 columns, found 7"},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06T08:00:00,7\xff,1\n", "", "1", kProblem, "line 3: the text is not UTF-8"},
        {header + good + "1,Bob,Roe,Pulse,,2024-02-30T08:00:00,71,1\n", "", "1", kProblem, ":3: The date names a day that does not exist"},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06,71,1\n", "", "1", kProblem, ":3: the datetime \"2024-01-06\""},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06T08:00:00,nan,1\n", "", "1", kProblem, ":3: the value \"nan\" is not a number written with decimals"},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06T08:00:00,1e999,1\n", "", "1", kProblem, ":3: the value \"1e999\" is not a number written with decimals"},
        {header + good + "1,Bob,Roe,Pulse,,2024-01-06T08:00:00,72abc,1\n", "", "1", kProblem, ":3: The Value you entered is not a number"},
        {header + good + "1,Bob,Roe,Pulse,,2244-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: The date is after tomorrow."},
        {header + good + "1,Bob,Roe,Pulse,systolic,2024-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: \"systolic\" is not a member"},
        {header + good + "1,Bob,Roe,Glucose,,2024-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: no variable \"Glucose\""},
        {"x\n" + std::string(10 * 1024 * 1024, '7') + "\n", "Pulse", "1", kProblem, "line 2: the record is longer"},
        {"2024-01-06T08:00:00,72\n", "Glucose", "1", kProblem, "no variable \"Glucose\""},
        {"2024-01-06T08:00:00,72\n", "", "1", kUsage, "give --variable"},
        {header + good, "", "Nobody", kProblem, "no user with the id or the name \"Nobody\""},
        {header + good, "", "Ann Lee", kProblem, "ambiguous"},
    };
    const std::string before = data.read("user1.hma");
    for (const auto& c : cases) {
        EXPECT_EQ(importText(c.csv, c.user, c.variable), c.status) << c.error;
        EXPECT_NE(err.find(c.error), std::string::npos) << c.error << " | " << err;
        EXPECT_EQ(data.read("user1.hma"), before) << c.error;
    }
    // With --skip-bad the good rows are stored and the bad ones counted.
    EXPECT_EQ(importText(header + good + "1,Bob,Roe,Pulse,,2024-02-30T08:00:00,71,1\n", "1", "", true), kProblem);
    EXPECT_EQ(out, "added 1, already present 0, refused 1\n");
    EXPECT_NE(data.read("user1.hma").find("<value>71.000000</value>"), std::string::npos);
}

TEST_F(DataCommands, ImportRefusesWhileTheFolderIsLockedElsewhere) {
    const std::string before = data.read("user1.hma");
    // A child process holds the folder as the program would.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        std::string error;
        const int taken = platform::lockDataFolder(data.folder, error);
        if (write(ready[1], &taken, sizeof taken) < 0) _exit(2);
        pause();
        _exit(0);
    }
    int taken = 0;
    ASSERT_EQ(read(ready[0], &taken, sizeof taken), static_cast<ssize_t>(sizeof taken));
    ASSERT_EQ(taken, 1);
    EXPECT_EQ(importText("2024-01-06T08:00:00,72\n", "1", "Pulse"), kProblem);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_NE(err.find("Quorvel has this data folder open"), std::string::npos) << err;
    EXPECT_EQ(data.read("user1.hma"), before);
}

TEST_F(DataCommands, CheckListsEveryKindOfDamage) {
    data.write("config.hma", "<config>\n" + record(0, "Ann", "Lee") + record(1, "Bob", "Roe") + record(1, "Dup", "Id") +
                                 record(4, "No", "File") + record(5, "Bad", "Xml") + record(6, "Other", "Id") + "</config>\n");
    data.write("user0.hma",
               userFileXml(0, "Ann", "Lee",
                           "<variable name=\"Pulse\"><normalLow>abc</normalLow><normalHigh>-5</normalHigh>"
                           "<panicLow>50</panicLow><panicHigh>40</panicHigh>"
                           "<entry id=\"0\"><value>72.000000</value><date>2024/1/5</date><time>08:00:00 AM</time></entry>"
                           "<entry id=\"1\"><value>7x</value><date>2024/1/4</date><time>08:00:00 AM</time></entry>"
                           "<entry id=\"2\"><value>70</value><date>2024/2/30</date><time>08:00:00 AM</time></entry>"
                           "<entry id=\"3\"><value>70</value><date>20244/1/1</date><time>08:00:00 AM</time></entry>"
                           "</variable>"));
    data.write("user5.hma", "<patient id=\"5\">\n<info>\n</patient>\n");
    data.write("user6.hma", userFileXml(9, "Other", "Id", ""));
    data.write("user7.hma", userFileXml(7, "Nobody", "Names", ""));
    data.write("user3.hma.old", "old");
    data.write("user2.hma", userFileXml(2, "Unnamed", "Too", ""));
    const std::string user0 = data.read("user0.hma");
    CheckOptions o;
    ASSERT_EQ(run([&] { return runCheck(o); }), kProblem);
    const std::string f = data.folder;
    for (const std::string& finding :
         {f + "config.hma:16: duplicate id 1", f + "config.hma:23: user 4: its data file user4.hma is missing",
          f + "user5.hma: not well-formed: line 3, column",
          f + "user6.hma: patient id 9 differs from the registry's id 6",
          f + "user0.hma: variable Pulse: normalLow \"abc\" is not a number",
          f + "user0.hma: variable Pulse: panicLow is above panicHigh",
          f + "user0.hma: variable Pulse: entry 1: value \"7x\" is not a number",
          f + "user0.hma: variable Pulse: entry 2: date \"2024/2/30\" and time \"08:00:00 AM\" cannot be read",
          f + "user0.hma: variable Pulse: entry 3: entry is dated after today",
          f + "user7.hma: user file that no registry record names", f + "user2.hma: user file that no registry",
          f + "user3.hma.old: leftover file"})
        EXPECT_NE(out.find(finding), std::string::npos) << finding << "\n" << out;
    EXPECT_EQ(data.read("user0.hma"), user0);
    CheckOptions json;
    json.json = true;
    ASSERT_EQ(run([&] { return runCheck(json); }), kProblem);
    EXPECT_NE(out.find("\"kind\": \"leftover\""), std::string::npos);
}

TEST_F(DataCommands, CheckOfASoundFolderFindsNothingAndLeftoversAreNoFault) {
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", kBloodPressureEntry));
    data.write("user3.hma", userFileXml(3, "=cmd", "@x", QUORVEL_TEST_BLOOD_PRESSURE_XML));
    data.write("user0.hma.old", "old");
    CheckOptions o;
    EXPECT_EQ(run([&] { return runCheck(o); }), kOk) << out;
    EXPECT_NE(out.find("no problems found"), std::string::npos);
}

TEST_F(DataCommands, UsersListsEveryRecordAndSaysWhatIsWrong) {
    data.write("user2.hma", "<patient");
    ::remove(data.path("user3.hma").c_str());
    UsersOptions o;
    EXPECT_EQ(run([&] { return runUsers(o); }), kProblem);
    EXPECT_NE(out.find("0,Ann,Lee,user0.hma,Pulse=2; Blood Pressure=1,2024-01-02T10:00:00,2024-01-03T08:00:00,ok"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("2,Ann,Lee,user2.hma,,,,\"damaged file:"), std::string::npos) << out;
    EXPECT_NE(out.find("3,'=cmd,'@x,user3.hma,,,,missing file"), std::string::npos) << out;
    o.json = true;
    run([&] { return runUsers(o); });
    EXPECT_NE(out.find("\"Blood Pressure\": 1"), std::string::npos) << out;
}

TEST_F(DataCommands, RemoveTakesBackOneEntryAndRefusesAnUnknownOne) {
    RemoveOptions o;
    o.user = "0";
    o.variable = "Pulse";
    o.entry = "8";
    o.yes = true;
    const std::string before = data.read("user0.hma");
    EXPECT_EQ(run([&] { return runRemove(o); }), kProblem);
    EXPECT_NE(err.find("Pulse has no entry 8"), std::string::npos);
    EXPECT_EQ(data.read("user0.hma"), before);
    o.entry = "7";
    EXPECT_EQ(run([&] { return runRemove(o); }), kOk) << err;
    EXPECT_NE(out.find("Ann Lee, Pulse, entry 7: 2024/1/2 09:30:00 PM, value 70.500000"), std::string::npos) << out;
    const std::string after = data.read("user0.hma");
    EXPECT_EQ(after.find("70.500000"), std::string::npos);
    EXPECT_NE(after.find("72.000000"), std::string::npos);
}

const char* kHeader = "user_id,first_name,last_name,variable,member,datetime,value,entry_id\n";

TEST_F(DataCommands, OutputsReplaceOnlyRegularFilesAndPutOutOnlyUtf8) {
    const std::string root = data.root + "/";
    const struct {
        const char* what;
        std::function<void()> setUp;
        std::function<int()> command;
        int status;
        std::string message;  // in what the command said, on either stream
        std::function<bool()> holds;
    } cases[] = {
        {"-o onto a symbolic link",
         [&] {
             writeFile(root + "target.txt", "keep");
             ASSERT_EQ(symlink((root + "target.txt").c_str(), (root + "link.csv").c_str()), 0);
         },
         [&] { return exportCsv({"0"}, root + "link.csv"); }, kUsage, "link.csv: is a symbolic link",
         [&] { return pathKind::of(root + "link.csv") == PathKind::Link && readFile(root + "target.txt") == "keep"; }},
        {"-o onto a named pipe", [&] { ASSERT_EQ(mkfifo((root + "fifo").c_str(), 0600), 0); },
         [&] { return exportCsv({"0"}, root + "fifo"); }, kUsage, "fifo: is a named pipe",
         [&] { return pathKind::of(root + "fifo") == PathKind::Pipe; }},
        {"-o onto a folder", [&] { ASSERT_EQ(mkdir((root + "dir").c_str(), 0700), 0); },
         [&] { return exportCsv({"0"}, root + "dir"); }, kUsage, "dir: is a folder",
         [&] { return pathKind::of(root + "dir") == PathKind::Folder; }},
        {"-o - is standard output", [] {}, [&] { return exportCsv({"0"}, "-"); }, kOk, "user_id,first_name",
         [&] { return !platform::pathExists("-"); }},
        {"report -o - is standard output", [] {},
         [&] {
             ReportOptions o;
             o.user = "1";
             o.output = "-";
             return run([&] { return runReport(o); });
         },
         kOk, "<!DOCTYPE html>", [&] { return !platform::pathExists("-"); }},
        {"import - reads standard input", [] {},
         [&] {
             std::istringstream in("2024-01-06T08:00:00,64\n");
             std::streambuf* saved = std::cin.rdbuf(in.rdbuf());
             ImportOptions o;
             o.user = "1";
             o.variable = "Pulse";
             o.file = "-";
             const int status = run([&] { return runImport(o); });
             std::cin.rdbuf(saved);
             return status;
         },
         kOk, "added 1", [&] { return data.read("user1.hma").find("<value>64.000000</value>") != std::string::npos; }},
        {"export --from after --to", [] {},
         [&] {
             ExportOptions o;
             o.from = "2024-02-01";
             o.to = "2024-01-01";
             return run([&] { return runExport(o); });
         },
         kUsage, "--from 2024-02-01 is after --to 2024-01-01", [] { return true; }},
        {"a Latin-1 name in the registry",
         [&] {
             data.write("config.hma", "<config>\n" + record(0, "Jos\xe9", "Lee") + "</config>\n");
         },
         [&] { return exportCsv({"0"}); }, kOk, "config.hma:2: user 0: text that is not UTF-8",
         [&] { return Utf8Text::valid(out) && out.find("0,Jos\xEF\xBF\xBD,Lee,Pulse") != std::string::npos; }},
        {"a Latin-1 variable name in a user's file",
         [&] {
             data.write("user2.hma", userFileXml(2, "Ann", "Lee",
                                                 "\t<variable name=\"Gr\xf6\xdf" "e\">\n\t\t<entry id=\"0\"><value>5</value>"
                                                 "<date>2024/01/05</date><time>08:00:00 AM</time></entry>\n"
                                                 "\t</variable>\n"));
         },
         [&] { return exportCsv({"2"}); }, kOk, "user2.hma:14: text that is not UTF-8, written with U+FFFD",
         [&] { return Utf8Text::valid(out) && out.find("Gr\xEF\xBF\xBD\xEF\xBF\xBD" "e") != std::string::npos; }},
        {"a user's file that is a link out of the folder is read, and said",
         [&] {
             writeFile(root + "outside.hma", userFileXml(1, "Bob", "Roe", kPulse));
             ::remove(data.path("user1.hma").c_str());
             ASSERT_EQ(symlink((root + "outside.hma").c_str(), data.path("user1.hma").c_str()), 0);
         },
         [&] { return exportCsv({"1"}); }, kOk, "user1.hma: is a symbolic link to " + root + "outside.hma, outside",
         [&] { return out.find("1,Bob,Roe,Pulse,,2024-01-02T21:30:00,70.500000,/min,7") != std::string::npos; }},
        {"the users table guards the file column",
         [&] {
             data.write("config.hma", "<config>\n\t<patient id=\"0\"><name><first>A</first><last>B</last></name>"
                                      "<file>=x.hma</file></patient>\n</config>\n");
         },
         [&] { return run([&] { return runUsers(UsersOptions()); }); }, kProblem, "0,A,B,'=x.hma,",
         [] { return true; }},
        {"an import refusal speaks of no button", [] {},
         [&] { return importText(std::string(kHeader) + "1,Bob,Roe,Pulse,,2024-02-30T08:00:00,71,1\n"); }, kProblem,
         "in.csv:2: The date names a day that does not exist in that month.\n",
         [&] { return err.find("Cancel") == std::string::npos && err.find("try again") == std::string::npos; }},
    };
    for (const auto& c : cases) {
        restore();
        c.setUp();
        EXPECT_EQ(c.command(), c.status) << c.what << "\n" << err;
        EXPECT_NE((out + err).find(c.message), std::string::npos) << c.what << "\n" << out.substr(0, 300) << err;
        EXPECT_TRUE(c.holds()) << c.what;
        ::remove("-");
    }
    removeTree(root + "dir");
}

// Text without end: counts what was taken of it.
class EndlessDigits : public std::streambuf {
public:
    std::size_t taken = 0;

protected:
    int_type underflow() override {
        std::fill(block_, block_ + sizeof block_, '7');
        taken += sizeof block_;
        setg(block_, block_, block_ + sizeof block_);
        return '7';
    }

private:
    char block_[4096];
};

TEST_F(DataCommands, AnOverlongCsvRecordIsRefusedBeforeTheRestIsRead) {
    EndlessDigits digits;
    std::istream in(&digits);
    ImportRequest request;
    request.user = "1";
    request.variable = "Pulse";
    request.file = "standard input";
    request.input = &in;
    ImportSummary summary;
    std::ostringstream told;
    Diagnostics tell(told, "quorvel-data: ");
    EXPECT_EQ(ReadingsImport::run(request, summary, tell), kProblem);
    EXPECT_NE(told.str().find("standard input: line 1: the record is longer than"), std::string::npos) << told.str();
    EXPECT_LT(digits.taken, std::size_t(1) << 20);
}

TEST_F(DataCommands, RowsGoOnlyToThePersonTheyName) {
    // user 3 ("=cmd" "@x") also has a variable whose name a spreadsheet would run.
    const std::string steps = "\t<variable name=\"-Steps\">\n\t</variable>\n";
    const std::string bob = "1,Bob,Roe,Pulse,,2024-02-01T08:00:00,80,0\n";
    const struct {
        const char* what;
        std::string csv;
        std::string user;
        bool otherPerson, skipBad;
        int status;
        std::string message;
        std::set<std::string> changed;
    } cases[] = {
        {"another person's rows", kHeader + bob, "0", false, false, kProblem,
         "in.csv:2: the row is for Bob Roe (id 1), not Ann Lee (id 0)", {}},
        {"another person's rows, good rows asked for", kHeader + bob, "0", false, true, kProblem, "not Ann Lee", {}},
        {"another person's rows, meant", kHeader + bob, "0", true, false, kOk, "added 1", {"user0.hma"}},
        {"a whole-folder restore", kHeader + bob + "0,Ann,Lee,Pulse,,2024-02-01T08:00:00,70,3\n", "", false, false, kOk,
         "added 2", {"user0.hma", "user1.hma"}},
        {"a restore row whose names the registry does not have", kHeader + std::string("1,Daniel,Reyes,Pulse,,2024-02-01T08:00:00,80,0\n"),
         "", false, false, kProblem, "the row is for Daniel Reyes (id 1), but the registry's id 1 is Bob Roe", {}},
        {"a restore row of an id the registry does not have", kHeader + std::string("9,Bob,Roe,Pulse,,2024-02-01T08:00:00,80,0\n"),
         "", false, false, kProblem, "the registry has no id 9", {}},
        {"guarded names read back", kHeader + std::string("3,'=cmd,'@x,'-Steps,,2024-02-01T08:00:00,5,0\n"), "3", false,
         false, kOk, "added 1", {"user3.hma"}},
        {"its own export read back", kHeader + std::string("3,'=cmd,'@x,Pulse,,2024-01-03T08:00:00,72.000000,0\n"), "3",
         false, false, kOk, "added 0, already present 1", {}},
        {"another value at a recorded time", kHeader + std::string("0,Ann,Lee,Pulse,,2024-01-03T08:00:00,75,9\n"), "0",
         false, false, kProblem, "in.csv:2: a reading at that time with another value exists", {}},
        {"the same value at a recorded time", kHeader + std::string("0,Ann,Lee,Pulse,,2024-01-03T08:00:00,72,9\n"), "0",
         false, false, kOk, "already present 1", {}},
        {"two values at one new time", kHeader + std::string("0,Ann,Lee,Pulse,,2024-02-03T08:00:00,72,9\n") +
                                           "0,Ann,Lee,Pulse,,2024-02-03T08:00:00,73,10\n",
         "0", false, false, kProblem, "in.csv:3: a reading at that time with another value exists", {}},
        {"plain rows without a user", "2024-01-06T08:00:00,72\n", "", false, false, kUsage, "need --user", {}},
    };
    for (const auto& c : cases) {
        restore();
        data.write("user3.hma", userFileXml(3, "=cmd", "@x", std::string(kPulse) + steps));
        const std::vector<std::string> before = userFiles();
        writeFile(data.root + "/in.csv", c.csv);
        ImportOptions o;
        o.user = c.user;
        o.variable = c.csv.rfind("user_id", 0) == 0 ? "" : "Pulse";
        o.otherPerson = c.otherPerson;
        o.skipBad = c.skipBad;
        o.file = data.root + "/in.csv";
        EXPECT_EQ(run([&] { return runImport(o); }), c.status) << c.what << "\n" << err;
        EXPECT_NE((out + err).find(c.message), std::string::npos) << c.what << "\n" << out << err;
        EXPECT_EQ(changedSince(before), c.changed) << c.what;
    }
}

TEST_F(DataCommands, CheckFindsWhatIsWrongAndOnlyThat) {
    const std::string base = record(0, "Ann", "Lee") + record(1, "Bob", "Roe") + record(2, "Ann", "Lee") +
                             record(3, "=cmd", "@x");
    auto registryWith = [&](const std::string& first, const std::string& file) {
        return [&, first, file] {
            data.write("config.hma", "<config>\n" + base + "\t<patient id=\"5\"><name><first>" + first +
                                         "</first><last>X</last></name><file>" + file + "</file></patient>\n</config>\n");
            if (!data.exists("user5.hma")) data.write("user5.hma", userFileXml(5, first, "X", ""));
        };
    };
    auto pulseEntry = [](const char* id, const char* value, const char* date) {
        return std::string("<entry id=\"") + id + "\"><value>" + value + "</value><date>" + date +
               "</date><time>08:00:00 AM</time></entry>";
    };
    const struct {
        const char* what;
        std::function<void()> setUp;
        int status;
        std::string present;  // a finding; empty: none expected
        std::string absent;
        bool refusesWrites;   // import and remove refuse user 5
    } cases[] = {
        {"entries out of time order", [] {}, kOk, "no problems found", "out of time order", false},
        {"the file of a removed user, and an older one",
         [&] {
             data.write("user9.hma", userFileXml(9, "Gone", "Person", ""));
             data.write("user9.hma.old", userFileXml(9, "Older", "Person", ""));
         },
         kOk, "user9.hma: user file that no registry record names", "problem(s)", false},
        {"two readings at one time that disagree",
         [&] {
             data.write("user1.hma", userFileXml(1, "Bob", "Roe",
                                                 "<variable name=\"Pulse\">" + pulseEntry("0", "72", "2024/01/03") +
                                                     pulseEntry("1", "75.000000", "2024/1/3") + "</variable>"));
         },
         kProblem, "variable Pulse: entry 1: another reading at the same time (entry 0) has another value", "", false},
        {"two readings at one time that agree",
         [&] {
             data.write("user1.hma", userFileXml(1, "Bob", "Roe",
                                                 "<variable name=\"Pulse\">" + pulseEntry("0", "72", "2024/01/03") +
                                                     pulseEntry("1", "72.000000", "2024/1/3") + "</variable>"));
         },
         kOk, "no problems found", "another reading", false},
        {"a record whose file is the registry", registryWith("Reg", "config.hma"), kProblem,
         "config.hma:30: user 5: its data file config.hma is one of the program's own files", "", true},
        {"a record whose file is the template", registryWith("Tem", "template_new.xml"), kProblem,
         "user 5: its data file template_new.xml is one of the program's own files", "", true},
        {"a record whose file is the help text", registryWith("Help", "readme.txt"), kProblem,
         "user 5: its data file readme.txt is one of the program's own files", "", true},
        {"a record whose file is another's", registryWith("Dup", "user1.hma"), kProblem,
         "user 5: its data file user1.hma is also the file of user 1", "", true},
        {"a record whose file is a symbolic link",
         [&] {
             registryWith("Link", "user5.hma")();
             writeFile(data.root + "/outside.hma", userFileXml(5, "Link", "X", ""));
             ::remove(data.path("user5.hma").c_str());
             ASSERT_EQ(symlink((data.root + "/outside.hma").c_str(), data.path("user5.hma").c_str()), 0);
         },
         kProblem, "user 5: its data file user5.hma is a symbolic link (to ", "", true},
        {"text that is not UTF-8 in a user's file",
         [&] { data.write("user2.hma", userFileXml(2, "Ann", "Lee", "\t<variable name=\"Caf\xe9\">\n\t</variable>\n")); },
         kProblem, "user2.hma:14: text that is not UTF-8", "", false},
        {"a name that is not UTF-8 in the registry", registryWith("Jos\xe9", "user5.hma"), kProblem,
         "config.hma:30: user 5: its name or file holds text that is not UTF-8", "", false},
    };
    for (const auto& c : cases) {
        restore();
        c.setUp();
        CheckOptions o;
        EXPECT_EQ(run([&] { return runCheck(o); }), c.status) << c.what << "\n" << out;
        EXPECT_NE(out.find(c.present), std::string::npos) << c.what << "\n" << out;
        if (!c.absent.empty()) {
            EXPECT_EQ(out.find(c.absent), std::string::npos) << c.what << "\n" << out;
        }
        if (!c.refusesWrites) continue;
        const std::string config = data.read("config.hma"), outside = readFile(data.root + "/outside.hma");
        EXPECT_EQ(importText("2024-01-06T08:00:00,72\n", "5", "Pulse"), kProblem) << c.what;
        EXPECT_NE(err.find("; nothing written"), std::string::npos) << c.what << "\n" << err;
        RemoveOptions r;
        r.user = "5";
        r.variable = "Pulse";
        r.entry = "0";
        r.yes = true;
        EXPECT_EQ(run([&] { return runRemove(r); }), kProblem) << c.what;
        EXPECT_NE(err.find("its data file"), std::string::npos) << c.what << "\n" << err;
        EXPECT_EQ(data.read("config.hma"), config) << c.what;
        EXPECT_EQ(readFile(data.root + "/outside.hma"), outside) << c.what;
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_UNDER_SANITIZER 1
#endif
#endif

TEST_F(DataCommands, NoCommandHoldsMoreThanAboutThreeTimesItsLargestFile) {
#ifdef QUORVEL_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#else
    // A registry that holds a 32 MiB name: each command runs in a child
    // whose address space may grow by four times that, no more.
    const std::size_t size = 32u << 20;
    data.write("config.hma", "<config>\n" + record(0, std::string(size, 'N'), "Lee") + "</config>\n");
    const struct {
        const char* what;
        std::function<int()> command;
    } cases[] = {
        {"users", [] { return runUsers(UsersOptions()); }},
        {"users --json", [] { UsersOptions o; o.json = true; return runUsers(o); }},
        {"export", [] { return runExport(ExportOptions()); }},
        {"export --format json", [] { ExportOptions o; o.format = "json"; return runExport(o); }},
        {"export --format fhir", [] { ExportOptions o; o.format = "fhir"; return runExport(o); }},
        {"check", [] { return runCheck(CheckOptions()); }},
    };
    for (const auto& c : cases) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(4);
            long pages = 0;
            std::FILE* statm = std::fopen("/proc/self/statm", "r");
            if (!statm || std::fscanf(statm, "%ld", &pages) != 1) _exit(4);
            std::fclose(statm);
            const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 4 * size;
            const rlimit bound{limit, limit};
            if (setrlimit(RLIMIT_AS, &bound) != 0) _exit(4);
            try {
                c.command();
            } catch (const std::bad_alloc&) {
                _exit(3);
            }
            _exit(0);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.what << ": status " << status;
    }
#endif
}

}  // namespace

// Readings exported in °C, mmol/L and kg, and imported into a folder set to
// the files' own units, are the very readings that were exported; a unit the
// import does not know is refused by name.
TEST_F(DataCommands, ReadingsExportedInMetricUnitsImportUnchangedIntoAFolderSetToUsUnits) {
    auto entry = [](int id, const char* values, const char* date) {
        return "\t\t<entry id=\"" + std::to_string(id) + "\">" + values + "<date>" + date +
               "</date><time>08:00:00 AM</time></entry>\n";
    };
    auto variables = [&](bool withEntries) {
        std::string v = "\t<variable name=\"Temperature\">\n";
        if (withEntries)
            v += entry(0, "<value>101.300000</value>", "2024/01/02") + entry(1, "<value>98.123457</value>", "2024/01/03");
        v += "\t</variable>\n\t<variable name=\"Blood Sugar\">\n";
        if (withEntries)
            v += entry(0, "<fasting>109.897600</fasting><postprandial>100.000000</postprandial>", "2024/01/02");
        v += "\t</variable>\n\t<variable name=\"Weight\">\n";
        if (withEntries) v += entry(0, "<value>154.300000</value>", "2024/01/02");
        return v + "\t</variable>\n";
    };
    data.write("user2.hma", userFileXml(2, "Ann", "Lee", variables(true)));
    ASSERT_EQ(exportCsv({"2"}), kOk) << err;
    const std::string inFileUnits = out;

    Units::Preferences metric;
    metric.temperature = Units::Temperature::Celsius;
    metric.mass = Units::Mass::Kilogram;
    metric.sugar = Units::Sugar::MillimolesPerLitre;
    units = metric;
    ASSERT_EQ(exportCsv({"2"}), kOk) << err;
    const std::string csv = out;
    EXPECT_NE(csv.find("Temperature,,2024-01-02T08:00:00,38.5,Cel,0"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Blood Sugar,fasting,2024-01-02T08:00:00,6.1,mmol/L,0"), std::string::npos) << csv;

    units = Units::Preferences();
    data.write("user2.hma", userFileXml(2, "Ann", "Lee", variables(false)));
    ASSERT_EQ(importText(csv, "2"), kOk) << err;
    ASSERT_EQ(exportCsv({"2"}), kOk) << err;
    EXPECT_EQ(out, inFileUnits);

    data.write("user2.hma", userFileXml(2, "Ann", "Lee", variables(false)));
    std::string unknown = csv;
    unknown.replace(unknown.find(",Cel,"), 5, ",degC,");
    EXPECT_EQ(importText(unknown, "2"), kProblem);
    EXPECT_NE(err.find("unknown unit \"degC\" for Temperature"), std::string::npos) << err;
}
