// The open user's file changed by another computer while the window holds
// a change: Keep Both merges the two, and the registry is merged before it
// is written.
#include <gtest/gtest.h>

#include <string>

#include "store/Global.h"
#include "TestSupport.h"

namespace {

const std::string kBase =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<entry id=\"0\">\n"
    "\t\t\t<value>72.000000</value>\n\t\t\t<date>2026/12/6</date>\n\t\t\t<time>08:05:00 AM</time>\n\t\t</entry>\n"
    "\t</variable>\n";

std::string withReading(const std::string& id, const std::string& value, const std::string& time) {
    std::string v = kBase;
    v.insert(v.find("\t</variable>"), "\t\t<entry id=\"" + id + "\">\n\t\t\t<value>" + value +
                                          "</value>\n\t\t\t<date>2026/12/8</date>\n\t\t\t<time>" + time +
                                          "</time>\n\t\t</entry>\n");
    return v;
}

// A reading typed here: appended to Pulse and marked, as the entry window does.
void typeReading(const char* id, const char* value, const char* time) {
    RapidDocument& doc = Global::userDoc.get();
    XmlNode* pulse = Global::findVariable("Pulse");
    XmlNode* e = doc.allocate_node(rapidxml::node_element, "entry");
    e->append_attribute(doc.allocate_attribute("id", id));
    e->append_node(doc.allocate_node(rapidxml::node_element, "value", value));
    e->append_node(doc.allocate_node(rapidxml::node_element, "date", "2026/12/8"));
    e->append_node(doc.allocate_node(rapidxml::node_element, "time", time));
    pulse->append_node(e);
    Global::markUserChanged();
}

}  // namespace

