// quorvel-data merge and check on the conflict copies sync tools leave: two
// computers that each added a person under one id, both people's readings
// kept, copies kept as .old, differences listed before anything is written.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "cli/Commands.h"

using namespace cli;

namespace {

std::string record(int id, const std::string& first) {
    const std::string n = std::to_string(id);
    return "\t<patient id=\"" + n + "\">\n\t\t<name>\n\t\t\t<first>" + first +
           "</first>\n\t\t\t<last>L</last>\n\t\t</name>\n\t\t<file>user" + n + ".hma</file>\n\t</patient>\n";
}

std::string pulse(const std::string& entries) {
    return "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n" + entries + "\t</variable>\n";
}

std::string entry(int id, const std::string& value, const std::string& time) {
    return "\t\t<entry id=\"" + std::to_string(id) + "\"><value>" + value + "</value><date>2026/12/08</date><time>" +
           time + "</time></entry>\n";
}

template <class F>
int quietly(F command, std::string& out) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = command();
    out = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    return status;
}

const char* kSyncthing = "user1.sync-conflict-20261208-101010-ABCDEFG.hma";
const char* kNextcloud = "config (conflicted copy 2026-12-08 101010).hma";
const char* kDropbox = "user0 (Ann's conflicted copy 2026-12-08).hma";

}  // namespace

TEST(MergeCommand, TwoComputersThatEachAddedAPersonKeepBothPeopleAndEveryReading) {
    TestDataFolder data;
    data.write("config.hma", "<config>\n" + record(0, "Ann") + record(1, "Bob") + "</config>\n");
    data.write(kNextcloud, "<config>\n" + record(0, "Ann") + record(1, "Cy") + "</config>\n");
    data.write("user0.hma", userFileXml(0, "Ann", "L", pulse(entry(0, "70", "08:00:00 AM") + entry(1, "71", "09:00:00 AM"))));
    data.write(kDropbox, userFileXml(0, "Ann", "L", pulse(entry(0, "70", "08:00:00 AM") + entry(1, "72", "10:00:00 AM"))));
    // Cy's file won the sync: Bob's is the copy.
    data.write("user1.hma", userFileXml(1, "Cy", "L", pulse(entry(0, "60", "08:00:00 AM"))));
    data.write(kSyncthing, userFileXml(1, "Bob", "L", pulse(entry(0, "50", "08:00:00 AM"))));
    std::string out;
    CheckOptions check;
    check.dataDir = data.folder;
    ASSERT_EQ(quietly([&] { return runCheck(check); }, out), kProblem);
    for (const std::string& line : {std::string(kSyncthing) + ": conflict copy of user1.hma left by Syncthing",
                                   std::string(kNextcloud) + ": conflict copy of config.hma left by Nextcloud",
                                   std::string(kDropbox) + ": conflict copy of user0.hma left by Dropbox"})
        EXPECT_NE(out.find(line), std::string::npos) << out;

    MergeOptions merge;
    merge.dataDir = data.folder;
    ASSERT_EQ(quietly([&] { return runMerge(merge); }, out), kOk) << out;
    EXPECT_EQ(data.read("config.hma").find("<first>Bob</first>") < data.read("config.hma").find("<first>Cy</first>"),
              true);
    EXPECT_NE(data.read("config.hma").find("<file>user2.hma</file>"), std::string::npos);
    EXPECT_NE(data.read("user1.hma").find("<first>Bob</first>"), std::string::npos);
    EXPECT_NE(data.read("user1.hma").find("<value>50</value>"), std::string::npos);
    EXPECT_NE(data.read("user2.hma").find("<patient id=\"2\">"), std::string::npos);
    EXPECT_NE(data.read("user2.hma").find("<value>60</value>"), std::string::npos);
    for (const char* value : {"<value>70</value>", "<value>71</value>", "<value>72</value>"})
        EXPECT_NE(data.read("user0.hma").find(value), std::string::npos) << value;
    for (const char* copy : {kSyncthing, kNextcloud, kDropbox}) {
        EXPECT_FALSE(data.exists(copy)) << copy;
        EXPECT_TRUE(data.exists(std::string(copy) + ".old")) << copy;
    }
    ASSERT_EQ(quietly([&] { return runCheck(check); }, out), kOk) << out;
}

TEST(MergeCommand, AReadingThatDiffersIsListedAndNothingWrittenUntilASideIsChosen) {
    for (const char* side : {"", "file", "copy"}) {
        const std::string keep = side;
        SCOPED_TRACE(keep);
        TestDataFolder data;
        data.write("config.hma", "<config>\n" + record(0, "Ann") + "</config>\n");
        const std::string file = userFileXml(0, "Ann", "L", pulse(entry(0, "70", "08:00:00 AM")));
        data.write("user0.hma", file);
        data.write(kDropbox, userFileXml(0, "Ann", "L", pulse(entry(0, "75", "08:00:00 AM"))));
        MergeOptions merge;
        merge.dataDir = data.folder;
        merge.keep = keep;
        std::string out;
        EXPECT_EQ(quietly([&] { return runMerge(merge); }, out), keep.empty() ? kProblem : kOk) << out;
        if (keep.empty()) {
            EXPECT_NE(out.find("Pulse reading at 2026/12/08 08:00:00 AM: the file has 70 at"), std::string::npos)
                << out;
            EXPECT_EQ(data.read("user0.hma"), file);
            EXPECT_TRUE(data.exists(kDropbox));
        } else {
            EXPECT_NE(data.read("user0.hma").find(keep == "file" ? "<value>70<" : "<value>75<"), std::string::npos);
            EXPECT_TRUE(data.exists(std::string(kDropbox) + ".old"));
        }
    }
}

