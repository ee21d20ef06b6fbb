// The user information panel and the edit window: the panel's lines, the
// checks with their alerts, new users, edits, cancelling and closing.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "MainWindowFixture.h"
#include "store/XmlFile.h"

namespace {

const char* const incompleteName = "Enter a value for first AND last name\nPlease try again";
const char* const unreadableDob =
    "The date of birth you entered could not be read.\nThe correct format is: year/month/day, for example 1950/06/15\n"
    "Please try again or hit \"Cancel\"";
const char* const dobRange =
    "Incorrect range for date of birth.\nThe correct format is: year/month/day, for example 1950/06/15\nPlease try again or hit \"Cancel\"";
const char* const noSuchDay =
    "The date of birth names a day that does not exist in that month.\nPlease try again or hit \"Cancel\"";
const char* const heightAlert =
    "The value you entered for height could not be read.\nThe correct format is for example: 5 ft 7.5 "
    "in\nPlease try again or hit \"Cancel\"";

}  // namespace

class InfoWindowTest : public MainWindowFixture {
protected:
    InfoWindow* openNewUser() {
        win->newCB_i();
        return theInfoWindow();
    }

    InfoWindow* openEdit() {
        MainWindow::infoCB(win->editUserButton, win);
        return theInfoWindow();
    }

    // Types the fields and presses OK; returns the alerts shown.
    std::vector<std::string> submit(InfoWindow* w, const char* first, const char* last, const char* dob,
                                    const char* height) {
        dialogs->alerts.clear();
        w->firstNameInput->value(first);
        w->lastNameInput->value(last);
        w->dobInput->value(dob);
        w->heightInput->value(height);
        w->okButton->do_callback();
        return dialogs->alerts;
    }
};

TEST_F(InfoWindowTest, WidgetsAtTheirPlaces) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->w(), 420);
    EXPECT_EQ(w->h(), 340);
    EXPECT_EQ(w->color(), panelColor);
    struct Expect {
        Fl_Widget* widget;
        const char* label;
        int y;
    };
    const Expect inputs[] = {{w->firstNameInput, "First name  ", 30}, {w->lastNameInput, "Last name  ", 60},
                             {w->dobInput, "Date of birth  ", 90},    {w->genderChoice, "Gender  ", 120},
                             {w->weightInput, "Body Weight  ", 150},  {w->heightInput, "Height  ", 180},
                             {w->stepSizeInput, "Step size  ", 210},  {w->raceInput, "Race  ", 240}};
    for (const Expect& e : inputs) {
        EXPECT_STREQ(e.widget->label(), e.label);
        EXPECT_EQ(e.widget->x(), 130) << e.label;
        EXPECT_EQ(e.widget->y(), e.y) << e.label;
        EXPECT_EQ(e.widget->w(), 120) << e.label;
    }
    EXPECT_STREQ(w->okButton->label(), "OK");
    EXPECT_EQ(w->okButton->x(), 135);
    EXPECT_STREQ(w->cancelButton->label(), "&Cancel");
    EXPECT_EQ(w->cancelButton->x(), 215);
    // The hints, in order.
    std::vector<std::string> hints;
    for (int i = 0; i < w->children(); ++i) {
        Fl_Widget* c = w->child(i);
        if (c->x() == 255 && c->label()) hints.push_back(c->label());
    }
    EXPECT_EQ(hints, std::vector<std::string>({"(required)", "(required)", "(format: YYYY/MM/DD)", "(in lbs)",
                                               "(format: 5 ft 7.5 in)", "(in inches)"}));
    ASSERT_EQ(w->genderChoice->menubutton()->size(), 3);  // two items and the end
    EXPECT_STREQ(w->genderChoice->menubutton()->menu()[0].label(), "Male");
    EXPECT_STREQ(w->genderChoice->menubutton()->menu()[1].label(), "Female");
}

TEST_F(InfoWindowTest, PanelShowsOnlyNamesForEmptyDetails) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    EXPECT_EQ(win->userInfoBox->browser->size(), 0);  // no user open
    chooseLine(1);
    EXPECT_EQ(lines(win->userInfoBox->browser),
              std::vector<std::string>({"First Name:\tAda", "Last Name:\tLovelace"}));
    const int* widths = win->userInfoBox->browser->column_widths();
    EXPECT_EQ(widths[0], 83);
    EXPECT_EQ(widths[1], 0);
}

