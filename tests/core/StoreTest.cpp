// The data store: ids, look-ups, removal, new users, loading (missing,
// malformed and unsafe files), saving, null-safe readers and memory reuse.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/Global.h"
#include "store/XmlFile.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ASAN 1
#endif
#endif
#ifdef QUORVEL_ASAN
// Bytes currently allocated through the sanitizer's allocator.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

std::string registry(const std::vector<std::string>& ids) {
    std::string s = "<config>\n";
    for (const std::string& id : ids)
        s += "\t<patient id=\"" + id + "\">\n\t\t<name>\n\t\t\t<first>F" + id + "</first>\n\t\t\t<last>L" + id +
             "</last>\n\t\t</name>\n\t\t<file>user" + id + ".hma</file>\n\t</patient>\n";
    return s + "</config>\n";
}

// Loads the given registry text as config.hma.
void loadRegistry(TestDataFolder& data, const std::string& text) {
    data.write("config.hma", text);
    ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
}

std::vector<std::string> recordIds() {
    std::vector<std::string> ids;
    XmlNode* config = Global::configDoc->first_node("config");
    for (XmlNode* p = config ? config->first_node("patient") : nullptr; p; p = p->next_sibling("patient"))
        ids.push_back(Global::attributeText(p, "id"));
    return ids;
}

std::size_t count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

std::size_t bytesInUse() {
#ifdef QUORVEL_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

const std::string kPulse =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
    "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n\t\t<entry id=\"0\">\n"
    "\t\t\t<value>72.000000</value>\n\t\t\t<date>2026/12/6</date>\n\t\t\t<time>8:05:00 AM</time>\n\t\t</entry>\n"
    "\t</variable>\n";

}  // namespace

// ---------------------------------------------------------------- ids

TEST(StoreIds, FirstGapAfterTheFirstRecord) {
    TestDataFolder data;
    DialogRecorder dialogs;
    struct Case {
        std::vector<std::string> ids;
        int expected;
        const char* before;  // id of the record the new one goes before, or null
    };
    const std::vector<Case> cases = {
        {{}, 0, nullptr},           {{"0", "1", "2"}, 3, nullptr}, {{"0", "1", "3"}, 2, "3"},
        {{"5"}, 6, nullptr},        {{"4"}, 5, nullptr},           {{"0", "2"}, 1, "2"},
        {{"3", "4"}, 5, nullptr},   {{"0", "5", "6"}, 1, "5"},     {{"abc", "1"}, 2, nullptr},
        {{"2147483646"}, 2147483647, nullptr},
    };
    for (const Case& c : cases) {
        loadRegistry(data, registry(c.ids));
        XmlNode* before = reinterpret_cast<XmlNode*>(&data);  // must be overwritten
        EXPECT_EQ(Global::getNewId(&before), c.expected) << testing::PrintToString(c.ids);
        if (c.before) {
            ASSERT_NE(before, nullptr);
            EXPECT_STREQ(Global::attributeText(before, "id"), c.before);
        } else {
            EXPECT_EQ(before, nullptr);
        }
        EXPECT_EQ(Global::getNewId(nullptr), c.expected) << "the out value is optional";
    }
}

TEST(StoreIds, NewRecordsFillGapsInOrder) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"0", "2"}));
    ASSERT_TRUE(Global::addNewToConfig("New", "One"));
    EXPECT_EQ(Global::currentId, "1");
    EXPECT_EQ(Global::currentFile, "user1.hma");
    ASSERT_TRUE(Global::addNewToConfig("New", "Three"));
    EXPECT_EQ(Global::currentId, "3");
    EXPECT_EQ(recordIds(), (std::vector<std::string>{"0", "1", "2", "3"}));
    // The saved registry holds the same order and the full new record.
    const std::string onDisk = data.read("config.hma");
    EXPECT_LT(onDisk.find("id=\"0\""), onDisk.find("id=\"1\""));
    EXPECT_LT(onDisk.find("id=\"1\""), onDisk.find("id=\"2\""));
    EXPECT_NE(onDisk.find("\t<patient id=\"1\">\n\t\t<name>\n\t\t\t<first>New</first>\n\t\t\t<last>One</last>\n"
                          "\t\t</name>\n\t\t<file>user1.hma</file>\n\t</patient>\n"),
              std::string::npos)
        << onDisk;
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST(StoreIds, RegistryWithIdsZeroOneThreeGetsTwoBetweenOneAndThree) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"0", "1", "3"}));
    ASSERT_TRUE(Global::addNewToConfig("Two", "Between"));
    EXPECT_EQ(recordIds(), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(Global::currentFile, "user2.hma");
}

