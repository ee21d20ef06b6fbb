// The main window: layout, the user-dependent controls, the File commands,
// removing a user, the panel refresh and the help window.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

// gtest before the toolkit's drawing headers, which bring in X11's macros.
#include "MainWindowFixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include "app/Dialogs.h"
#include "store/XmlFile.h"
#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/measurements/HistoryBox.h"

namespace {

const std::vector<TestUser> twoUsers = {{0, "Ada", "Lovelace", ""}, {1, "Alan", "Turing", ""}};

bool menuActive(const Fl_Menu_Item* item) { return item && item->active(); }

}  // namespace

class MainWindowTest : public MainWindowFixture {
protected:
    // The six user-dependent widgets and three menu items all have this state.
    void expectUserControls(bool active) {
        EXPECT_EQ(menuActive(menuItem("File/Save")), active);
        EXPECT_EQ(menuActive(menuItem("File/Close")), active);
        EXPECT_EQ(menuActive(menuItem("Edit/Information")), active);
        EXPECT_EQ(win->multiDisplayMenu->active() != 0, active);
        EXPECT_EQ(win->normalRangeMenu->active() != 0, active);
        EXPECT_EQ(win->editUserButton->active() != 0, active);
        EXPECT_EQ(win->removeUserButton->active() != 0, active);
        EXPECT_EQ(win->clearChartButton->active() != 0, active);
        EXPECT_EQ(win->infoButton->active() != 0, active);
        // Never disabled.
        EXPECT_TRUE(menuActive(menuItem("File/New")));
        EXPECT_TRUE(menuActive(menuItem("File/Exit")));
        EXPECT_TRUE(win->addUserButton->active());
    }

    // Picks "File/Exit"; the exit status, or -1 when the program goes on.
    int pickExit() {
        try {
            pickMenu("File/Exit");
        } catch (const ExitCalled& e) {
            return e.status;
        }
        return -1;
    }
};

TEST_F(MainWindowTest, LayoutFollowsWindowSize) {
    writeUsers(twoUsers);
    openWindow(1260, 984);
    const int K = (984 - 251) / 2;
    EXPECT_STREQ(win->label(), "Brelwick. - Quorvel Ondrala");
    EXPECT_EQ(MainWindow::of(win->chart), win);
    EXPECT_EQ(win->menuBar->w(), 1260);
    EXPECT_EQ(win->searchUserBox->y(), 52);
    EXPECT_EQ(win->searchUserBox->h(), K - 1);
    EXPECT_EQ(win->userInfoBox->y(), K + 52);
    EXPECT_EQ(win->userInfoBox->h(), K - 1);
    // The invisible button lies exactly over the information browser.
    EXPECT_EQ(win->infoButton->x(), win->userInfoBox->browser->x());
    EXPECT_EQ(win->infoButton->y(), win->userInfoBox->browser->y());
    EXPECT_EQ(win->infoButton->w(), win->userInfoBox->browser->w());
    EXPECT_EQ(win->infoButton->h(), win->userInfoBox->browser->h());
    EXPECT_EQ(win->infoButton->box(), FL_NO_BOX);
    EXPECT_EQ(win->historyBox->y(), 2 * K + 53);
    EXPECT_EQ(win->chart->x(), 252);
    EXPECT_EQ(win->chart->w(), 1260 - 256);
    // The trend panel is drawn by the chart: it lies in the chart's area.
    EXPECT_EQ(win->trendBox->parent(), win->chart->chartArea);
    EXPECT_EQ(win->trendBox->y(), 2 * K + 53);
    // Tooltips of the toolbar.
    EXPECT_STREQ(win->addUserButton->tooltip(), "Add a new user (Ctrl+N)");
    EXPECT_STREQ(win->editUserButton->tooltip(), "Edit selected user (Ctrl+E)");
    EXPECT_STREQ(win->removeUserButton->tooltip(), "Remove selected user");
    EXPECT_STREQ(win->clearChartButton->tooltip(), "Clear selected variables and chart");
    EXPECT_STREQ(win->multiDisplayMenu->label(), "Multi-Display");
    EXPECT_STREQ(win->normalRangeMenu->label(), "Normal Range Display");
    // Every toolbar button carries a 24x24 icon; the logo is 65x24.
    for (Fl_Button* b : {win->addUserButton, win->editUserButton, win->removeUserButton, win->clearChartButton}) {
        ASSERT_NE(b->image(), nullptr);
        EXPECT_EQ(b->image()->w(), 24);
        EXPECT_EQ(b->image()->h(), 24);
    }
    ASSERT_NE(win->logoBox->image(), nullptr);
    EXPECT_EQ(win->logoBox->image()->w(), 65);
    EXPECT_EQ(win->logoBox->image()->h(), 24);
    // Logo and notice end 10 pixels from the right edge.
    EXPECT_EQ(win->noticeBox->x() + win->noticeBox->w(), 1260 - 10);
    EXPECT_EQ(win->logoBox->x(), win->noticeBox->x() - 85);
    EXPECT_STREQ(win->noticeBox->label(), MainWindow::makerNotice);
}

