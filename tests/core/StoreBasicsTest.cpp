#include <gtest/gtest.h>

#include "TestSupport.h"
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