TEST(StoreIds, NoIdLeftAfterTheLargestIntIsRefused) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"2147483647"}));
    const std::string before = data.read("config.hma");
    EXPECT_EQ(Global::getNewId(nullptr), -1);
    Global::currentFile = "user7.hma";
    EXPECT_FALSE(Global::addNewToConfig("No", "Room"));
    EXPECT_EQ(Global::currentFile, "user7.hma");
    EXPECT_EQ(recordIds(), (std::vector<std::string>{"2147483647"}));
    EXPECT_EQ(data.read("config.hma"), before);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    // Nor is a new user's document made: the open state stays as it was.
    EXPECT_FALSE(Global::createNew());
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(Global::userDoc->first_node(), nullptr);
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    // Ids beyond int are read as the largest int, not as garbage.
    loadRegistry(data, registry({"0", "99999999999999999999"}));
    EXPECT_EQ(Global::getNewId(nullptr), 1);
}

TEST(StoreIds, RegistryWithoutRootOrIdsDoesNotCrash) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, "<other/>");
    EXPECT_EQ(Global::getNewId(nullptr), 0);
    EXPECT_EQ(Global::findNodeWithId("0"), nullptr);
    ASSERT_TRUE(Global::addNewToConfig("A", "B"));
    EXPECT_EQ(recordIds(), std::vector<std::string>{"0"});

    // Records lacking id, name or file.
    loadRegistry(data, "<config><patient/><patient id=\"4\"/><patient><file/></patient></config>");
    EXPECT_EQ(Global::getNewId(nullptr), 1);
    EXPECT_NE(Global::findNodeWithId("4"), nullptr);
    Global::currentFile = "user4.hma";
    EXPECT_EQ(Global::removeCurrentUser().error().kind, Error::Kind::NotFound);
}

// ---------------------------------------------------------------- look-ups

TEST(StoreLookup, FindNodeWithIdComparesTheTextExactly) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"01", "2", "10"}));
    EXPECT_EQ(Global::findNodeWithId("1"), nullptr);
    ASSERT_NE(Global::findNodeWithId("01"), nullptr);
    EXPECT_STREQ(Global::childText(Global::findNodeWithId("01"), "file"), "user01.hma");
    EXPECT_STREQ(Global::childText(Global::findNodeWithId("10"), "file"), "user10.hma");
    EXPECT_EQ(Global::findNodeWithId("2 "), nullptr);
    EXPECT_EQ(Global::findNodeWithId(""), nullptr);
    EXPECT_EQ(Global::findNodeWithId(nullptr), nullptr);
    loadRegistry(data, "<config/>");
    EXPECT_EQ(Global::findNodeWithId("0"), nullptr);
    // Traced at level 4.
    EXPECT_NE(data.trace().find("[Global::findNodeWithId], [s_0]"), std::string::npos);
}