TEST_F(MainWindowTest, ResizingKeepsUsersColumnAndMovesLogo) {
    writeUsers(twoUsers);
    openWindow(1000, 700);
    const int logoX = win->logoBox->x();
    const int chartW = win->chart->w();
    win->resize(0, 0, 1200, 700);
    EXPECT_EQ(win->searchUserBox->w(), 247);
    EXPECT_EQ(win->userInfoBox->w(), 247);
    EXPECT_EQ(win->chart->x(), 252);
    EXPECT_EQ(win->chart->w(), chartW + 200);
    EXPECT_EQ(win->logoBox->x(), logoX + 200);
    EXPECT_EQ(win->noticeBox->x() + win->noticeBox->w(), 1200 - 10);
}

TEST_F(MainWindowTest, ControlsDisabledWithoutUserAndSwitchedTogether) {
    writeUsers(twoUsers);
    openWindow();
    expectUserControls(false);
    chooseLine(1);
    EXPECT_TRUE(Global::userOpen);
    expectUserControls(true);
    pickMenu("File/Close");
    EXPECT_FALSE(Global::userOpen);
    expectUserControls(false);
}

TEST_F(MainWindowTest, EmptyRegistryGivesEmptyListAndNothingToChoose) {
    openWindow();
    EXPECT_EQ(usersList()->size(), 0);
    chooseLine(0);
    EXPECT_FALSE(Global::userOpen);
    expectUserControls(false);
}

TEST_F(MainWindowTest, ExitSavesOpenUserAndEndsWithStatusZero) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(2);
    // A change in memory that only the exit's save writes.
    XmlNode* first = Global::userDoc->first_node("patient")->first_node("info")->first_node("name")->first_node("first");
    first->value(Global::userDoc->allocate_string("Alonzo"));
    Global::markUserChanged();
    EXPECT_EQ(pickExit(), 0);
    EXPECT_NE(data->read("user1.hma").find("<first>Alonzo</first>"), std::string::npos);
    EXPECT_EQ(data->read("user0.hma"), userFileXml(0, "Ada", "Lovelace", ""));
    EXPECT_EQ(traceCount("item picked in menu: File/Exit"), 1);
    EXPECT_EQ(traceCount("Saved file user1.hma"), 1);  // nothing was open before: only the exit saved
    EXPECT_TRUE(dialogs->questions.empty());
}

