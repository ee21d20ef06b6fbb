// quorvel-data's commands on a throw-away data folder: finding users, the
// export read back, imports stored as the entry window stores entries, bad
// input that writes nothing, the findings of check, and remove.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/DataFolder.h"
#include "platform/Platform.h"

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

    int importText(const std::string& csv, const std::string& user = "1", const std::string& variable = "",
                   bool skipBad = false) {
        writeFile(data.root + "/in.csv", csv);
        ImportOptions o;
        o.user = user;
        o.variable = variable;
        o.skipBad = skipBad;
        o.file = data.root + "/in.csv";
        return run([&] { return runImport(o); });
    }

    int exportCsv(const std::vector<std::string>& users, const std::string& output = "") {
        ExportOptions o;
        o.users = users;
        o.output = output;
        return run([&] { return runExport(o); });
    }

    TestDataFolder data;
    std::string out, err;
};

TEST_F(DataCommands, UsersAreFoundByIdOrByANameThatIsNotAmbiguous) {
    DataFolder folder;
    std::string error;
    ASSERT_TRUE(folder.open("", error)) << error;
    EXPECT_EQ(folder.path(), data.folder);
    UserRecord r;
    ASSERT_EQ(folder.findUser("1", r, error), 1);
    EXPECT_EQ(r.file, "user1.hma");
    ASSERT_EQ(folder.findUser("Bob Roe", r, error), 1);
    EXPECT_EQ(r.id, "1");
    EXPECT_EQ(r.line, 9);
    EXPECT_EQ(folder.findUser("Ann Lee", r, error), -1);
    EXPECT_NE(error.find("ids: 0 2"), std::string::npos) << error;
    EXPECT_EQ(folder.findUser("Nobody", r, error), 0);
    EXPECT_NE(error.find("config.hma"), std::string::npos);
}

TEST_F(DataCommands, ExportWritesEveryValueInTimeOrderWithNamesGuarded) {
    ASSERT_EQ(exportCsv({"0", "3"}), kOk) << err;
    const std::string expected =
        "user_id,first_name,last_name,variable,member,datetime,value,entry_id\r\n"
        "0,Ann,Lee,Blood Pressure,systolic,2024-01-02T10:00:00,120.000000,0\r\n"
        "0,Ann,Lee,Blood Pressure,diastolic,2024-01-02T10:00:00,80.000000,0\r\n"
        "0,Ann,Lee,Pulse,,2024-01-02T21:30:00,70.500000,7\r\n"
        "3,'=cmd,'@x,Pulse,,2024-01-02T21:30:00,70.500000,7\r\n"
        "0,Ann,Lee,Pulse,,2024-01-03T08:00:00,72.000000,0\r\n"
        "3,'=cmd,'@x,Pulse,,2024-01-03T08:00:00,72.000000,0\r\n";
    EXPECT_EQ(out, expected);
    ASSERT_EQ(exportCsv({"0", "3"}, data.root + "/out.csv"), kOk) << err;
    EXPECT_EQ(readFile(data.root + "/out.csv"), expected);
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
    std::string rows = "user_id,first_name,last_name,variable,member,datetime,value,entry_id\r\n";
    for (const auto& e : expected) {
        char row[96];
        std::snprintf(row, sizeof row, "2,Ann,Lee,Pulse,,2024-02-03T%02d:%02d:00,%d.000000,%d\r\n", e.first / 60,
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
    const std::string good = "0,Ann,Lee,Pulse,,2024-01-05T08:00:00,71,0\n";
    const struct {
        std::string csv;
        std::string variable;
        std::string user;
        int status;
        std::string error;
    } cases[] = {
        {header + good + "0,Ann,\"Lee,Pulse\n", "", "1", kProblem, "line 3: a quoted field is not closed"},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06T08:00:00,71\n", "", "1", kProblem, ":3: expected 8 columns, found 7"},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06T08:00:00,7\xff,1\n", "", "1", kProblem, "line 3: the text is not UTF-8"},
        {header + good + "0,Ann,Lee,Pulse,,2024-02-30T08:00:00,71,1\n", "", "1", kProblem, ":3: The date names a day that does not exist"},
        {header + good + "0,Ann,Lee,Pulse,,2024-03-31T02:30:00,71,1\n", "", "1", kProblem, ":3: Incorrect range"},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06,71,1\n", "", "1", kProblem, ":3: the datetime \"2024-01-06\""},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06T08:00:00,nan,1\n", "", "1", kProblem, ":3: The Value you entered is not a finite"},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06T08:00:00,1e999,1\n", "", "1", kProblem, ":3: The Value you entered is not a finite"},
        {header + good + "0,Ann,Lee,Pulse,,2024-01-06T08:00:00,72abc,1\n", "", "1", kProblem, ":3: The Value you entered is not a number"},
        {header + good + "0,Ann,Lee,Pulse,,2244-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: The date is after tomorrow."},
        {header + good + "0,Ann,Lee,Pulse,systolic,2024-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: \"systolic\" is not a member"},
        {header + good + "0,Ann,Lee,Glucose,,2024-01-06T08:00:00,72,1\n", "", "1", kProblem, ":3: no variable \"Glucose\""},
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
    EXPECT_EQ(importText(header + good + "0,Ann,Lee,Pulse,,2024-02-30T08:00:00,71,1\n", "1", "", true), kProblem);
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
          f + "user0.hma: variable Pulse: entry 1: entry is out of time order",
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

}  // namespace