TEST(StoreLookup, FindVariableByExactName) {
    TestDataFolder data;
    DialogRecorder dialogs;
    EXPECT_EQ(Global::findVariable("Pulse"), nullptr) << "no user document yet";
    data.write("user0.hma", userFileXml(0, "A", "B", kPulse + "\t<variable name=\"Mood\"/>\n\t<variable/>\n"));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    ASSERT_NE(Global::findVariable("Pulse"), nullptr);
    EXPECT_STREQ(Global::findVariable("Mood")->first_attribute("name")->value(), "Mood");
    EXPECT_EQ(Global::findVariable("pulse"), nullptr);
    EXPECT_EQ(Global::findVariable("Weight"), nullptr);
    EXPECT_EQ(Global::findVariable(nullptr), nullptr);
}

TEST(StoreLookup, ReadersNeverDereferenceAMissingElement) {
    EXPECT_STREQ(Global::textOf(nullptr), "");
    EXPECT_STREQ(Global::childText(nullptr, "first"), "");
    EXPECT_STREQ(Global::attributeText(nullptr, "id"), "");
    XmlDocument doc;
    XmlNode* name = doc->allocate_node(rapidxml::node_element, "name");
    doc->append_node(name);
    EXPECT_STREQ(Global::childText(name, "first"), "");
    EXPECT_STREQ(Global::attributeText(name, "id"), "");
    name->append_node(doc->allocate_node(rapidxml::node_element, "first", "Ann"));
    EXPECT_STREQ(Global::childText(name, "first"), "Ann");
    EXPECT_STREQ(Global::textOf(name->first_node()), "Ann");
}

TEST(StoreDefaults, TablesAndTheLookupOfAnUnknownName) {
    Global::defaultLow.clear();
    Global::defaultHigh.clear();
    Global::init();
    EXPECT_EQ(Global::defaultLow.size(), 7u);
    EXPECT_DOUBLE_EQ(Global::defaultLow["Pulse"], 60);
    EXPECT_DOUBLE_EQ(Global::defaultHigh["Systolic"], 139);
    EXPECT_DOUBLE_EQ(Global::defaultLow["Diastolic"], 60);
    EXPECT_DOUBLE_EQ(Global::defaultHigh["Diastolic"], 89);
    EXPECT_DOUBLE_EQ(Global::defaultLow["SpO2"], 95);
    EXPECT_DOUBLE_EQ(Global::defaultHigh["Postprandial"], 180);
    EXPECT_DOUBLE_EQ(Global::defaultHigh["Fasting"], 130);
    EXPECT_DOUBLE_EQ(Global::defaultLow["Temperature"], 96.9);
    EXPECT_DOUBLE_EQ(Global::defaultHigh["Temperature"], 99.5);
    EXPECT_DOUBLE_EQ(Global::defaultLow["Weight"], 0);
    EXPECT_EQ(Global::defaultLow.size(), 8u);
}

// ---------------------------------------------------------------- removal

TEST(StoreRemove, SecondRemovalFindsNothingAndTheDataFileStays) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"0", "1"}));
    data.write("user1.hma", userFileXml(1, "F1", "L1", ""));
    Global::currentFile = "user1.hma";
    EXPECT_TRUE(Global::removeCurrentUser());
    EXPECT_EQ(recordIds(), std::vector<std::string>{"0"});
    EXPECT_EQ(data.read("config.hma").find("user1.hma"), std::string::npos);
    EXPECT_TRUE(data.exists("user1.hma"));
    EXPECT_EQ(Global::currentFile, "user1.hma");
    const std::string trace = data.trace();
    EXPECT_EQ(count(trace, "Saved file config.hma"), 1u);
    EXPECT_NE(trace.find("Removed user: user1.hma"), std::string::npos);

    EXPECT_EQ(Global::removeCurrentUser().error().kind, Error::Kind::NotFound);
    EXPECT_EQ(count(data.trace(), "Saved file config.hma"), 1u) << "nothing saved the second time";
    EXPECT_TRUE(dialogs.alerts.empty());
}

// ---------------------------------------------------------------- new users