TEST_F(MainWindowTest, LeavingAnUnchangedUserRewritesNothing) {
    const struct {
        const char* action;
        std::function<int()> run;
    } cases[] = {
        {"another user chosen", [this] { chooseLine(2); return 0; }},
        {"File/New",
         [this] {
             pickMenu("File/New");
             if (InfoWindow* w = theInfoWindow()) w->cancelButton->do_callback();
             return 0;
         }},
        {"File/Exit", [this] { return pickExit(); }},
    };
    writeUsers(twoUsers);
    openWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        chooseLine(1);
        // The file is read-only: a save would fail and ask.
        ASSERT_EQ(chmod(data->path("user0.hma").c_str(), 0444), 0);
        const std::string onDisk = data->read("user0.hma");
        EXPECT_EQ(c.run(), 0);
        EXPECT_EQ(traceCount("Saved file "), 0);
        EXPECT_TRUE(dialogs->alerts.empty() && dialogs->questions.empty());
        EXPECT_EQ(data->read("user0.hma"), onDisk);
        ASSERT_EQ(chmod(data->path("user0.hma").c_str(), 0600), 0);
    }
}

TEST_F(MainWindowTest, ExitWithoutUserWritesNothing) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    pickMenu("File/Close");
    const std::vector<std::string> before = data->files();
    const std::string user0 = data->read("user0.hma");
    const std::string config = data->read("config.hma");
    const int savesBefore = traceCount("Saved file ");
    EXPECT_EQ(pickExit(), 0);
    EXPECT_EQ(traceCount("Saved file "), savesBefore);
    EXPECT_EQ(data->files(), before);
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(data->read("config.hma"), config);
}

TEST_F(MainWindowTest, CloseWritesNothingAndDeselects) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    XmlNode* last = Global::userDoc->first_node("patient")->first_node("info")->first_node("name")->first_node("last");
    last->value(Global::userDoc->allocate_string("Byron"));
    const int savesBefore = traceCount("Saved file ");
    pickMenu("File/Close");
    EXPECT_EQ(traceCount("Saved file "), savesBefore);
    EXPECT_EQ(data->read("user0.hma"), userFileXml(0, "Ada", "Lovelace", ""));
    EXPECT_EQ(usersList()->size(), 2);
    EXPECT_EQ(usersList()->value(), 0);
    EXPECT_EQ(win->userInfoBox->browser->size(), 0);
    // The closed user's change is never written afterwards either.
    chooseLine(2);
    EXPECT_EQ(data->read("user0.hma"), userFileXml(0, "Ada", "Lovelace", ""));
}

TEST_F(MainWindowTest, SaveWritesOpenUser) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    XmlNode* race = Global::userDoc->first_node("patient")->first_node("info")->first_node("race");
    race->value(Global::userDoc->allocate_string("Human"));
    pickMenu("File/Save");
    EXPECT_NE(data->read("user0.hma").find("<race>Human</race>"), std::string::npos);
    EXPECT_EQ(traceCount("item picked in menu: File/Save"), 1);
    EXPECT_EQ(traceCount("Saved file user0.hma"), 1);
}

TEST_F(MainWindowTest, RemoveAsksWithSelectedLineAndCancelKeepsUser) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(2);
    dialogs->nextChoice = 1;  // "&Cancel", the default
    win->removeUserButton->do_callback();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Do you really want to remove user:\nAlan Turing?");
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(usersList()->size(), 2);
    EXPECT_EQ(usersList()->value(), 2);
    EXPECT_NE(data->read("config.hma").find("Turing"), std::string::npos);
    EXPECT_EQ(traceCount("Removed user: "), 0);
}

TEST_F(MainWindowTest, RemoveConfirmedLeavesDataFileAndSecondRemovalFails) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    dialogs->nextChoice = 2;  // "Remove"
    win->removeUserButton->do_callback();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Do you really want to remove user:\nAda Lovelace?");
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Alan Turing"}));
    EXPECT_EQ(usersList()->value(), 0);
    EXPECT_EQ(data->read("config.hma").find("Lovelace"), std::string::npos);
    EXPECT_TRUE(data->exists("user0.hma"));
    EXPECT_EQ(traceCount("Removed user: user0.hma"), 1);
    expectUserControls(false);
    EXPECT_EQ(Global::removeCurrentUser().error().kind, Error::Kind::NotFound);
    // With no user open the button does nothing and asks nothing.
    win->removeUserButton->do_callback();
    EXPECT_EQ(dialogs->questions.size(), 1u);
}