TEST(StoreKeepBoth, EachAnswerToAFileChangedOutsideKeepsWhatItSays) {
    struct Case {
        const char* name;
        int answer;  // Keep Both, Reload, Overwrite, Cancel
        bool saved;
        bool outsideOnDisk, hereOnDisk;
    } cases[] = {
        {"Keep Both", 0, true, true, true},
        {"Reload", 1, false, true, false},
        {"Overwrite", 2, true, false, true},
        {"Cancel", 3, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.nextChoice = c.answer;
        openTestUser(data, kBase);
        int reloads = 0;
        Global::afterReload = [&reloads] { ++reloads; };
        typeReading("1", "90.000000", "10:00:00 AM");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee", withReading("1", "80.000000", "09:00:00 AM")));
        EXPECT_EQ(static_cast<bool>(Global::saveFile("user0.hma", Global::userDoc)), c.saved);
        ASSERT_EQ(dialogs.buttons.size(), 1u);
        EXPECT_EQ(dialogs.buttons[0], (std::vector<std::string>{"Keep Both", "Reload", "Overwrite", "&Cancel"}));
        const std::string disk = data.read("user0.hma");
        EXPECT_EQ(disk.find("<value>80.000000</value>") != std::string::npos, c.outsideOnDisk);
        EXPECT_EQ(disk.find("<value>90.000000</value>") != std::string::npos, c.hereOnDisk);
        if (c.answer == 0) {
            // The reading typed here took the next free id; the window is
            // brought up to date and the next save asks nothing.
            EXPECT_NE(disk.find("<entry id=\"2\">\n\t\t\t<value>90.000000"), std::string::npos);
            EXPECT_EQ(reloads, 1);
            EXPECT_FALSE(Global::userUnsaved);
            EXPECT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
            EXPECT_EQ(dialogs.buttons.size(), 1u);
        }
    }
}

TEST(StoreKeepBoth, ARemovalHereAndAnAdditionThereBothHold) {
    TestDataFolder data;
    DialogRecorder dialogs;
    dialogs.nextChoice = 0;
    openTestUser(data, kBase);
    XmlNode* pulse = Global::findVariable("Pulse");
    pulse->remove_node(pulse->first_node("entry"));
    Global::markUserChanged();
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", withReading("1", "80.000000", "09:00:00 AM")));
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    const std::string disk = data.read("user0.hma");
    EXPECT_EQ(disk.find("72.000000"), std::string::npos);
    EXPECT_NE(disk.find("80.000000"), std::string::npos);
}

TEST(StoreKeepBoth, TheSameReadingChangedDifferentlyIsAskedAndTheAnswerKept) {
    for (int pick : {0, 1}) {
        SCOPED_TRACE(pick);
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.choices = {0, pick};  // Keep Both, then the file's (0) or this one (1)
        openTestUser(data, kBase);
        XmlNode* value = Global::findVariable("Pulse")->first_node("entry")->first_node("value");
        value->value("75.000000");
        Global::markUserChanged();
        std::string outside = kBase;
        outside.replace(outside.find("72.000000"), 9, "74.000000");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee", outside));
        ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
        ASSERT_EQ(dialogs.questions.size(), 2u);
        EXPECT_NE(dialogs.questions[1].find("in the file: 74.000000"), std::string::npos);
        EXPECT_NE(dialogs.questions[1].find("here: 75.000000"), std::string::npos);
        EXPECT_NE(data.read("user0.hma").find(pick ? "75.000000" : "74.000000"), std::string::npos);
    }
}

TEST(StoreKeepBoth, TheRegistryIsMergedWithAPersonAddedOutsideBeforeItIsWritten) {
    TestDataFolder data;
    DialogRecorder dialogs;
    const auto rec = [](const char* id, const char* first) {
        return std::string("\t<patient id=\"") + id + "\">\n\t\t<name>\n\t\t\t<first>" + first +
               "</first>\n\t\t\t<last>L</last>\n\t\t</name>\n\t\t<file>user" + id + ".hma</file>\n\t</patient>\n";
    };
    data.write("config.hma", "<config>\n" + rec("0", "Ann") + "</config>\n");
    ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    // A rename here while the other computer's new person arrives.
    XmlNode* first = Global::findNodeWithId("0")->first_node("name")->first_node("first");
    first->value("Anne");
    data.write("config.hma", "<config>\n" + rec("0", "Ann") + rec("1", "Bob") + "</config>\n");
    ASSERT_TRUE(Global::saveFile("config.hma", Global::configDoc));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(data.read("config.hma"), "<config>\n" + rec("0", "Anne") + rec("1", "Bob") + "</config>\n\n");
}

// Several differences are asked one by one, in the order of the file and
// numbered, and each answer is kept for its own difference.
TEST(StoreKeepBoth, EachDifferenceIsAskedInTurnAndEachAnswerKeptForItsOwn) {
    TestDataFolder data;
    DialogRecorder dialogs;
    // Keep Both; then the name: the file's; the range: this one; the reading: the file's.
    dialogs.choices = {0, 0, 1, 0};
    openTestUser(data, kBase);
    XmlNode* patient = Global::userDoc->first_node("patient");
    patient->first_node("info")->first_node("name")->first_node("first")->value("Anne");
    Global::findVariable("Pulse")->first_node("normalLow")->value("55");
    Global::findVariable("Pulse")->first_node("entry")->first_node("value")->value("75.000000");
    Global::markUserChanged();
    std::string outside = kBase;
    outside.replace(outside.find("72.000000"), 9, "74.000000");
    outside.replace(outside.find(">60<"), 4, ">58<");
    data.write("user0.hma", userFileXml(0, "Annie", "Lee", outside));
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    ASSERT_EQ(dialogs.questions.size(), 4u);
    const char* asked[] = {"information: first name (1 of 3)", "Pulse normalLow (2 of 3)", "(3 of 3)"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(dialogs.questions[i + 1].find(asked[i]), std::string::npos) << dialogs.questions[i + 1];
        EXPECT_EQ(dialogs.buttons[i + 1], (std::vector<std::string>{"The file's", "This one", ""}));
    }
    const std::string disk = data.read("user0.hma");
    EXPECT_NE(disk.find("<first>Annie</first>"), std::string::npos);
    EXPECT_NE(disk.find("<normalLow>55</normalLow>"), std::string::npos);
    EXPECT_NE(disk.find("<value>74.000000</value>"), std::string::npos);
    EXPECT_EQ(disk.find("75.000000"), std::string::npos);
}