TEST(StoreCreateNew, WithoutConfirmationNothingIsWritten) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"0", "2"}));
    Global::currentFile = "user0.hma";
    Global::currentId = "0";
    const std::vector<std::string> files = data.files();
    const std::string config = data.read("config.hma");
    testing::internal::CaptureStdout();
    (void)Global::createNew();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "New Id is 1\n");
    EXPECT_TRUE(Global::userOpen);
    XmlNode* patient = Global::userDoc->first_node("patient");
    ASSERT_NE(patient, nullptr);
    EXPECT_STREQ(Global::attributeText(patient, "id"), "1");
    EXPECT_NE(Global::findVariable("Pulse"), nullptr);
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_EQ(data.files(), files);
    EXPECT_EQ(data.read("config.hma"), config);
    EXPECT_EQ(recordIds(), (std::vector<std::string>{"0", "2"}));
}

TEST(StoreCreateNew, ConfirmingGivesTheSameIdAndAFileNamedAfterIt) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, registry({"0", "2"}));
    (void)Global::createNew();
    ASSERT_TRUE(Global::addNewToConfig("Tom & Jerry", "<Smith>"));
    EXPECT_EQ(Global::currentId, Global::attributeText(Global::userDoc->first_node("patient"), "id"));
    ASSERT_TRUE(Global::saveFile(Global::currentFile.c_str(), Global::userDoc));
    EXPECT_TRUE(data.exists("user1.hma"));
    EXPECT_NE(data.read("config.hma").find("<first>Tom &amp; Jerry</first>"), std::string::npos);
    EXPECT_NE(data.read("config.hma").find("<last>&lt;Smith&gt;</last>"), std::string::npos);
    // And the names read back unchanged.
    ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    XmlNode* name = Global::findNodeWithId("1")->first_node("name");
    EXPECT_STREQ(Global::childText(name, "first"), "Tom & Jerry");
    EXPECT_STREQ(Global::childText(name, "last"), "<Smith>");
    // Null names are stored as empty ones.
    ASSERT_TRUE(Global::addNewToConfig(nullptr, nullptr));
    EXPECT_STREQ(Global::childText(Global::findNodeWithId("3")->first_node("name"), "first"), "");
}

TEST(StoreCreateNew, MissingOrDamagedTemplateEndsTheProgram) {
    for (const char* templ : {static_cast<const char*>(nullptr), "<patient id=\"0\"><info>", "<other/>"}) {
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.throwOnExit();
        loadRegistry(data, "<config/>");
        if (templ)
            data.write("template_new.xml", templ);
        else
            unlink(data.path("template_new.xml").c_str());
        const std::vector<std::string> files = data.files();
        testing::internal::CaptureStderr();
        int status = -1;
        try {
            (void)Global::createNew();
        } catch (const ExitCalled& e) {
            status = e.status;
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 1);
        EXPECT_NE(err.find("Unable to open file: template_new.xml\n"), std::string::npos) << err;
        ASSERT_EQ(dialogs.alerts.size(), 1u);
        EXPECT_EQ(dialogs.alerts[0], "Unable to open file: template_new.xml\nProgram will be terminated");
        EXPECT_EQ(data.trace().find("Error: Unable to open file"), std::string::npos);
        EXPECT_FALSE(Global::userOpen);
        EXPECT_EQ(data.files(), files);
    }
}

// ---------------------------------------------------------------- loading

TEST(StoreLoad, MissingFileEndsTheProgramAfterTheAlertAndTheTrace) {
    for (bool asFolder : {false, true}) {
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.throwOnExit();
        unlink(data.path("config.hma").c_str());
        if (asFolder) mkdir(data.path("config.hma").c_str(), 0700);
        std::string traceAtAlert;
        Dialogs::setAlertHandler([&](const std::string& m) {
            dialogs.alerts.push_back(m);
            traceAtAlert = data.trace();
        });
        testing::internal::CaptureStderr();
        int status = -1;
        try {
            (void)Global::loadFile(Global::configDoc, "config.hma", Global::configText);
        } catch (const ExitCalled& e) {
            status = e.status;
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, "Unable to open file: config.hma\n");
        ASSERT_EQ(dialogs.alerts.size(), 1u);
        EXPECT_EQ(dialogs.alerts[0], "Unable to open file: config.hma\nProgram will be terminated");
        // The level-1 line comes after the alert was closed.
        EXPECT_EQ(traceAtAlert.find("Error: Unable to open file: config.hma"), std::string::npos);
        EXPECT_NE(data.trace().find("Error: Unable to open file: config.hma"), std::string::npos);
        EXPECT_EQ(data.trace().find("Loaded file"), std::string::npos);
    }
}