// A save that fails (here: the user's file made read-only) is never followed
// by dropping the changes it could not write.
TEST_F(MainWindowTest, FailedSaveKeepsTheOpenUserForAnotherUserAndForNew) {
    struct Case {
        const char* action;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"another user chosen", [this] { chooseLine(2); }},
        {"File/New", [this] { pickMenu("File/New"); }},
        {"add-user button", [this] { win->addUserButton->do_callback(); }},
    };
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    XmlNode* race = Global::userDoc->first_node("patient")->first_node("info")->first_node("race");
    race->value(Global::userDoc->allocate_string("Human"));
    Global::markUserChanged();
    const std::string onDisk = data->read("user0.hma");
    ASSERT_EQ(chmod(data->path("user0.hma").c_str(), 0444), 0);
    for (const Case& c : cases) {
        dialogs->alerts.clear();
        c.run();
        ASSERT_EQ(dialogs->alerts.size(), 1u) << c.action;
        EXPECT_NE(dialogs->alerts[0].find("user0.hma is read-only"), std::string::npos) << dialogs->alerts[0];
        EXPECT_TRUE(Global::userOpen) << c.action;
        EXPECT_EQ(Global::currentFile, "user0.hma") << c.action;
        EXPECT_EQ(usersList()->value(), 1) << c.action;
        EXPECT_NE(XmlFile::print(Global::userDoc).find("<race>Human</race>"), std::string::npos) << c.action;
        EXPECT_EQ(theInfoWindow(), nullptr) << c.action;
        EXPECT_EQ(data->read("user0.hma"), onDisk) << c.action;
    }
    EXPECT_EQ(traceCount("Loaded file user1.hma"), 0);
    expectUserControls(true);
}

TEST_F(MainWindowTest, ExitAfterAFailedSaveAsksAndCancelKeepsTheUserOpen) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(2);
    Global::markUserChanged();
    ASSERT_EQ(chmod(data->path("user1.hma").c_str(), 0444), 0);
    dialogs->nextChoice = 1;  // "&Cancel", also what Return answers
    EXPECT_EQ(pickExit(), -1);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Your changes to user1.hma could not be saved. Exit anyway and lose them?");
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(usersList()->value(), 2);
    dialogs->nextChoice = 2;  // "Exit"
    EXPECT_EQ(pickExit(), 0);
    EXPECT_EQ(dialogs->questions.size(), 2u);
}

TEST_F(MainWindowTest, CloseAndTheCloseBoxAskAfterAFailedSave) {
    const struct {
        const char* action;
        const char* word;
        std::function<void(MainWindow*)> run;
    } cases[] = {
        {"File/Close", "Close", [this](MainWindow*) { pickMenu("File/Close"); }},
        {"close box", "Exit", [](MainWindow* w) { w->do_callback(); }},
    };
    writeUsers(twoUsers);
    openWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        chooseLine(2);
        ASSERT_EQ(chmod(data->path("user1.hma").c_str(), 0444), 0);
        pickMenu("File/Save");  // fails: the change lives in memory only
        dialogs->questions.clear();
        dialogs->buttons.clear();
        dialogs->nextChoice = 0;  // what Escape answers
        c.run(win);
        ASSERT_EQ(dialogs->questions.size(), 1u);
        EXPECT_EQ(dialogs->questions[0],
                  std::string("Your changes to user1.hma could not be saved. ") + c.word + " anyway and lose them?");
        EXPECT_EQ(dialogs->buttons[0], (std::vector<std::string>{"", "&Cancel", c.word}));
        EXPECT_TRUE(Global::userOpen);
        EXPECT_TRUE(win->shown());
        dialogs->nextChoice = 2;
        c.run(win);
        EXPECT_EQ(dialogs->questions.size(), 2u);
        ASSERT_EQ(chmod(data->path("user1.hma").c_str(), 0600), 0);
    }
    EXPECT_FALSE(win->shown()) << "the close box ends the program once the person agrees";
}

