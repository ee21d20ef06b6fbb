// The users list: its lines, choosing a user, and the refusals that keep
// the open user when the chosen one cannot be opened.
#include "MainWindowFixture.h"
#include "ui/chart/MyChart.h"

namespace {

const std::string pulseEntries =
    "\t<variable name=\"Pulse\">\n"
    "\t\t<entry><date>2026/11/02</date><time>08:00:00 AM</time><value>71</value></entry>\n"
    "\t</variable>\n";

}  // namespace

class UsersListTest : public MainWindowFixture {};

TEST_F(UsersListTest, LinesInRegistryOrderWithIdsAsData) {
    writeUsers({{3, "Zoe", "Young", ""}, {0, "Ada", "Lovelace", ""}, {1, "Alan", "Turing", ""}});
    openWindow();
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Zoe Young", "Ada Lovelace", "Alan Turing"}));
    EXPECT_STREQ(static_cast<const char*>(usersList()->data(1)), "3");
    EXPECT_STREQ(static_cast<const char*>(usersList()->data(3)), "1");
    EXPECT_EQ(win->searchUserBox->populateBrowser("0"), 2);
    EXPECT_EQ(win->searchUserBox->populateBrowser("1"), 3);
    EXPECT_EQ(win->searchUserBox->populateBrowser("9"), 0);
    EXPECT_EQ(win->searchUserBox->populateBrowser(nullptr), 0);
    EXPECT_EQ(usersList()->size(), 3);
}

TEST_F(UsersListTest, SameNamesStayTwoLinesToldApartById) {
    writeUsers({{0, "Sam", "Lee", ""}, {1, "Sam", "Lee", pulseEntries}});
    openWindow();
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Sam Lee", "Sam Lee"}));
    chooseLine(2);
    EXPECT_EQ(Global::currentId, "1");
    EXPECT_EQ(Global::currentFile, "user1.hma");
    EXPECT_NE(Global::findVariable("Pulse")->first_node("entry"), nullptr);
    chooseLine(1);
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(usersList()->value(), 1);
}

TEST_F(UsersListTest, ChoosingAnotherUserSavesThePreviousFirst) {
    writeUsers({{0, "Ada", "Lovelace", ""}, {1, "Alan", "Turing", ""}});
    openWindow();
    chooseLine(1);
    EXPECT_EQ(traceCount("Saved file "), 0);  // nothing was open
    EXPECT_EQ(traceCount("Loaded file user0.hma"), 1);
    XmlNode* race = Global::userDoc->first_node("patient")->first_node("info")->first_node("race");
    race->value(Global::userDoc->allocate_string("Human"));
    Global::markUserChanged();
    chooseLine(2);
    EXPECT_NE(data->read("user0.hma").find("<race>Human</race>"), std::string::npos);
    EXPECT_EQ(traceCount("Saved file user0.hma"), 1);
    EXPECT_EQ(traceCount("Loaded file user1.hma"), 1);
    EXPECT_EQ(usersList()->value(), 2);
    EXPECT_EQ(lines(win->userInfoBox->browser), std::vector<std::string>({"First Name:\tAlan", "Last Name:\tTuring"}));
}

TEST_F(UsersListTest, ChoosingSameLineAgainReloadsWithoutWritingTheUnchangedFile) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    chooseLine(1);
    EXPECT_EQ(traceCount("Saved file user0.hma"), 0);
    EXPECT_EQ(traceCount("Loaded file user0.hma"), 2);
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(usersList()->value(), 1);
}

TEST_F(UsersListTest, ChoosingEmptiesChartAndEnablesControls) {
    writeUsers({{0, "Ada", "Lovelace", pulseEntries}});
    openWindow();
    chooseLine(1);
    EXPECT_TRUE(win->multiDisplayMenu->active());
    EXPECT_TRUE(win->menuBar->find_item("File/Save")->active());
    EXPECT_EQ(win->chart->varCount, 0);
}