TEST(MergeCommand, ACopysReadingThatATypedOneCouldNotBeIsRefusedAndTheCopyLeftUnlessTheRestIsAskedFor) {
    struct Case {
        const char* name;
        std::string bad;     // the copy's entry besides a good one at 09:00
        const char* reason;  // what the command says of it
    } cases[] = {
        {"not a number", entry(5, "abc", "10:00:00 AM"), "Pulse reading 5 at 2026/12/08 10:00:00 AM: "},
        {"negative", entry(5, "-3", "10:00:00 AM"), "Pulse reading 5 at"},
        {"implausible", entry(5, "720", "10:00:00 AM"), "Pulse 720 /min is outside what can be measured on a person"},
        {"time unreadable", entry(5, "70", "ten"), "Pulse reading 5 at 2026/12/08 ten: "},
        {"after tomorrow",
         "\t\t<entry id=\"5\"><value>70</value><date>2999/01/01</date><time>10:00:00 AM</time></entry>\n",
         "Pulse reading 5 at 2999/01/01"},
        {"no value", "\t\t<entry id=\"5\"><date>2026/12/08</date><time>10:00:00 AM</time></entry>\n",
         "Pulse reading 5 at"},
        {"not a member",
         "\t\t<entry id=\"5\"><systolic>120</systolic><date>2026/12/08</date><time>10:00:00 AM</time></entry>\n",
         "\"systolic\" is not a member of Pulse"},
        {"a note too long",
         "\t\t<entry id=\"5\"><value>70</value><date>2026/12/08</date><time>10:00:00 AM</time><note>" +
             std::string(201, 'n') + "</note></entry>\n",
         "Pulse reading 5 at 2026/12/08 10:00:00 AM: "},
        {"an arm on a pulse",
         "\t\t<entry id=\"5\"><value>70</value><date>2026/12/08</date><time>10:00:00 AM</time><arm>left</arm></entry>\n",
         "Pulse reading 5 at 2026/12/08 10:00:00 AM: "},
    };
    for (const Case& c : cases) {
        for (const bool skipBad : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (skipBad ? ", --skip-bad" : ""));
            TestDataFolder data;
            data.write("config.hma", "<config>\n" + record(0, "Ann") + "</config>\n");
            const std::string file = userFileXml(0, "Ann", "L", pulse(entry(0, "70", "08:00:00 AM")));
            data.write("user0.hma", file);
            data.write(kDropbox, userFileXml(0, "Ann", "L", pulse(entry(4, "66", "09:00:00 AM") + c.bad)));
            MergeOptions merge;
            merge.dataDir = data.folder;
            merge.skipBad = skipBad;
            std::string out;
            EXPECT_EQ(quietly([&] { return runMerge(merge); }, out), kProblem) << out;
            EXPECT_NE(out.find(std::string(kDropbox) + ": "), std::string::npos) << out;
            EXPECT_NE(out.find(c.reason), std::string::npos) << out;
            if (!skipBad) {
                EXPECT_EQ(data.read("user0.hma"), file);
                EXPECT_TRUE(data.exists(kDropbox));
                EXPECT_NE(out.find("nothing was written"), std::string::npos) << out;
            } else {
                // The good reading comes in; the refused one stays in the copy kept as .old.
                EXPECT_NE(data.read("user0.hma").find("<value>66</value>"), std::string::npos);
                EXPECT_EQ(data.read("user0.hma").find("10:00:00 AM"), std::string::npos);
                EXPECT_EQ(data.read("user0.hma").find("ten<"), std::string::npos);
                EXPECT_NE(data.read(std::string(kDropbox) + ".old").find("<entry id=\"5\">"), std::string::npos);
                EXPECT_NE(out.find("1 refused (still in the copies kept as .old)"), std::string::npos) << out;
            }
        }
    }
}

// What was said about a reading comes in with it.
TEST(MergeCommand, ACopysReadingWithANoteComesInWithIt) {
    TestDataFolder data;
    data.write("config.hma", "<config>\n" + record(0, "Ann") + "</config>\n");
    data.write("user0.hma", userFileXml(0, "Ann", "L", pulse(entry(0, "70", "08:00:00 AM"))));
    data.write(kDropbox, userFileXml(0, "Ann", "L",
                                     pulse("\t\t<entry id=\"4\"><value>66</value><date>2026/12/08</date>"
                                           "<time>09:00:00 AM</time><note>after the walk</note></entry>\n")));
    MergeOptions merge;
    merge.dataDir = data.folder;
    std::string out;
    EXPECT_EQ(quietly([&] { return runMerge(merge); }, out), kOk) << out;
    EXPECT_NE(data.read("user0.hma").find("<note>after the walk</note>"), std::string::npos) << data.read("user0.hma");
}