TEST_F(MainWindowTest, EachFileChangedOutsideBetweenTwoActionsIsNotOverwritten) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    // Another program gives Ada a new first name and a reading.
    const std::string outside = userFileXml(0, "Augusta", "Lovelace",
                                            "\t<variable name=\"Pulse\">\n\t\t<entry>\n\t\t\t<value>72</value>\n"
                                            "\t\t\t<date>2026/12/6</date>\n\t\t\t<time>08:05:00 AM</time>\n"
                                            "\t\t</entry>\n\t</variable>\n");
    data->write("user0.hma", outside);
    dialogs->nextChoice = 0;  // "&Cancel": nothing written, Ada stays open
    pickMenu("File/Save");
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].rfind("user0.hma was changed by another program since Quorvel read it.", 0), 0u);
    EXPECT_EQ(data->read("user0.hma"), outside);
    dialogs->nextChoice = 1;  // "Reload"
    chooseLine(2);
    EXPECT_EQ(dialogs->questions.size(), 2u);
    EXPECT_EQ(data->read("user0.hma"), outside);
    EXPECT_EQ(usersList()->value(), 1) << "the reloaded user stays open; the next choice goes through";
    EXPECT_EQ(lines(win->userInfoBox->browser).at(0).find("Augusta") != std::string::npos, true);
    EXPECT_NE(Global::findVariable("Pulse"), nullptr);
    chooseLine(2);
    EXPECT_EQ(Global::currentFile, "user1.hma");
    EXPECT_EQ(dialogs->questions.size(), 2u);

    // Alan's file changes outside; Overwrite writes what the window holds.
    data->write("user1.hma", userFileXml(1, "Alonzo", "Church", ""));
    dialogs->nextChoice = 2;
    pickMenu("File/Save");
    EXPECT_EQ(dialogs->questions.size(), 3u);
    EXPECT_NE(data->read("user1.hma").find("<first>Alan</first>"), std::string::npos);

    // A person added to the registry outside keeps their id and file.
    std::string config = data->read("config.hma");
    config.insert(config.find("</config>"), "\t<patient id=\"2\">\n\t\t<name>\n\t\t\t<first>Grace</first>\n"
                                            "\t\t\t<last>Hopper</last>\n\t\t</name>\n\t\t<file>user2.hma</file>\n"
                                            "\t</patient>\n");
    data->write("config.hma", config);
    data->write("user2.hma", userFileXml(2, "Grace", "Hopper", ""));
    win->newCB_i();
    InfoWindow* w = theInfoWindow();
    ASSERT_NE(w, nullptr);
    w->firstNameInput->value("Edsger");
    w->lastNameInput->value("Dijkstra");
    w->okButton->do_callback();
    EXPECT_EQ(lines(usersList()), (std::vector<std::string>{"Ada Lovelace", "Alan Turing", "Grace Hopper",
                                                           "Edsger Dijkstra"}));
    EXPECT_EQ(data->read("user2.hma"), userFileXml(2, "Grace", "Hopper", ""));
    EXPECT_FALSE(data->exists("user2.hma.old"));
    EXPECT_NE(data->read("user3.hma").find("Edsger"), std::string::npos);

    EXPECT_EQ(dialogs->questions.size(), 3u);
}

TEST_F(MainWindowTest, NewStopsWhenNoIdIsLeftAndEnablesNothing) {
    writeUsers({{2147483647, "Last", "Number", ""}});
    openWindow();
    pickMenu("File/New");
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("No free user id"), std::string::npos);
    EXPECT_EQ(theInfoWindow(), nullptr);
    EXPECT_FALSE(Global::userOpen);
    expectUserControls(false);
}

TEST_F(MainWindowTest, RemovalTheRegistryCannotSaveKeepsTheUser) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    const std::string config = data->read("config.hma");
    ASSERT_EQ(chmod(data->path("config.hma").c_str(), 0444), 0);
    dialogs->nextChoice = 2;  // "Remove"
    win->removeUserButton->do_callback();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("The user was not removed"), std::string::npos) << dialogs->alerts[0];
    EXPECT_EQ(data->read("config.hma"), config);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace", "Alan Turing"}));
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_TRUE(Global::userOpen);
    EXPECT_NE(Global::findNodeWithId("0"), nullptr);
    expectUserControls(true);
}

