// The File menu's exchanges of data through the dialog seam: the doctor's
// report and its opening in the browser, export, import with its summary,
// backup and restore.
#include <zip.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "MainWindowFixture.h"

#include <FL/Fl_Choice.H>

#include "app/Dialogs.h"
#include "platform/Platform.h"
#include "rules/units/PreferencesFile.h"
#include "store/DataFolderChoice.h"
#include "ui/chart/MyChart.h"
#include "ui/main/FileCommands.h"
#include "ui/main/ProgressWindow.h"
#include "ui/main/ReportWindow.h"

namespace {

std::string pulse(const std::string& entries) {
    return "\t<variable name=\"Pulse\"><normalLow/><normalHigh/><panicLow/><panicHigh/>" + entries + "</variable>\n";
}
std::string entry(int id, int value, const std::string& date) {
    return "<entry id=\"" + std::to_string(id) + "\"><value>" + std::to_string(value) + "</value><date>" + date +
           "</date><time>08:00:00 AM</time></entry>";
}

const std::string kHeader = "user_id,first_name,last_name,variable,member,datetime,value,entry_id\n";
std::string row(const std::string& who, const std::string& when, const std::string& value) {
    return who + ",Pulse,," + when + "," + value + ",\n";
}

const char* const kReport = "File/Report for the Doctor\342\200\246";
const char* const kExport = "File/Export Readings\342\200\246";
const char* const kImport = "File/Import Readings\342\200\246";
const char* const kBackUp = "File/Back Up\342\200\246";
const char* const kRestore = "File/Restore from Backup\342\200\246";

}  // namespace

class FileMenuTest : public MainWindowFixture {
protected:
    std::string savedPath;

    void SetUp() override {
        MainWindowFixture::SetUp();
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        writeUsers({{0, "Ada", "Lovelace", pulse(entry(0, 70, "2026/11/1") + entry(1, 72, "2026/11/2"))},
                    {1, "Alan", "Turing", pulse(entry(0, 60, "2026/11/3"))}});
        openWindow();
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        MainWindowFixture::TearDown();
    }

    // An opener on the PATH that records the file it is given and ends with status.
    std::string fakeOpener(int status) {
        const std::string bin = data->root + "/bin";
        mkdir(bin.c_str(), 0700);
        writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + bin + "/opened.tmp\"\nmv \"" + bin +
                                         "/opened.tmp\" \"" + bin + "/opened\"\nexit " + std::to_string(status) + "\n");
        chmod((bin + "/xdg-open").c_str(), 0700);
        setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
        return bin + "/opened";
    }

    static ReportWindow* reportWindow() {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
            if (ReportWindow* r = dynamic_cast<ReportWindow*>(w)) return r;
        return nullptr;
    }

    void closeUser() { pickMenu("File/Close"); }

    std::map<std::string, std::string> folderBytes() {
        std::map<std::string, std::string> bytes;
        for (const std::string& name : data->files()) bytes[name] = data->read(name);
        return bytes;
    }
};

TEST_F(FileMenuTest, ReportAndImportWaitForAUserExportAndBackupDoNot) {
    for (const char* path : {kReport, kImport}) EXPECT_FALSE(menuItem(path)->active()) << path;
    for (const char* path : {kExport, kBackUp, kRestore}) EXPECT_TRUE(menuItem(path)->active()) << path;
    chooseLine(1);
    for (const char* path : {kReport, kExport, kImport, kBackUp, kRestore}) EXPECT_TRUE(menuItem(path)->active());
}