TEST(StoreLoad, GoodFileIsTracedAndReplacesTheDocument) {
    TestDataFolder data;
    DialogRecorder dialogs;
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", kPulse));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    EXPECT_NE(data.trace().find("Loaded file user0.hma"), std::string::npos);
    ASSERT_FALSE(Global::userText.empty());
    EXPECT_EQ(Global::userText.back(), '\0');
    EXPECT_EQ(XmlFile::print(Global::userDoc), data.read("user0.hma") + "\n");
    data.write("user1.hma", userFileXml(1, "Bo", "Ma", ""));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user1.hma", Global::userText));
    EXPECT_STREQ(Global::attributeText(Global::userDoc->first_node("patient"), "id"), "1");
    EXPECT_EQ(Global::findVariable("Pulse"), nullptr);
}

TEST(StoreLoad, MalformedFilesAreRefusedAndChangeNothing) {
    std::string deep;
    for (int i = 0; i < 1000000; ++i) deep += "<a>";
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    const std::string good = userFileXml(0, "Ann", "Lee", kPulse);
    struct Case {
        const char* name;
        std::string text;
        const char* finding;
    };
    const std::vector<Case> cases = {
        {"truncated", good.substr(0, good.size() / 2), "line "},
        {"unclosed tag", "<patient id=\"0\">\n<info\n</patient>\n", "expected >"},
        {"bad entity", "<patient id=\"0\">\n\t<info>&#xZZ;</info>\n</patient>\n", "expected ;"},
        {"deep nesting", deep, "nested more than"},
        {"binary garbage", garbage, "line "},
        {"zero byte", std::string("<patient id=\"0\">\0</patient>", 27), "unexpected zero byte"},
        {"empty file", "", "no element found"},
    };
    for (const Case& c : cases) {
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.throwOnExit();
        data.write("user0.hma", good);
        ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
        const std::vector<char> textBefore = Global::userText;
        XmlNode* rootBefore = Global::userDoc->first_node("patient");
        const std::string printedBefore = XmlFile::print(Global::userDoc);

        data.write("user5.hma", c.text);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Global::loadFile(Global::userDoc, "user5.hma", Global::userText)) << c.name;
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(dialogs.alerts.size(), 1u) << c.name;
        const std::string& alert = dialogs.alerts[0];
        EXPECT_NE(alert.find("user5.hma"), std::string::npos) << c.name << ": " << alert;
        EXPECT_NE(alert.find(c.finding), std::string::npos) << c.name << ": " << alert;
        EXPECT_NE(alert.find(" at line "), std::string::npos) << c.name << ": " << alert;
        // The previous document and its text are untouched, and the broken file too.
        EXPECT_EQ(Global::userText, textBefore) << c.name;
        EXPECT_EQ(Global::userDoc->first_node("patient"), rootBefore) << c.name;
        EXPECT_EQ(XmlFile::print(Global::userDoc), printedBefore) << c.name;
        EXPECT_EQ(data.read("user5.hma"), c.text) << c.name;
        EXPECT_NE(data.trace().find("Error: malformed file user5.hma"), std::string::npos) << c.name;
        EXPECT_EQ(data.trace().find("Loaded file user5.hma"), std::string::npos) << c.name;
    }
}

