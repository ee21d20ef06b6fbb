// The data folder chosen on this computer: remembered in the computer's own
// settings folder, never in the (synced) data folder, and used by the window
// and quorvel-data alike unless --data-dir names another.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "exchange/DataFolder.h"
#include "platform/Platform.h"
#include "store/DataFolderChoice.h"

TEST(DataFolderChoice, TheChoiceIsRememberedOnThisComputerAndAGivenFolderComesFirst) {
    TestDataFolder data;
    std::string own;
    ASSERT_TRUE(platform::dataFolder(own));
    const std::string synced = data.root + "/Sync/Diary";
    const std::string separator(1, platform::pathSeparator());
    struct Case {
        const char* name;
        std::string remembered;  // "" forgets
        std::string given;
        std::string inUse;
    } cases[] = {
        {"nothing chosen", "", "", own},
        {"chosen", synced, "", synced + separator},
        {"given wins", synced, data.root + "/Other/", data.root + "/Other/"},
        {"forgotten again", "", "", own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(DataFolderChoice::remember(c.remembered));
        EXPECT_EQ(DataFolderChoice::inUse(c.given), c.inUse);
        EXPECT_EQ(*DataFolder::resolve(c.given), c.inUse);
    }
    // On this computer, beside its other settings: nothing is written into a data folder.
    std::string settings;
    ASSERT_TRUE(platform::settingsFolder(settings));
    EXPECT_TRUE(platform::isRegularFile(settings + "data-folder.txt"));
    EXPECT_NE(settings.find(data.folder), 0u);
    EXPECT_FALSE(data.exists("data-folder.txt"));
}