TEST_F(FileMenuTest, ReportIsWrittenAndOpenedOrItsPlaceIsSaid) {
    chooseLine(1);
    for (int openerStatus : {0, 3}) {
        SCOPED_TRACE(openerStatus);
        const std::string opened = fakeOpener(openerStatus);
        std::remove(opened.c_str());
        const std::string page = data->root + "/report" + std::to_string(openerStatus) + ".html";
        dialogs->alerts.clear();
        pickMenu(kReport);
        ReportWindow* w = reportWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->periodChoice->value(), 1);  // "Last 90 days"
        dialogs->files = {page};
        w->writeCB_i();
        EXPECT_FALSE(w->shown());
        EXPECT_NE(readFile(page).find("Lovelace"), std::string::npos);
        EXPECT_EQ(readFile(opened), page);
        if (openerStatus == 0) {
            EXPECT_TRUE(dialogs->alerts.empty());
        } else {
            EXPECT_NE(dialogs->alerts.at(0).find(page), std::string::npos);
        }
    }
    // Offered in the documents folder under the data tool's name.
    EXPECT_NE(dialogs->fileDefaults.at(0).find("/Ada-Lovelace-"), std::string::npos);
}

TEST_F(FileMenuTest, AReportPeriodThatCannotBeReadKeepsTheWindow) {
    chooseLine(1);
    pickMenu(kReport);
    ReportWindow* w = reportWindow();
    ASSERT_NE(w, nullptr);
    w->periodChoice->value(3);
    w->periodCB_i();
    w->fromInput->value("2026-02-30");
    w->writeCB_i();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("2026-02-30"), std::string::npos);
    EXPECT_TRUE(dialogs->fileTitles.empty());
    EXPECT_TRUE(w->shown());
}

// The greyed days show the period of each choice; From … To starts from the
// last choice's days.
TEST_F(FileMenuTest, TheReportsGreyedDaysShowThePeriodChosen) {
    chooseLine(1);
    pickMenu(kReport);
    ReportWindow* w = reportWindow();
    ASSERT_NE(w, nullptr);
    const std::tm today = FileCommands::today();
    // Last year, Last 30 days, Last 90 days, Last year, then From … To.
    const struct {
        int choice;
        const char* period;
    } steps[] = {{2, "1y"}, {0, "30d"}, {1, "90d"}, {2, "1y"}, {3, "1y"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.choice);
        w->periodChoice->value(step.choice);
        w->periodCB_i();
        ReportPeriod expected;
        std::string error;
        ASSERT_TRUE(ReportPeriod::fromOptions("", "", step.period, today, expected, error)) << error;
        EXPECT_EQ(w->fromInput->value(), expected.fromText());
        EXPECT_EQ(w->toInput->value(), expected.toText());
        EXPECT_EQ(w->fromInput->active() != 0, step.choice == 3);
    }
}

// With DD.MM.YYYY the days are shown and read day first; a year-first day is
// refused, not read another way.
TEST_F(FileMenuTest, TheReportsDaysAreTypedDayFirstInThatStyle) {
    Units::Preferences dayFirst;
    dayFirst.dateStyle = Units::DateStyle::DayFirst;
    std::tm today{};
    today.tm_year = 2026 - 1900;
    today.tm_mon = 11;
    today.tm_mday = 10;
    ReportWindow w(today, dayFirst);
    EXPECT_STREQ(w.toInput->value(), "10.12.2026");
    w.periodChoice->value(3);
    w.periodCB_i();
    ReportPeriod chosen;
    std::string error;
    const struct {
        const char* from;
        bool read;
    } cases[] = {{"01.11.2026", true}, {" 1.11.2026 ", true}, {"2026-11-01", false}, {"11/01/2026", false},
                 {"31.11.2026", false}};
    for (const auto& c : cases) {
        w.fromInput->value(c.from);
        w.toInput->value("02.12.2026");
        EXPECT_EQ(w.period(chosen, error), c.read) << c.from;
        if (c.read) {
            EXPECT_EQ(chosen.fromText() + " " + chosen.toText(), "2026-11-01 2026-12-02");
        } else {
            EXPECT_NE(error.find("(a day that exists, from 1970 on, as 05.03.2026)"), std::string::npos) << error;
        }
    }
    w.hide();
}