TEST(StoreLoad, MalformedRegistryNamesWhereTheParserStopped) {
    TestDataFolder data;
    DialogRecorder dialogs;
    // The closing name runs on over the "<" (names may hold it) and stops at the "/".
    data.write("config.hma", "<config>\r\n\t<patient id=\"0\">\r\n\t\t<name>\r\n\t\t\t<first>A</first\r\n</config>\r\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("config.hma"), std::string::npos);
    EXPECT_EQ(dialogs.alerts[0], "The file config.hma is not a valid data file and was not opened:\n"
                                 "expected > at line 5, column 2\nThe file was left unchanged.\nProgram will be terminated");
    EXPECT_NE(err.find("config.hma"), std::string::npos);
}

TEST(StoreLoad, UnsafeFileNamesAreRefused) {
    TestDataFolder data;
    DialogRecorder dialogs;
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", ""));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    const std::string longName(300, 'u');
    for (const std::string& name : {std::string("../config.hma"), std::string("sub/user.hma"),
                                    std::string("a\\b.hma"), longName, std::string(""), std::string("..")}) {
        dialogs.alerts.clear();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Global::loadFile(Global::userDoc, name.c_str(), Global::userText)) << name;
        EXPECT_FALSE(Global::saveFile(name.c_str(), Global::userDoc)) << name;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(dialogs.alerts.size(), 2u) << name;
        EXPECT_STREQ(Global::attributeText(Global::userDoc->first_node("patient"), "id"), "0");
    }
    EXPECT_FALSE(Global::loadFile(Global::userDoc, nullptr, Global::userText));
    EXPECT_TRUE(Global::isSafeFileName(std::string(255, 'u')));
    EXPECT_FALSE(Global::isSafeFileName(std::string(256, 'u')));
    EXPECT_TRUE(Global::isSafeFileName("user12345678901.hma"));
    EXPECT_FALSE(data.exists("../config.hma")) << "nothing was written outside the data folder";
}

// ---------------------------------------------------------------- saving