TEST_F(InfoWindowTest, PanelShowsEveryDetailWithUnits) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    data->write("user0.hma",
                "<patient id=\"0\"><info><name><first>Ada</first><last>Lovelace</last></name>"
                "<dob>1815/12/10</dob><gender>Female</gender><weight>120</weight><height>5 ft 6 in</height>"
                "<stepSize>26</stepSize><race>-</race></info></patient>");
    openWindow();
    chooseLine(1);
    EXPECT_EQ(lines(win->userInfoBox->browser),
              std::vector<std::string>({"First Name:\tAda", "Last Name:\tLovelace", "Date of Birth:\t1815/12/10",
                                        "Gender:\tFemale", "Weight:\t120 lbs", "Height:\t5 ft 6 in",
                                        "Step size:\t26 in", "Race:\t-"}));
}

TEST_F(InfoWindowTest, PanelToleratesMissingAndMisplacedDetails) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    // No dob; race before height: the chain finds gender, weight, height, stepSize.
    data->write("user0.hma",
                "<patient id=\"0\"><info><name><first>Ada</first></name><gender>F</gender><race>x</race>"
                "<weight>1</weight><height>2</height><stepSize>3</stepSize></info></patient>");
    openWindow();
    chooseLine(1);
    EXPECT_EQ(lines(win->userInfoBox->browser),
              std::vector<std::string>({"First Name:\tAda", "Last Name:\t", "Gender:\tF", "Weight:\t1 lbs",
                                        "Height:\t2", "Step size:\t3 in"}));
    // No info at all: just the two empty name lines.
    pickMenu("File/Close");
    data->write("user0.hma", "<patient id=\"0\"/>");
    chooseLine(1);
    EXPECT_EQ(lines(win->userInfoBox->browser), std::vector<std::string>({"First Name:\t", "Last Name:\t"}));
}

TEST_F(InfoWindowTest, NewUserOkWritesUserFileAndRegistryAndSelectsLine) {
    writeUsers({});
    openWindow();
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    w->dobInput->value("1950/06/15");
    w->genderChoice->value("Female");
    w->weightInput->value("130.5");
    w->stepSizeInput->value("27");
    w->raceInput->value("Human");
    EXPECT_TRUE(submit(w, "Grace", "Hopper", "1950/06/15", "5 ft 6 in").empty());
    Fl::check();
    EXPECT_TRUE(infoWindows().empty());

    const std::string config = data->read("config.hma");
    EXPECT_NE(config.find("<first>Grace</first>"), std::string::npos);
    EXPECT_NE(config.find("<last>Hopper</last>"), std::string::npos);
    EXPECT_NE(config.find("<file>user0.hma</file>"), std::string::npos);
    EXPECT_NE(config.find("id=\"0\""), std::string::npos);
    const std::string user = data->read("user0.hma");
    for (const char* part : {"<first>Grace</first>", "<last>Hopper</last>", "<dob>1950/06/15</dob>",
                             "<gender>Female</gender>", "<weight>130.5</weight>", "<height>5 ft 6 in</height>",
                             "<stepSize>27</stepSize>", "<race>Human</race>", "<patient id=\"0\""})
        EXPECT_NE(user.find(part), std::string::npos) << part;
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(Global::currentId, "0");
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Grace Hopper"}));
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_EQ(traceCount("New User added in config: Grace Hopper, with id=0"), 1);
    EXPECT_EQ(traceCount("Saved file user0.hma"), 1);
    EXPECT_EQ(traceCount("Saved file config.hma"), 1);
    // The user's file is written before the registry that points to it.
    const std::string log = data->trace();
    EXPECT_LT(log.find("Saved file user0.hma"), log.find("Saved file config.hma"));
    EXPECT_EQ(lines(win->userInfoBox->browser)[2], "Date of Birth:\t1950/06/15");
}