TEST_F(UsersListTest, MalformedUserFileKeepsPreviousUserOpen) {
    writeUsers({{0, "Ada", "Lovelace", ""}, {1, "Alan", "Turing", ""}});
    const std::string broken = "<patient id=\"1\"><info><name><first>Alan</first></info>";
    data->write("user1.hma", broken);
    openWindow();
    chooseLine(1);
    ASSERT_EQ(Global::currentFile, "user0.hma");
    chooseLine(2);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("user1.hma"), std::string::npos);
    // The previous user stays open, with its document and its line.
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_STREQ(Global::childText(
                     Global::userDoc->first_node("patient")->first_node("info")->first_node("name"), "first"),
                 "Ada");
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_TRUE(win->menuBar->find_item("File/Save")->active());
    // Nothing is ever written over the broken file.
    pickMenu("File/Save");
    chooseLine(2);
    EXPECT_EQ(data->read("user1.hma"), broken);
    EXPECT_EQ(traceCount("Saved file user1.hma"), 0);
}

TEST_F(UsersListTest, MalformedUserFileWithNothingOpenKeepsControlsOff) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    data->write("user0.hma", "<patient");
    openWindow();
    chooseLine(1);
    EXPECT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(usersList()->value(), 0);
    EXPECT_FALSE(win->menuBar->find_item("File/Save")->active());
    EXPECT_FALSE(win->removeUserButton->active());
    EXPECT_EQ(data->read("user0.hma"), "<patient");
}

TEST_F(UsersListTest, UnsafeFileNameInRegistryRefused) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    data->write("config.hma",
                "<config><patient id=\"0\"><name><first>Eve</first><last>Evil</last></name>"
                "<file>../../outside.hma</file></patient></config>");
    openWindow();
    chooseLine(1);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("../../outside.hma"), std::string::npos);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(Global::currentFile, "");
    EXPECT_EQ(traceCount("Loaded file "), 1);  // the registry only
    // The line stays chosen so that the record can be removed, and nothing else.
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_TRUE(win->removeUserButton->active());
    EXPECT_FALSE(win->editUserButton->active());
    EXPECT_FALSE(menuItem("File/Save")->active());
    dialogs->nextChoice = 2;  // "Remove"
    win->removeUserButton->do_callback();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Do you really want to remove user:\nEve Evil?");
    EXPECT_EQ(usersList()->size(), 0);
    EXPECT_EQ(data->read("config.hma").find("Eve"), std::string::npos);
    EXPECT_FALSE(win->removeUserButton->active());
}

TEST_F(UsersListTest, RecordsLackingPartsDoNotCrash) {
    data->write("config.hma",
                "<config>"
                "<patient id=\"0\"><name><first>Only</first></name><file>user0.hma</file></patient>"
                "<patient id=\"1\"><file>user1.hma</file></patient>"
                "<patient><name><first>No</first><last>Id</last></name><file>user2.hma</file></patient>"
                "<patient id=\"3\"><name><first>No</first><last>File</last></name></patient>"
                "</config>");
    data->write("user0.hma", userFileXml(0, "Only", "", ""));
    openWindow();
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Only ", " ", "No Id", "No File"}));
    EXPECT_STREQ(static_cast<const char*>(usersList()->data(3)), "");
    // A record without an id is not found; nothing opens.
    chooseLine(3);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(traceCount("patient with id  not found in config."), 1);
    // A record without a file is refused with an alert.
    chooseLine(4);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(dialogs->alerts.size(), 1u);
    chooseLine(1);
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(Global::currentFile, "user0.hma");
}

TEST_F(UsersListTest, IdMissingFromRegistryLeavesNoUserOpen) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    // The registry changes under the list.
    Global::findNodeWithId("0")->first_attribute("id")->value("5");
    chooseLine(1);
    EXPECT_EQ(traceCount("Error in SearchUserBox::browserCB_i : patient with id 0 not found in config."), 1);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_FALSE(win->menuBar->find_item("File/Save")->active());
    // Nothing can now be saved under a stale name.
    pickMenu("File/Save");
    EXPECT_EQ(traceCount("Saved file "), 0);
}

TEST_F(UsersListTest, ChoosingNoLineClosesUser) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    chooseLine(0);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_FALSE(win->editUserButton->active());
    EXPECT_EQ(win->userInfoBox->browser->size(), 0);
    EXPECT_EQ(traceCount("Saved file user0.hma"), 0);  // nothing had changed
}

TEST_F(UsersListTest, NamesStartingWithFormatCharacterShownLiterally) {
    writeUsers({{0, "@bBold", "@C1Red", ""}});
    openWindow();
    chooseLine(1);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"@.@bBold @C1Red"}));
    EXPECT_EQ(lines(win->userInfoBox->browser),
              std::vector<std::string>({"First Name:\t@.@bBold", "Last Name:\t@.@C1Red"}));
    Fl::check();  // drawn without reading past a line
    dialogs->nextChoice = 0;
    win->userRemoveCB_i();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Do you really want to remove user:\n@bBold @C1Red?");
}

