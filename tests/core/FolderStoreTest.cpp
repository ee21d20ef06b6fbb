// The silent store: every failure comes back as an Error, nothing is asked
// or shown, and what it holds follows what was read and written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/FolderStore.h"
#include "TestSupport.h"

namespace {

const char* const kUser = "<?xml version=\"1.0\"?>\n<patient id=\"0\">\n\t<info/>\n</patient>\n";

TEST(FolderStore, ReadFailuresAreToldApartAndLeaveTheDocument) {
    TestDataFolder data;
    data.write("good.hma", kUser);
    data.write("broken.hma", "<?xml version=\"1.0\"?>\n<patient>\n<info>\n</patient>\n");
    DialogRecorder dialogs;
    FolderStore store(data.folder);
    const struct {
        const char* name;
        bool ok;
        Error::Kind kind;
        const char* place;
    } cases[] = {
        {"good.hma", true, Error::Kind::Failed, ""},
        {"missing.hma", false, Error::Kind::CannotOpen, ""},
        {"broken.hma", false, Error::Kind::Malformed, "line 4, column 11"},
        {"../good.hma", false, Error::Kind::UnsafeName, ""},
        {"", false, Error::Kind::UnsafeName, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        XmlDocument doc;
        std::vector<char> text{'x'};
        const Expected<void> read = store.read(c.name, doc, text);
        ASSERT_EQ(static_cast<bool>(read), c.ok);
        if (c.ok) {
            EXPECT_NE(doc->first_node("patient"), nullptr);
            continue;
        }
        EXPECT_EQ(read.error().kind, c.kind);
        EXPECT_EQ(read.error().place, c.place);
        EXPECT_EQ(text, std::vector<char>{'x'});
        EXPECT_EQ(doc->first_node(), nullptr);
    }
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST(FolderStore, TheOpenUsersMarkFollowsLoadsAndSaves) {
    TestDataFolder data;
    data.write("user9.hma", kUser);
    FolderStore store(data.folder);
    XmlDocument user, other;
    std::vector<char> userText, otherText;
    bool unsaved = true;
    store.holdOpenUser(user, userText, unsaved);
    EXPECT_TRUE(store.isOpenUser(user));
    EXPECT_FALSE(store.isOpenUser(other));

    ASSERT_TRUE(store.load("user9.hma", user, userText));
    EXPECT_FALSE(unsaved);
    store.markChanged();
    ASSERT_TRUE(store.load("user9.hma", other, otherText));
    EXPECT_TRUE(unsaved);  // another document's load leaves the open user's mark
    ASSERT_TRUE(store.save("user9.hma", user));
    EXPECT_FALSE(unsaved);
    EXPECT_FALSE(store.changedOutside("user9.hma"));
}

TEST(FolderStore, AFileChangedOutsideIsReadAgainOnlyThen) {
    TestDataFolder data;
    data.write("user9.hma", kUser);
    FolderStore store(data.folder);
    XmlDocument doc;
    std::vector<char> text;
    ASSERT_TRUE(store.load("user9.hma", doc, text));
    Expected<bool> reloaded = store.reloadIfChanged("user9.hma", doc);
    ASSERT_TRUE(reloaded);
    EXPECT_FALSE(*reloaded);

    data.write("user9.hma", "<?xml version=\"1.0\"?>\n<patient id=\"7\">\n\t<info/>\n</patient>\n");
    EXPECT_TRUE(store.changedOutside("user9.hma"));
    reloaded = store.reloadIfChanged("user9.hma", doc);
    ASSERT_TRUE(reloaded);
    EXPECT_TRUE(*reloaded);
    EXPECT_STREQ(doc->first_node("patient")->first_attribute("id")->value(), "7");
    EXPECT_FALSE(store.changedOutside("user9.hma"));

    data.write("user9.hma", "<patient id=\"8\">");
    reloaded = store.reloadIfChanged("user9.hma", doc);
    ASSERT_FALSE(reloaded);
    EXPECT_EQ(reloaded.error().kind, Error::Kind::Malformed);
    EXPECT_STREQ(doc->first_node("patient")->first_attribute("id")->value(), "7");
}

}  // namespace