TEST_F(MainWindowTest, EscapeDoesNotEndTheProgramButTheCloseBoxDoes) {
    writeUsers(twoUsers);
    openWindow();
    Fl::e_keysym = FL_Escape;
    Fl::e_state = 0;
    static char escape[2] = {27, 0};
    Fl::e_text = escape;
    Fl::e_length = 1;
    Fl::handle(FL_KEYBOARD, win);
    Fl::e_keysym = 0;
    Fl::e_length = 0;
    EXPECT_TRUE(win->shown());
    Fl::handle(FL_CLOSE, win);
    EXPECT_FALSE(win->shown());
}

// The toolkit's question shows the name as it is, "@" included.
TEST_F(MainWindowTest, RemoveQuestionShowsAnAtSignInTheNameLiterally) {
    writeUsers({{0, "Ann", "Lee (ann@x.org)", ""}});
    openWindow();
    chooseLine(1);
    static std::string shown;
    shown.clear();
    Dialogs::useToolkitDialogs();
    Fl::add_timeout(0.2, [](void*) {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
            if (dynamic_cast<MainWindow*>(w)) continue;
            for (int i = 0; i < w->children(); ++i) {
                const char* label = w->child(i)->label();
                if (!label || std::string(label).find("remove user") == std::string::npos) continue;
                shown = label;
                w->hide();  // answers the question as closing it does: "Cancel"
                return;
            }
        }
    });
    win->removeUserButton->do_callback();
    dialogs.reset(new DialogRecorder());
    EXPECT_EQ(shown, "Do you really want to remove user:\nAnn Lee (ann@@x.org)?");
    EXPECT_NE(Global::findNodeWithId("0"), nullptr);
}

// The program's alerts and questions open over its window with a title, not
// wherever the pointer or the screen's centre is.
TEST_F(MainWindowTest, AlertsAndQuestionsOpenTitledOverTheMainWindow) {
    writeUsers(twoUsers);
    openWindow(560, 480);
    win->position(20, 30);
    Fl::check();
    Dialogs::useToolkitDialogs();
    struct Shown {
        std::string title;
        int x = -1, y = -1, w = 0, h = 0;
    };
    static Shown shown;
    const auto seeAndClose = [](void*) {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
            if (dynamic_cast<MainWindow*>(w) || !w->shown()) continue;
            shown = {w->label() ? w->label() : "", w->x(), w->y(), w->w(), w->h()};
            w->hide();  // answers as the close box does
            return;
        }
    };
    const auto expectOverTheWindow = [this](const char* title) {
        EXPECT_EQ(shown.title, title);
        const int cx = shown.x + shown.w / 2, cy = shown.y + shown.h / 2;
        EXPECT_GE(cx, win->x());
        EXPECT_LE(cx, win->x() + win->w());
        EXPECT_GE(cy, win->y());
        EXPECT_LE(cy, win->y() + win->h());
    };
    shown = Shown();
    Fl::add_timeout(0.2, seeAndClose);
    Dialogs::alert("The file could not be saved.");
    expectOverTheWindow("Notice");
    shown = Shown();
    Fl::add_timeout(0.2, seeAndClose);
    EXPECT_EQ(Dialogs::choice("Save it anyway?", "&No", "&Yes", nullptr), 0);
    expectOverTheWindow("Question");
    shown = Shown();
    Fl::add_timeout(0.2, seeAndClose);
    EXPECT_EQ(Dialogs::choice("Replace it?", "&Cancel", "&Replace", "&Keep"), 0);
    expectOverTheWindow("Question");
    dialogs.reset(new DialogRecorder());
}