// With far more users than the list shows, a click rebuilds the list
// without moving it: the line under the pointer stays the chosen one, and a
// second click at the same place keeps the same user.
TEST_F(UsersListTest, ClickInALongListKeepsTheLineUnderThePointer) {
    std::vector<TestUser> users;
    for (int id = 0; id < 2000; ++id) users.push_back({id, "First" + std::to_string(id), "Last", ""});
    writeUsers(users);
    openWindow();
    Fl_Hold_Browser* list = usersList();
    list->topline(2);
    const int lineHeight = list->position();  // the height of line 1
    ASSERT_GT(lineHeight, 0);
    list->topline(1000);
    // The list finds the line under a click from what it last drew.
    win->wait_for_expose();
    Fl::flush();
    const int x = list->x() + list->w() / 3;
    const int y = list->y() + Fl::box_dy(list->box()) + 4 * lineHeight + lineHeight / 2;  // the fifth line shown
    for (int click = 0; click < 2; ++click) {
        Fl::e_x = Fl::e_x_root = x;
        Fl::e_y = Fl::e_y_root = y;
        Fl::e_clicks = click;
        Fl::e_state = FL_BUTTON1;
        Fl::handle(FL_PUSH, win);
        Fl::e_state = 0;
        Fl::handle(FL_RELEASE, win);
        Fl::check();
        EXPECT_EQ(Global::currentId, "1003") << "click " << click;
        EXPECT_EQ(list->value(), 1004) << "click " << click;
        EXPECT_EQ(list->topline(), 1000) << "click " << click;
    }
    EXPECT_EQ(traceCount("Loaded file user1003.hma"), 2);
    EXPECT_EQ(traceCount("Loaded file user"), 2);
    // A line out of view is scrolled into view when it is selected.
    Global::currentId = "1999";
    win->refreshPanels(MainWindow::UserLine::Reselected, MainWindow::ChartSeries::Cleared);
    EXPECT_TRUE(list->displayed(2000));
}

// A sync tool's copy of the chosen person's file is offered for merging:
// Merge (the default) brings the other computer's readings in and keeps the
// copy as .old; Later leaves it and opens the file as it is.
TEST_F(UsersListTest, ChoosingAPersonOffersToMergeTheSyncToolsCopyOfTheirFile) {
    const std::string copy = "user0.sync-conflict-20261208-101010-ABCDEFG.hma";
    for (int answer : {0, 1}) {
        SCOPED_TRACE(answer);
        TearDown();
        SetUp();
        writeUsers({{0, "Ada", "Lovelace", pulseEntries}, {1, "Alan", "Turing", ""}});
        data->write(copy, userFileXml(0, "Ada", "Lovelace",
                                      "\t<variable name=\"Pulse\">\n\t\t<entry id=\"0\"><value>88</value><date>2026/11/"
                                      "03</date><time>09:00:00 AM</time></entry>\n\t</variable>\n"));
        data->write("user1.sync-conflict-20261208-101010-ABCDEFG.hma", userFileXml(1, "Alan", "Turing", ""));
        openWindow();
        dialogs->choices = {answer};
        chooseLine(1);
        ASSERT_EQ(dialogs->buttons.size(), 1u);
        EXPECT_EQ(dialogs->buttons[0], (std::vector<std::string>{"Merge", "Later"}));
        // Only the chosen person's copy is offered.
        EXPECT_NE(dialogs->questions[0].find(copy + " (Syncthing, of user0.hma)"), std::string::npos);
        EXPECT_EQ(dialogs->questions[0].find("user1.sync-conflict"), std::string::npos);
        const XmlNode* pulse = Global::findVariable("Pulse");
        ASSERT_NE(pulse, nullptr);
        int readings = 0;
        for (const XmlNode* e = pulse->first_node("entry"); e; e = e->next_sibling("entry")) ++readings;
        EXPECT_EQ(readings, answer == 0 ? 2 : 1);
        EXPECT_EQ(data->exists(copy), answer != 0);
        EXPECT_EQ(data->exists(copy + ".old"), answer == 0);
        EXPECT_TRUE(data->exists("user1.sync-conflict-20261208-101010-ABCDEFG.hma"));
    }
}