TEST_F(FileMenuTest, ExportWritesTheBytesOfTheDataTool) {
    chooseLine(1);
    struct Case {
        int answer;
        const char* name;
        const char* toolOptions;
    };
    for (const Case& c : {Case{1, "ada.csv", "--user 0 --spreadsheet"}, Case{2, "all.json", "--format json"},
                          Case{1, "ada.fhir.json", "--user 0 --format fhir"}}) {
        SCOPED_TRACE(c.name);
        dialogs->nextChoice = c.answer;
        dialogs->files = {data->root + "/" + c.name};
        pickMenu(kExport);
        const std::string tool = data->root + "/tool-" + c.name;
        const std::string command = std::string(QUORVEL_BINARY_DIR) + "/quorvel-data --data-dir '" + data->folder +
                                    "' export " + c.toolOptions + " -o '" + tool + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(readFile(data->root + "/" + c.name), readFile(tool));
        EXPECT_FALSE(readFile(tool).empty());
        // The window says what was done.
        EXPECT_EQ(std::string(win->statusBox->label()),
                  std::string(" Exported ") + (c.answer == 1 ? "2 readings of Ada Lovelace" : "3 readings of everyone") +
                      " to " + data->root + "/" + c.name);
    }
}

TEST_F(FileMenuTest, ImportShowsWhatItWouldDoAndDoesWhatIsChosen) {
    const std::string ada = "0,Ada,Lovelace";
    const std::string good = kHeader + row(ada, "2026-11-01T08:00:00", "70") + row(ada, "2026-11-05T08:00:00", "75") +
                             row(ada, "2026-11-06T08:00:00", "76");
    const std::string mixed = good + row(ada, "2026-11-07T08:00:00", "abc");
    struct Case {
        const std::string* csv;
        int answer;
        std::vector<std::string> buttons;
        std::string question;
        std::size_t pointsAfter;
    };
    const std::string wouldAdd = "Would add 2 readings to Ada Lovelace; 1 already present; ";
    for (const Case& c : {Case{&good, 1, {"", "&Cancel", "Import"}, wouldAdd + "0 refused.", 2},
                          Case{&good, 2, {"", "&Cancel", "Import"}, wouldAdd + "0 refused.", 4},
                          Case{&mixed, 2, {"", "&Cancel", "Import the Good Rows"}, wouldAdd + "1 refused:\n", 4}}) {
        SCOPED_TRACE(c.buttons[2] + std::to_string(c.answer));
        chooseLine(1);
        pick(win->multiDisplayMenu, win->multiDisplayMenu->find_item("Vitals/Pulse"));
        const std::string file = data->root + "/in.csv";
        writeFile(file, *c.csv);
        dialogs->files = {file};
        dialogs->nextChoice = c.answer;
        dialogs->questions.clear();
        dialogs->buttons.clear();
        pickMenu(kImport);
        ASSERT_EQ(dialogs->questions.size(), 1u);
        EXPECT_EQ(dialogs->questions[0].substr(0, c.question.size()), c.question);
        if (c.csv == &mixed) {
            EXPECT_NE(dialogs->questions[0].find("in.csv:5: "), std::string::npos);
        }
        EXPECT_EQ(dialogs->buttons[0], c.buttons);
        // Chart, menus and file follow the document.
        ASSERT_EQ(win->chart->variables.size(), 1u);
        EXPECT_EQ(win->chart->variables.front().points.size(), c.pointsAfter);
        EXPECT_EQ(data->read("user0.hma").find("2026/11/05") != std::string::npos, c.answer == 2);
        EXPECT_TRUE(dialogs->alerts.empty());
        if (c.answer == 2) {
            closeUser();
            writeUsers({{0, "Ada", "Lovelace", pulse(entry(0, 70, "2026/11/1") + entry(1, 72, "2026/11/2"))}});
        }
    }
}

TEST_F(FileMenuTest, AFhirBundleFromTheWindowImportsBackThroughTheSameQuestion) {
    chooseLine(1);
    const std::string file = data->root + "/ada.fhir.json";
    dialogs->nextChoice = 1;  // "This Person"
    dialogs->files = {file};
    pickMenu(kExport);
    ASSERT_NE(readFile(file).find("\"resourceType\": \"Bundle\""), std::string::npos);
    closeUser();
    writeUsers({{0, "Ada", "Lovelace", pulse(entry(0, 70, "2026/11/1"))}});
    chooseLine(1);
    dialogs->files = {file};
    dialogs->nextChoice = 2;  // "Import"
    dialogs->questions.clear();
    pickMenu(kImport);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].substr(0, 58), "Would add 1 reading to Ada Lovelace; 1 already present; 0 ");
    EXPECT_EQ(dialogs->questions[0].find("left out"), std::string::npos) << "the Patient is the open user";
    EXPECT_NE(data->read("user0.hma").find("2026/11/02"), std::string::npos);
    EXPECT_TRUE(dialogs->alerts.empty());
}