TEST_F(MainWindowTest, RemoveWithoutSelectedLineStillAsks) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    usersList()->deselect();
    dialogs->nextChoice = 0;
    win->userRemoveCB_i();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0], "Do you really want to remove user:\n?");
}

TEST_F(MainWindowTest, RefreshPanelsSelectionRules) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(2);
    // A selected line is kept on the current user's rebuilt line.
    win->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(usersList()->value(), 2);
    // Without a selection and without reselecting, none is made.
    usersList()->deselect();
    win->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(usersList()->value(), 0);
    // Reselecting selects the current user's line.
    win->refreshPanels(MainWindow::UserLine::Reselected, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(usersList()->value(), 2);
    // Deselecting wins over a kept selection.
    win->refreshPanels(MainWindow::UserLine::Deselected, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(usersList()->value(), 0);
    // A current id that is no longer listed selects nothing.
    Global::currentId = "7";
    win->refreshPanels(MainWindow::UserLine::Reselected, MainWindow::ChartSeries::Kept);
    EXPECT_EQ(usersList()->value(), 0);
    // The information panel follows the open user.
    EXPECT_EQ(win->userInfoBox->browser->size(), 2);
    Global::userOpen = false;
    win->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Cleared);
    EXPECT_EQ(win->userInfoBox->browser->size(), 0);
}

TEST_F(MainWindowTest, NewUserWhileUserOpenSavesThatUserFirst) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(1);
    XmlNode* race = Global::userDoc->first_node("patient")->first_node("info")->first_node("race");
    race->value(Global::userDoc->allocate_string("Human"));
    Global::markUserChanged();
    pickMenu("File/New");
    EXPECT_NE(data->read("user0.hma").find("<race>Human</race>"), std::string::npos);
    InfoWindow* w = theInfoWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->label(), "New User");
    EXPECT_TRUE(w->isNew);
    EXPECT_TRUE(w->modal());
    EXPECT_STREQ(w->firstNameInput->value(), "");
    // Controls are enabled at once, before the new user is confirmed.
    expectUserControls(true);
}

TEST_F(MainWindowTest, EditCommandsOpenEditWindow) {
    writeUsers(twoUsers);
    openWindow();
    chooseLine(2);
    for (int way = 0; way < 3; ++way) {
        if (way == 0) pickMenu("Edit/Information");
        if (way == 1) win->editUserButton->do_callback();
        if (way == 2) win->infoButton->do_callback();
        InfoWindow* w = theInfoWindow();
        ASSERT_NE(w, nullptr) << way;
        EXPECT_STREQ(w->label(), "Edit User Information");
        EXPECT_FALSE(w->isNew);
        EXPECT_STREQ(w->firstNameInput->value(), "Alan");
        EXPECT_STREQ(w->lastNameInput->value(), "Turing");
        w->cancelButton->do_callback();
        Fl::check();
        EXPECT_TRUE(infoWindows().empty());
        EXPECT_TRUE(Global::userOpen);  // cancelling an edit keeps the user open
    }
}

// The help text: read once, a byte-order mark removed, any path length.
class HelpWindowTest : public MainWindowTest {
protected:
    std::string helpText() {
        EXPECT_NE(win->helpBuffer, nullptr);
        if (!win->helpBuffer) return std::string();
        char* t = win->helpBuffer->text();
        std::string s(t);
        free(t);
        return s;
    }
};

TEST_F(HelpWindowTest, ShowsReadmeWholeAndBuildsWindowOnce) {
    data->write("readme.txt", "Quorvel help\nline two\n");
    openWindow();
    EXPECT_EQ(win->helpWindow, nullptr);
    win->helpCB_i();
    ASSERT_NE(win->helpWindow, nullptr);
    EXPECT_TRUE(win->helpWindow->shown());
    EXPECT_STREQ(win->helpWindow->label(), "Help");
    EXPECT_EQ(win->helpWindow->w(), 700);
    EXPECT_EQ(win->helpWindow->h(), 480);
    EXPECT_EQ(win->helpDisplay->textsize(), 14);
    EXPECT_EQ(helpText(), "Quorvel help\nline two\n");
    // A second request shows the same window with the text as first read.
    Fl_Double_Window* first = win->helpWindow;
    win->helpWindow->hide();
    data->write("readme.txt", "changed");
    win->helpCB_i();
    EXPECT_EQ(win->helpWindow, first);
    EXPECT_TRUE(win->helpWindow->shown());
    EXPECT_EQ(helpText(), "Quorvel help\nline two\n");
}

