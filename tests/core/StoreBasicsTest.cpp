#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Dialogs.h"
#include "store/Global.h"

TEST(StoreBasics, EmptyRegistryGivesIdZeroAndUserZeroFile) {
    TestDataFolder data;
    DialogRecorder dialogs;
    ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    XmlNode* before = reinterpret_cast<XmlNode*>(1);
    EXPECT_EQ(Global::getNewId(&before), 0);
    EXPECT_EQ(before, nullptr);
    ASSERT_TRUE(Global::createNew());
    EXPECT_TRUE(Global::userOpen);
    ASSERT_TRUE(Global::addNewToConfig("Ann", "Lee"));
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_EQ(data.read("config.hma"),
              "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
              "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n\n");
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST(StoreBasics, AResetForTestsLeavesTheStoreAsAProgramFindsItAtItsStart) {
    TestDataFolder data;
    openTestUser(data, "");
    Global::markUserChanged();
    Global::defaultLow["Pulse"] = 1;
    Global::defaultHigh.erase("Pulse");
    bool reloaded = false;
    Global::afterReload = [&reloaded] { reloaded = true; };
    Global::resetForTests();
    EXPECT_TRUE(Global::dataFolder.empty());
    EXPECT_FALSE(Global::userOpen);
    EXPECT_FALSE(Global::userUnsaved);
    EXPECT_TRUE(Global::currentFile.empty());
    EXPECT_TRUE(Global::currentId.empty());
    EXPECT_TRUE(Global::userText.empty());
    EXPECT_EQ(Global::userDoc->first_node(), nullptr);
    EXPECT_FALSE(Global::afterReload);
    EXPECT_EQ(Global::defaultLow.at("Pulse"), 60);
    EXPECT_EQ(Global::defaultHigh.at("Pulse"), 100);
    EXPECT_FALSE(reloaded);
}

TEST(StoreBasics, AResetForTestsDropsEveryDialogHandler) {
    int calls = 0;
    Dialogs::setChoiceHandler([&calls](const std::string&, const char*, const char*, const char*) { return ++calls; });
    Dialogs::setFileHandler([&calls](const Dialogs::FileRequest&) { return std::to_string(++calls); });
    Dialogs::resetForTests();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Dialogs::choice("Remove?", "&Cancel", "Remove", nullptr), 0);  // the first button
    EXPECT_EQ(Dialogs::chooseFile(Dialogs::FileRequest()), "");               // nothing chosen
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(calls, 0);
}