namespace {

std::string pulseObservation(const std::string& quantity, const std::string& when) {
    return R"({"resource":{"resourceType":"Observation","status":"final","code":{"coding":[{"system":
        "http://loinc.org","code":"8867-4"}]},"effectiveDateTime":")" + when + R"(","valueQuantity":)" + quantity + "}}";
}

}  // namespace

// A value no person can have is asked about (Cancel leaves it out); a
// megabyte of text in a refused reading is shown cut.
TEST_F(FileMenuTest, AnImportAsksAboutValuesNoPersonCanHaveAndShowsLongTextsCut) {
    chooseLine(1);
    const std::string file = data->root + "/clinic.json";
    writeFile(file, R"({"resourceType":"Bundle","entry":[)" +
                        pulseObservation(R"({"value":75,"code":"/min"})", "2026-11-05T08:00:00+01:00") + "," +
                        pulseObservation(R"({"value":720,"code":"/min"})", "2026-11-06T08:00:00+01:00") + "," +
                        pulseObservation(R"({"value":74,"code":")" + std::string(1 << 20, 'u') + R"("})",
                                         "2026-11-07T08:00:00+01:00") +
                        "]}");
    for (int store : {1, 2}) {
        SCOPED_TRACE(store);
        dialogs->files = {file};
        dialogs->questions.clear();
        dialogs->buttons.clear();
        dialogs->choices = {store, 2};  // the values no person can have, then "Import the Good Rows"
        pickMenu(kImport);
        ASSERT_EQ(dialogs->questions.size(), 2u);
        EXPECT_EQ(dialogs->questions[0].substr(0, 61),
                  "1 reading is outside what can be measured on a person:\nclinic");
        EXPECT_NE(dialogs->questions[0].find("Pulse 720 /min is outside"), std::string::npos);
        EXPECT_EQ(dialogs->buttons[0], (std::vector<std::string>{"", "&Cancel", "Store Them"}));
        for (const std::string& question : dialogs->questions) {
            EXPECT_LT(question.size(), 1200u);
            std::istringstream lines(question);
            for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 163u) << line;
        }
        EXPECT_NE(data->read("user0.hma").find("2026/11/05"), std::string::npos);
        EXPECT_EQ(data->read("user0.hma").find("2026/11/06") != std::string::npos, store == 2);
        EXPECT_EQ(data->read("user0.hma").find("2026/11/07"), std::string::npos);
    }
    EXPECT_TRUE(dialogs->alerts.empty());
}

// Another person's bundle is refused by name; the second question, Cancel
// its default, imports it for the open user all the same.
TEST_F(FileMenuTest, ABundleOfAnotherPersonIsImportedOnlyWhenThePersonSaysSo) {
    chooseLine(1);
    const std::string file = data->root + "/alan.fhir.json";
    writeFile(file, R"({"resourceType":"Bundle","entry":[{"resource":{"resourceType":"Patient","name":[{"family":
        "Turing","given":["Alan"]}]}},)" + pulseObservation(R"({"value":61,"code":"/min"})", "2026-11-05T08:00:00+01:00") +
                        "]}");
    for (int answer : {1, 2}) {
        dialogs->files = {file};
        dialogs->questions.clear();
        dialogs->choices = {answer, 2};
        pickMenu(kImport);
        ASSERT_GE(dialogs->questions.size(), 1u);
        EXPECT_NE(dialogs->questions[0].find("holds readings of someone other than Ada Lovelace"), std::string::npos);
        EXPECT_NE(dialogs->questions[0].find("the file is for Alan Turing"), std::string::npos);
        EXPECT_EQ(dialogs->buttons.back().size(), 3u);
        EXPECT_EQ(data->read("user0.hma").find("2026/11/05") != std::string::npos, answer == 2);
    }
}