// Typed key by key, a decimal comma stays in the field and is read as the
// decimal point; a weight no person can have is asked about, and Cancel
// keeps the window open with nothing written.
TEST_F(InfoWindowTest, MeasuresTypedWithADecimalCommaAreKeptAndImplausibleOnesQuestioned) {
    writeUsers({});
    openWindow();
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    metric.length = Units::Length::Centimetre;
    metric.named = true;
    win->useUnits(metric);
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    auto type = [w](Fl_Input* input, const char* text) {
        input->take_focus();
        input->value("");
        for (const char* c = text; *c; ++c) {
            char key[2] = {*c, 0};
            Fl::e_keysym = *c;
            Fl::e_state = 0;
            Fl::e_text = key;
            Fl::e_length = 1;
            Fl::handle(FL_KEYBOARD, w);
        }
        Fl::e_length = 0;
    };
    type(w->weightInput, "705");
    EXPECT_TRUE(submit(w, "Zo\xC3\xAB", "\xC3\x85ngstr\xC3\xB6m", "", "").empty());
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0],
              "Body weight 705 kg is outside what a person can have (0.5 to 453.6 kg). Save it anyway?");
    EXPECT_EQ(theInfoWindow(), w);
    EXPECT_FALSE(data->exists("user0.hma"));

    type(w->weightInput, "70,5");
    type(w->stepSizeInput, "66,5");
    EXPECT_STREQ(w->weightInput->value(), "70,5");
    EXPECT_STREQ(w->stepSizeInput->value(), "66,5");
    type(w->heightInput, "163,5");
    w->heightInput->take_focus();
    EXPECT_TRUE(submit(w, "Zo\xC3\xAB", "\xC3\x85ngstr\xC3\xB6m", "", "163,5").empty());
    EXPECT_EQ(dialogs->questions.size(), 1u);
    const std::string user = data->read("user0.hma");
    for (const char* part : {"<weight>155.425895</weight>", "<height>5 ft 4.370079 in</height>",
                             "<stepSize>26.181102</stepSize>"})
        EXPECT_NE(user.find(part), std::string::npos) << part;
}

TEST_F(InfoWindowTest, NewUserTakesFirstFreeId) {
    writeUsers({{0, "Ada", "Lovelace", ""}, {2, "Alan", "Turing", ""}});
    openWindow();
    chooseLine(2);
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(submit(w, "Kurt", "Goedel", "", "").empty());
    EXPECT_TRUE(data->exists("user1.hma"));
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace", "Kurt Goedel", "Alan Turing"}));
    EXPECT_EQ(usersList()->value(), 2);
    // The previous user's file was saved, not overwritten with the new user.
    EXPECT_NE(data->read("user2.hma").find("Turing"), std::string::npos);
}

TEST_F(InfoWindowTest, NewUserNotRegisteredWhenItsFileCannotBeWritten) {
    writeUsers({});
    openWindow();
    // A folder that cannot be cleared stands where the save writes first.
    ASSERT_EQ(mkdir(data->path(".user0.hma.saving").c_str(), 0700), 0);
    data->write(".user0.hma.saving/inside", "x");
    const std::string config = data->read("config.hma");
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    const std::vector<std::string> alerts = submit(w, "Grace", "Hopper", "", "");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("user0.hma"), std::string::npos);
    EXPECT_EQ(data->read("config.hma"), config);
    EXPECT_EQ(Global::findNodeWithId("0"), nullptr);
    EXPECT_FALSE(data->exists("user0.hma"));
    EXPECT_EQ(usersList()->size(), 0);
    // The window stays open for another try or Cancel.
    EXPECT_EQ(theInfoWindow(), w);
    w->cancelButton->do_callback();
    EXPECT_FALSE(Global::userOpen);
}

TEST_F(InfoWindowTest, NewUserCancelLeavesRegistryAndDiskUntouched) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    InfoWindow* w = openNewUser();  // saves the open user first
    ASSERT_NE(w, nullptr);
    const std::vector<std::string> files = data->files();
    const std::string config = data->read("config.hma");
    const std::string user0 = data->read("user0.hma");
    w->firstNameInput->value("Not");
    w->lastNameInput->value("Kept");
    w->cancelButton->do_callback();
    Fl::check();
    EXPECT_TRUE(infoWindows().empty());
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(usersList()->value(), 0);
    EXPECT_EQ(data->files(), files);
    EXPECT_EQ(data->read("config.hma"), config);
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(traceCount("New User added in config: "), 0);
    // Nothing saves the dropped document afterwards, under any name.
    pickMenu("File/Save");
    chooseLine(1);
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(data->files(), files);
}