// Whole within the screen's work area, whatever the screen (the suite runs
// this on a small screen too).
TEST_F(HelpWindowTest, TheHelpWindowFitsTheScreen) {
    data->write("readme.txt", "Quorvel help\n");
    openWindow(560, 380);
    win->helpCB_i();
    ASSERT_NE(win->helpWindow, nullptr);
    Fl::check();
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh);
    const Fl_Window* help = win->helpWindow;
    EXPECT_GE(help->x(), sx);
    EXPECT_GE(help->y(), sy);
    EXPECT_LE(help->x() + help->w(), sx + sw);
    EXPECT_LE(help->y() + help->h(), sy + sh);
    EXPECT_GE(help->w(), 300);
}

TEST_F(HelpWindowTest, ByteOrderMarkRemovedOnlyWhenPresent) {
    data->write("readme.txt", "\xEF\xBB\xBFWith mark");
    openWindow();
    win->helpCB_i();
    EXPECT_EQ(helpText(), "With mark");
}

TEST_F(HelpWindowTest, ShortTextShowsWhole) {
    data->write("readme.txt", "Hi");
    openWindow();
    win->helpCB_i();
    EXPECT_EQ(helpText(), "Hi");
}

TEST_F(HelpWindowTest, MissingReadmeLeavesTextEmptyWithoutMessage) {
    openWindow();
    std::remove(data->path("readme.txt").c_str());
    win->helpCB_i();
    EXPECT_EQ(helpText(), "");
    EXPECT_TRUE(dialogs->alerts.empty());
}

TEST_F(HelpWindowTest, LongDataFolderPath) {
    openWindow();
    // A data folder path far beyond 256 characters.
    std::string folder = data->root;
    for (int i = 0; i < 6; ++i) {
        folder += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    }
    folder += "/";
    ASSERT_GT(folder.size(), 300u);
    writeFile(folder + "readme.txt", "deep help");
    Global::dataFolder = folder;
    win->helpCB_i();
    EXPECT_EQ(helpText(), "deep help");
}

TEST_F(HelpWindowTest, InstalledReadmeDescribesTheProgram) {
    openWindow();
    win->helpCB_i();
    const std::string text = helpText();
    for (const char* topic : {"YYYY/MM/DD", "HH:MM:SS AM", "Multi-Display", "Normal Range Display",
                              "Analysis", "Brelwick/Quorvel", "Edit History", "Properties"})
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
}

// The shipped Help tells how a user's details are typed in the units and
// date style chosen when it is shown.
TEST_F(HelpWindowTest, TheUsersSectionFollowsTheChosenUnits) {
    std::ifstream shipped(std::string(QUORVEL_SOURCE_DIR) + "/data/readme.txt", std::ios::binary);
    data->write("readme.txt", std::string(std::istreambuf_iterator<char>(shipped), {}));
    openWindow();
    win->helpCB_i();
    EXPECT_NE(helpText().find("Body Weight: in pounds"), std::string::npos);
    win->helpWindow->hide();
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    metric.length = Units::Length::Centimetre;
    metric.dateStyle = Units::DateStyle::Iso;
    metric.clock24 = metric.named = true;
    win->useUnits(metric);
    win->helpCB_i();
    const std::string text = helpText();
    for (const char* part : {"Body Weight: in kilograms, for example 70.5 (or 70,5)",
                             "Height: in centimetres, for example 163.5", "for example 1975-04-23"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    for (const char* gone : {"in pounds", "5 ft 7.5 in", "1975/04/23"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
}