TEST_F(FileMenuTest, AFileOfAnotherPersonIsRefusedByName) {
    chooseLine(1);
    const std::string file = data->root + "/alan.csv";
    writeFile(file, kHeader + row("1,Alan,Turing", "2026-11-05T08:00:00", "61"));
    dialogs->files = {file};
    pickMenu(kImport);
    EXPECT_TRUE(dialogs->questions.empty());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("Alan Turing (id 1)"), std::string::npos);
    EXPECT_EQ(data->read("user0.hma").find("2026/11/05"), std::string::npos);
}

TEST_F(FileMenuTest, BackupRestoredIntoAnEmptyFolderGivesTheSameFiles) {
    const std::map<std::string, std::string> before = folderBytes();
    const std::string archive = data->root + "/backup.zip";
    dialogs->files = {archive};
    pickMenu(kBackUp);
    EXPECT_NE(dialogs->fileDefaults.at(0).find("/Quorvel-backup-"), std::string::npos);
    for (const auto& file : before) std::remove(data->path(file.first).c_str());
    dialogs->files = {archive};
    dialogs->nextChoice = 2;
    pickMenu(kRestore);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_NE(dialogs->questions[0].find("holds 2 people, 3 readings, made "), std::string::npos);
    EXPECT_EQ(folderBytes(), before);
    EXPECT_FALSE(Global::userOpen);
    EXPECT_EQ(lines(usersList()).size(), 2u);
    EXPECT_EQ(std::string(win->statusBox->label()).rfind(" Restored 2 people, 3 readings, made ", 0), 0u)
        << win->statusBox->label();
}

TEST_F(FileMenuTest, ABackupAndARestoreOfALargeFileShowHowFarTheyHaveCome) {
    std::string many;
    for (int i = 0; i < 40000; ++i) many += entry(i, 60 + i % 40, "2026/11/" + std::to_string(1 + i % 28));
    writeUsers({{0, "Ada", "Lovelace", pulse(many)}});
    // What the window shows at each step, beside what it was told.
    std::vector<int> told, shown;
    std::vector<std::string> titles;
    Dialogs::setProgressHandler([&](const std::string& title, int percent) {
        ProgressWindow::report(title, percent);
        if (percent < 0) {
            shown.push_back(ProgressWindow::current() ? 1000 : -1);
            return;
        }
        titles.push_back(title);
        told.push_back(percent);
        shown.push_back(ProgressWindow::current() ? ProgressWindow::current()->percent() : -1);
    });
    const std::string archive = data->root + "/backup.zip";
    dialogs->files = {archive};
    pickMenu(kBackUp);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told.front(), 0);
    EXPECT_EQ(told.back(), 100);
    EXPECT_EQ(titles.back(), "Backing up\342\200\246");
    std::vector<int> expected = told;
    expected.push_back(-1);  // closed at the end
    EXPECT_EQ(shown, expected);

    told.clear();
    shown.clear();
    titles.clear();
    dialogs->files = {archive};
    dialogs->nextChoice = 0;  // cancelled after reading: only the reading is shown
    pickMenu("File/Restore from Backup\342\200\246");
    ASSERT_EQ(dialogs->questions.size(), 1u);
    // Read in blocks: the bar moves through many steps, always forward, to the end.
    EXPECT_GT(told.size(), 5u);
    for (std::size_t i = 1; i < told.size(); ++i) EXPECT_GT(told[i], told[i - 1]);
    EXPECT_EQ(told.back(), 100);
    EXPECT_EQ(titles.back(), "Reading the backup\342\200\246");
    expected = told;
    expected.push_back(-1);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(ProgressWindow::current(), nullptr);
}