TEST_F(InfoWindowTest, ClosingNewUserWindowFromTitleBarIsCancel) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    const std::string user0 = data->read("user0.hma");
    w->firstNameInput->value("Ghost");
    w->lastNameInput->value("User");
    // The window manager's close runs the window's callback.
    w->do_callback();
    Fl::check();
    EXPECT_TRUE(infoWindows().empty());
    EXPECT_FALSE(Global::userOpen);
    try {
        pickMenu("File/Exit");
    } catch (const ExitCalled&) {
    }
    pickMenu("File/Save");
    win->newCB_i();
    closeDialogs();
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(data->read("config.hma").find("Ghost"), std::string::npos);
}

TEST_F(InfoWindowTest, EditingNameUpdatesBothFilesAndList) {
    writeUsers({{0, "Ada", "Lovelace", ""}, {1, "Alan", "Turing", ""}});
    openWindow();
    chooseLine(2);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(submit(w, "Alan M.", "Turing-Smith", "1912/06/23", "").empty());
    EXPECT_NE(data->read("config.hma").find("<first>Alan M.</first>"), std::string::npos);
    EXPECT_NE(data->read("config.hma").find("<last>Turing-Smith</last>"), std::string::npos);
    EXPECT_NE(data->read("user1.hma").find("<first>Alan M.</first>"), std::string::npos);
    EXPECT_NE(data->read("user1.hma").find("<dob>1912/06/23</dob>"), std::string::npos);
    EXPECT_EQ(data->read("user0.hma"), userFileXml(0, "Ada", "Lovelace", ""));
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace", "Alan M. Turing-Smith"}));
    EXPECT_EQ(usersList()->value(), 2);
    EXPECT_EQ(traceCount("New User added in config: "), 0);
    EXPECT_EQ(Global::currentFile, "user1.hma");
    // Markup characters are stored escaped and read back as typed.
    w = openEdit();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(submit(w, "A<b>&c", "T\"d'", "", "").empty());
    chooseLine(1);
    chooseLine(2);
    EXPECT_EQ(lines(usersList())[1], "A<b>&c T\"d'");
}

// When config.hma cannot be saved, the list, the registry and the user's own
// file keep showing what is on disk, and the window stays open.
TEST_F(InfoWindowTest, RegistrySaveFailureUndoesARenameAndANewUser) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    const std::string config = data->read("config.hma");
    const std::string user0 = data->read("user0.hma");
    ASSERT_EQ(chmod(data->path("config.hma").c_str(), 0444), 0);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    std::vector<std::string> alerts = submit(w, "Augusta", "King", "1815/12/10", "");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("The name was not changed"), std::string::npos) << alerts[0];
    EXPECT_EQ(data->read("config.hma"), config);
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace"}));
    EXPECT_STREQ(Global::childText(Global::findNodeWithId("0")->first_node("name"), "first"), "Ada");
    EXPECT_EQ(XmlFile::print(Global::userDoc).find("Augusta"), std::string::npos);
    EXPECT_EQ(theInfoWindow(), w);
    w->cancelButton->do_callback();

    w = openNewUser();
    ASSERT_NE(w, nullptr);
    alerts = submit(w, "Grace", "Hopper", "", "");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("The user was not added"), std::string::npos) << alerts[0];
    EXPECT_EQ(data->read("config.hma"), config);
    EXPECT_FALSE(data->exists("user1.hma")) << "no file of an unregistered user is left";
    EXPECT_EQ(Global::findNodeWithId("1"), nullptr);
    EXPECT_EQ(Global::currentFile, "user0.hma");
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace"}));
    EXPECT_EQ(theInfoWindow(), w);
}