TEST(StoreSave, WritesThePrintedDocumentPrivatelyAndTracesIt) {
    TestDataFolder data;
    DialogRecorder dialogs;
    loadRegistry(data, "<?xml version=\"1.0\"?>\n" + registry({"0"}));
    ASSERT_TRUE(Global::saveFile("config.hma", Global::configDoc));
    EXPECT_EQ(data.read("config.hma"), XmlFile::print(Global::configDoc));
    EXPECT_EQ(data.read("config.hma").compare(0, 22, "<?xml version=\"1.0\"?>\n"), 0);
    struct stat st;
    ASSERT_EQ(stat(data.path("config.hma").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_NE(data.trace().find("Saved file config.hma"), std::string::npos);
    EXPECT_EQ(data.files(), (std::vector<std::string>{"config.hma", "readme.txt", "template_new.xml"}))
        << "no temporary file is left";
}

TEST(StoreSave, ReadOnlyFileIsRefusedAndKeepsItsContentAndMode) {
    TestDataFolder data;
    DialogRecorder dialogs;
    openTestUser(data, kPulse);
    const std::string before = data.read("user0.hma");
    ASSERT_EQ(chmod(data.path("user0.hma").c_str(), 0444), 0);
    EXPECT_FALSE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_EQ(data.read("user0.hma"), before);
    struct stat st;
    ASSERT_EQ(stat(data.path("user0.hma").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("user0.hma is read-only"), std::string::npos) << dialogs.alerts[0];
    EXPECT_NE(dialogs.alerts[0].find("kept in memory only"), std::string::npos) << dialogs.alerts[0];
    EXPECT_EQ(count(data.trace(), "Saved file user0.hma"), 0u);
}

// A registry change whose save fails is taken back: the list, the registry
// in memory and config.hma on disk agree.
TEST(StoreSave, FailedRegistrySaveTakesTheChangeBack) {
    struct Case {
        const char* change;
        std::function<bool()> apply;
        const char* note;
    };
    const Case cases[] = {
        {"new user", [] { return static_cast<bool>(Global::addNewToConfig("New", "Person")); }, "The user was not added"},
        {"rename",
         [] { return static_cast<bool>(Global::renameInRegistry(Global::findNodeWithId("1"), "Renamed", "Person")); },
         "The name was not changed"},
        {"removal", [] { return static_cast<bool>(Global::removeCurrentUser()); }, "The user was not removed"},
    };
    for (const Case& c : cases) {
        TestDataFolder data;
        DialogRecorder dialogs;
        loadRegistry(data, registry({"0", "1", "2"}));
        Global::currentFile = "user1.hma";
        Global::currentId = "1";
        const std::string onDisk = data.read("config.hma");
        const std::string inMemory = XmlFile::print(Global::configDoc);
        ASSERT_EQ(chmod(data.path("config.hma").c_str(), 0444), 0);
        EXPECT_FALSE(c.apply()) << c.change;
        EXPECT_EQ(XmlFile::print(Global::configDoc), inMemory) << c.change;
        EXPECT_EQ(data.read("config.hma"), onDisk) << c.change;
        EXPECT_EQ(Global::currentFile, "user1.hma") << c.change;
        EXPECT_EQ(Global::currentId, "1") << c.change;
        ASSERT_EQ(dialogs.alerts.size(), 1u) << c.change;
        EXPECT_NE(dialogs.alerts[0].find(c.note), std::string::npos) << dialogs.alerts[0];
        // Once the file may be written again the same change goes through.
        ASSERT_EQ(chmod(data.path("config.hma").c_str(), 0600), 0);
        EXPECT_TRUE(c.apply()) << c.change;
        EXPECT_NE(data.read("config.hma"), onDisk) << c.change;
    }
}

// ---------------------------------------------------------------- changes from outside

namespace {

void setFirstName(const char* first) {
    XmlNode* node = Global::userDoc->first_node("patient")->first_node("info")->first_node("name")->first_node("first");
    node->value(Global::userDoc->allocate_string(first));
}

// Moves a file's time back, as a file written a while ago.
void age(TestDataFolder& data, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::last_write_time(data.path(name), fs::file_time_type::clock::now() - std::chrono::hours(24 * 365), ignored);
}

}  // namespace

TEST(StoreOutside, UserFileChangedOutsideIsAskedAboutAndEachAnswerKeepsItsSide) {
    const std::string outside = userFileXml(0, "Outside", "Name", kPulse + "\t<variable name=\"SpO2\">\n\t\t<entry>"
                                            "<value>97</value><date>2026/12/7</date><time>9:00:00 AM</time></entry>\n"
                                            "\t</variable>\n");
    struct Case {
        int answer;
        bool saved;
        const char* onDiskFirst;
        const char* inMemoryFirst;
    } cases[] = {{0, false, "Outside", "Here"}, {1, false, "Outside", "Outside"}, {2, true, "Here", "Here"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        TestDataFolder data;
        DialogRecorder dialogs;
        dialogs.nextChoice = c.answer;
        openTestUser(data, kPulse);
        int reloads = 0;
        Global::afterReload = [&reloads] { ++reloads; };
        setFirstName("Here");
        data.write("user0.hma", outside);
        EXPECT_EQ(static_cast<bool>(Global::saveFile("user0.hma", Global::userDoc)), c.saved);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_EQ(dialogs.questions[0].rfind("user0.hma was changed by another program since Quorvel read it.", 0), 0u);
        EXPECT_NE(dialogs.questions[0].find("the personal information shown here"), std::string::npos);
        EXPECT_EQ(dialogs.buttons[0], (std::vector<std::string>{"&Cancel", "Reload", "Overwrite"}));
        EXPECT_NE(data.read("user0.hma").find(std::string("<first>") + c.onDiskFirst), std::string::npos);
        EXPECT_STREQ(Global::childText(Global::userDoc->first_node("patient")->first_node("info")->first_node("name"),
                                       "first"),
                     c.inMemoryFirst);
        EXPECT_EQ(reloads, c.answer == 1 ? 1 : 0);
        EXPECT_TRUE(dialogs.alerts.empty());
        // What was taken or written is the file read now: no second question.
        if (c.answer != 0) {
            EXPECT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
            EXPECT_EQ(dialogs.questions.size(), 1u);
        }
    }
}

TEST(StoreOutside, SameBytesWrittenAgainOrAFileGoneAreNoChange) {
    TestDataFolder data;
    DialogRecorder dialogs;
    openTestUser(data, kPulse);
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    const std::string saved = data.read("user0.hma");
    data.write("user0.hma", saved);
    age(data, "user0.hma");
    EXPECT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    unlink(data.path("user0.hma").c_str());
    EXPECT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(data.read("user0.hma"), saved);
}

TEST(StoreOutside, RegistryChangedOutsideIsReadAgainBeforeEachChange) {
    struct Case {
        const char* change;
        std::function<bool()> apply;
        std::vector<std::string> ids;
    } cases[] = {
        {"new user", [] { return static_cast<bool>(Global::addNewToConfig("New", "Person")); }, {"0", "1", "2", "3"}},
        {"rename", [] { return static_cast<bool>(Global::renameInRegistry(Global::findNodeWithId("1"), "Renamed", "Person")); },
         {"0", "1", "3"}},
        {"removal", [] { return static_cast<bool>(Global::removeCurrentUser()); }, {"0", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        TestDataFolder data;
        DialogRecorder dialogs;
        loadRegistry(data, registry({"0", "1"}));
        Global::currentFile = "user1.hma";
        Global::currentId = "1";
        // Another program adds a person with the next id, and renames user 0.
        std::string outside = registry({"0", "1", "3"});
        outside.replace(outside.find("F0"), 2, "Zoe");
        data.write("config.hma", outside);
        EXPECT_TRUE(c.apply());
        EXPECT_EQ(recordIds(), c.ids);
        EXPECT_NE(data.read("config.hma").find("<first>Zoe</first>"), std::string::npos);
        EXPECT_NE(data.read("config.hma").find("user3.hma"), std::string::npos);
        EXPECT_TRUE(dialogs.questions.empty());
    }
}

// ---------------------------------------------------------------- memory

TEST(StoreMemory, SwitchingDocumentsAThousandTimesDoesNotGrow) {
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string entries;
    for (int i = 0; i < 400; ++i)
        entries += "\t\t<entry id=\"" + std::to_string(i) +
                   "\">\n\t\t\t<value>72.000000</value>\n\t\t\t<date>2026/12/6</date>\n"
                   "\t\t\t<time>8:05:00 AM</time>\n\t\t</entry>\n";
    data.write("user0.hma", userFileXml(0, "A", "B", "\t<variable name=\"Pulse\">\n" + entries + "\t</variable>\n"));
    data.write("user1.hma", userFileXml(1, "C", "D", "\t<variable name=\"Mood\">\n" + entries + "\t</variable>\n"));
    Trace::setThreshold(0);  // the log is not what is measured

    Global::userDoc.reset();
    Global::userText.clear();
    Global::userText.shrink_to_fit();
    const std::size_t empty = bytesInUse();
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user1.hma", Global::userText));
    const std::size_t oneDocument = bytesInUse() - empty;
    // The measure sees a document: nodes for 400 entries take well over 100 kB.
    ASSERT_GT(oneDocument, 100000u);

    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(Global::loadFile(Global::userDoc, i % 2 ? "user1.hma" : "user0.hma", Global::userText));
        ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    }
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user1.hma", Global::userText));
    const std::size_t after = bytesInUse() - empty;
    // Keeping the replaced trees would add a thousand documents.
    EXPECT_LT(after, oneDocument + oneDocument / 2) << "one document: " << oneDocument << ", after: " << after;
}