TEST_F(FileMenuTest, ADamagedBackupIsRefusedAndNothingChanges) {
    const std::string archive = data->root + "/backup.zip";
    dialogs->files = {archive};
    pickMenu(kBackUp);
    const std::string whole = readFile(archive);
    std::string flipped = whole;
    flipped[flipped.size() / 3] ^= 0x55;
    // A backup whose list of files gives another checksum for the registry.
    std::string relisted;
    {
        zip_error_t ze;
        zip_error_init(&ze);
        zip_t* za = zip_open((data->root + "/relisted.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
        static std::string list;
        list = "Quorvel backup\nmade 2026-12-01\n" + std::string(64, '0') + " 0 config.hma\n";
        static std::string config;
        config = data->read("config.hma");
        zip_file_add(za, "quorvel-backup.txt", zip_source_buffer(za, list.data(), list.size(), 0), 0);
        zip_file_add(za, "config.hma", zip_source_buffer(za, config.data(), config.size(), 0), 0);
        ASSERT_EQ(zip_close(za), 0);
        zip_error_fini(&ze);
        relisted = readFile(data->root + "/relisted.zip");
    }
    const std::map<std::string, std::string> before = folderBytes();
    for (const std::string& damaged : {flipped, whole.substr(0, whole.size() / 2), std::string("not a zip"), relisted}) {
        writeFile(archive, damaged);
        dialogs->files = {archive};
        dialogs->alerts.clear();
        pickMenu(kRestore);
        EXPECT_TRUE(dialogs->questions.empty());
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_NE(dialogs->alerts[0].find("cannot be restored; nothing was changed"), std::string::npos);
        EXPECT_EQ(folderBytes(), before);
    }
}

TEST_F(FileMenuTest, WithPreferencesSavedABackupIsMadeAndARestoreBringsTheirUnitsBack) {
    Units::Preferences metric;
    metric.temperature = Units::Temperature::Celsius;
    metric.mass = Units::Mass::Kilogram;
    metric.clock24 = true;
    metric.dateStyle = Units::DateStyle::Iso;
    metric.named = true;
    std::string error;
    ASSERT_TRUE(PreferencesFile::write(data->folder, metric, error)) << error;
    const std::string archive = data->root + "/backup.zip";
    dialogs->files = {archive};
    pickMenu(kBackUp);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(dialogs->alerts[0].find("Backed up 2 people, 3 readings"), 0u) << dialogs->alerts[0];

    // Another person's folder: its preferences and people are replaced.
    std::remove(data->path("preferences.xml").c_str());
    writeUsers({{0, "Ada", "Lovelace", pulse(entry(0, 70, "2026/11/1"))}, {4, "Cy", "Moe", pulse("")}});
    dialogs->alerts.clear();
    dialogs->files = {archive};
    dialogs->nextChoice = 2;
    pickMenu(kRestore);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_NE(dialogs->questions[0].find("Replaces Ada Lovelace (1 reading) with Ada Lovelace (2 readings); adds "
                                         "Alan Turing (1 reading); drops Cy Moe (0 readings)."),
              std::string::npos)
        << dialogs->questions[0];
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("The files it replaced are kept in\n" + data->folder + "before-restore-"),
              std::string::npos)
        << dialogs->alerts[0];
    EXPECT_EQ(win->units(), metric);
    EXPECT_EQ(lines(usersList()).size(), 2u);
}

// File, Data Folder…: a folder that holds a diary is remembered on this
// computer for the next start; one without a registry is refused.
TEST_F(FileMenuTest, DataFolderIsRememberedForTheNextStartAndAFolderWithoutADiaryRefused) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    const std::string empty = data->root + "/Empty", synced = data->root + "/Sync";
    ASSERT_TRUE(platform::makeFolders(empty + "/"));
    ASSERT_TRUE(platform::makeFolders(synced + "/"));
    writeFile(synced + "/config.hma", "<config/>\n");
    dialogs->files = {empty, synced};
    pickMenu("File/Data Folder\342\200\246");
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("holds no Quorvel diary"), std::string::npos);
    EXPECT_EQ(DataFolderChoice::remembered(), "");
    pickMenu("File/Data Folder\342\200\246");
    ASSERT_EQ(dialogs->alerts.size(), 2u);
    EXPECT_NE(dialogs->alerts[1].find("from its next start"), std::string::npos);
    EXPECT_EQ(DataFolderChoice::remembered(), synced + "/");
}