// A rename on a disk with room for the registry only: the user's own file
// cannot take the new name, so the registry does not keep it either.
TEST_F(InfoWindowTest, RenameTheUsersFileCannotTakeKeepsTheOldNameInBothFiles) {
    const std::string mountPoint = data->root + "/small";
    mkdir(mountPoint.c_str(), 0700);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint};
    Global::dataFolder = mountPoint + "/";
    std::string entries = "\t<variable name=\"Pulse\">\n";
    for (int i = 0; i < 200; ++i)
        entries += "\t\t<entry>\n\t\t\t<value>72.000000</value>\n\t\t\t<date>2026/12/6</date>\n"
                   "\t\t\t<time>08:05:00 AM</time>\n\t\t</entry>\n";
    entries += "\t</variable>\n";
    writeFile(mountPoint + "/user0.hma", userFileXml(0, "Ann", "Lee", entries));
    writeFile(mountPoint + "/config.hma",
              "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
              "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n");
    openWindow();
    chooseLine(1);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    // Fill the disk, then free two pages: room for the registry, not for the user's file.
    const std::string filler = mountPoint + "/filler";
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    off_t size = 0;
    for (ssize_t n; (n = write(fd, block.data(), block.size())) > 0;) size += n;
    ASSERT_EQ(ftruncate(fd, size - 8192), 0);
    close(fd);

    testing::internal::CaptureStderr();
    const std::vector<std::string> alerts = submit(w, "Annabel", "Lee", "", "");
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("No space left on device"), std::string::npos) << alerts[0];
    EXPECT_NE(alerts[0].find("The name and details were not changed"), std::string::npos) << alerts[0];
    EXPECT_NE(readFile(mountPoint + "/config.hma").find("<first>Ann</first>"), std::string::npos);
    EXPECT_NE(readFile(mountPoint + "/user0.hma").find("<first>Ann</first>"), std::string::npos);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ann Lee"}));
    EXPECT_STREQ(Global::childText(Global::findNodeWithId("0")->first_node("name"), "first"), "Ann");
    EXPECT_EQ(XmlFile::print(Global::userDoc).find("Annabel"), std::string::npos);
    EXPECT_EQ(theInfoWindow(), w);
    // With room again the same rename reaches both files.
    unlink(filler.c_str());
    EXPECT_TRUE(submit(w, "Annabel", "Lee", "", "").empty());
    EXPECT_NE(readFile(mountPoint + "/config.hma").find("<first>Annabel</first>"), std::string::npos);
    EXPECT_NE(readFile(mountPoint + "/user0.hma").find("<first>Annabel</first>"), std::string::npos);
}

TEST_F(InfoWindowTest, EditWindowClosedFromTitleBarChangesNothing) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    w->firstNameInput->value("Changed");
    w->do_callback();
    Fl::check();
    EXPECT_TRUE(infoWindows().empty());
    EXPECT_TRUE(Global::userOpen);
    EXPECT_EQ(usersList()->value(), 1);
    EXPECT_EQ(lines(usersList()), std::vector<std::string>({"Ada Lovelace"}));
    EXPECT_EQ(traceCount("Saved file "), 0);
}

TEST_F(InfoWindowTest, ChecksShowExactAlertsAndKeepWindowOpen) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    const std::string user0 = data->read("user0.hma");
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    struct Case {
        const char* first;
        const char* last;
        const char* dob;
        const char* height;
        const char* alert;  // null: accepted
    };
    const Case refused[] = {
        {"Ada", "", "", "", incompleteName},
        {"", "Lovelace", "", "", incompleteName},
        {"Ada", "Lovelace", "1940/02/30", "", noSuchDay},
        {"Ada", "Lovelace", "15/06/1980", "", dobRange},
        {"Ada", "Lovelace", "June 1980", "", unreadableDob},
        {"Ada", "Lovelace", "1980/02/29", "5 ft", heightAlert},
        {"Ada", "Lovelace", "1980/02/29", "170 cm", heightAlert},
        {"", "", "bad", "bad", incompleteName},  // names are checked first
    };
    for (const Case& c : refused) {
        std::vector<std::string> alerts = submit(w, c.first, c.last, c.dob, c.height);
        ASSERT_EQ(alerts.size(), 1u) << c.dob << " " << c.height;
        EXPECT_EQ(alerts[0], c.alert);
        EXPECT_EQ(theInfoWindow(), w);  // still open, inputs as typed
        EXPECT_STREQ(w->dobInput->value(), c.dob);
    }
    EXPECT_EQ(data->read("user0.hma"), user0);
    EXPECT_EQ(traceCount("User tried to enter an incomplete name"), 3);
    EXPECT_EQ(traceCount("User tried to enter an incorrect dob: 1940/02/30"), 1);
    EXPECT_EQ(traceCount("User tried to enter an incorrect dob: 15/06/1980"), 1);
    EXPECT_EQ(traceCount("User tried to enter an incorrect height: 170 cm"), 1);
}

TEST_F(InfoWindowTest, AcceptedInputsAreStoredAsTyped) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    const char* const accepted[][2] = {{"1980/02/29", "5 ft 7"}, {"1950/06/15", ""}, {"", "5 ft 7.5 in"}};
    for (const auto& a : accepted) {
        InfoWindow* w = openEdit();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(submit(w, "Ada", "Lovelace", a[0], a[1]).empty()) << a[0] << " " << a[1];
        Fl::check();
        EXPECT_TRUE(infoWindows().empty());
        const std::string user = data->read("user0.hma");
        const std::string dob = *a[0] ? std::string("<dob>") + a[0] + "</dob>" : std::string("<dob/>");
        EXPECT_NE(user.find(dob), std::string::npos) << user;
        if (*a[1]) {
            EXPECT_NE(user.find(std::string("<height>") + a[1] + "</height>"), std::string::npos);
        }
    }
}

TEST_F(InfoWindowTest, SetInputAndSetNode) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    InfoWindow* w = openEdit();
    ASSERT_NE(w, nullptr);
    XmlNode* info = Global::userDoc->first_node("patient")->first_node("info");
    // Null name: the first child (name has first and last).
    Fl_Group::current(nullptr);
    Fl_Input probe(0, 0, 10, 10);
    w->setInput(nullptr, info->first_node("name"), &probe);
    EXPECT_STREQ(probe.value(), "Ada");
    probe.value("kept");
    w->setInput("missing", info, &probe);
    EXPECT_STREQ(probe.value(), "kept");
    // An existing child gets a copy of the text.
    probe.value("2001/01/01");
    w->setNode("dob", info, &probe);
    probe.value("changed afterwards");
    EXPECT_STREQ(Global::childText(info, "dob"), "2001/01/01");
    EXPECT_EQ(info->first_node("dob")->value_size(), 10u);
    // A missing child is created as the last child.
    info->remove_node(info->first_node("race"));
    probe.value("new race");
    w->setNode("race", info, &probe);
    ASSERT_NE(info->last_node(), nullptr);
    EXPECT_STREQ(info->last_node()->name(), "race");
    EXPECT_STREQ(info->last_node()->value(), "new race");
}

TEST_F(InfoWindowTest, NewUserWithNumberOfRemovedUserKeepsRemovedUsersFile) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    chooseLine(1);
    dialogs->nextChoice = 2;  // "Remove"
    win->userRemoveCB_i();
    const std::string removed = data->read("user0.hma");
    ASSERT_NE(removed.find("Lovelace"), std::string::npos);
    data->write("user0.hma.old", "an even earlier one");
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(submit(w, "Grace", "Hopper", "", "").empty());
    EXPECT_NE(data->read("user0.hma").find("Hopper"), std::string::npos);
    EXPECT_EQ(data->read("user0.hma.old"), "an even earlier one");
    EXPECT_EQ(data->read("user0.hma.old2"), removed);
    EXPECT_EQ(traceCount("Kept the earlier data file user0.hma as user0.hma.old2"), 1);
}

TEST_F(InfoWindowTest, EditCommandDoesNothingAfterNewUserCancelled) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    InfoWindow* w = openNewUser();
    ASSERT_NE(w, nullptr);
    w->cancelButton->do_callback();
    Fl::check();
    // The controls keep the state "File/New" gave them, but there is no user to edit.
    EXPECT_TRUE(win->editUserButton->active());
    win->editUserButton->do_callback();
    EXPECT_TRUE(infoWindows().empty());
    EXPECT_EQ(usersList()->size(), 1);
}
