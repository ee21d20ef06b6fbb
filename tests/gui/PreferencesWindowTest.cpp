// The preferences window: switching units relabels the windows and shows
// the same readings, ranges and shading in the new units; the files keep theirs.
#include <algorithm>

#include <FL/Fl_Choice.H>
#include <FL/Fl_Output.H>

#include "MainWindowFixture.h"
#include "platform/Platform.h"
#include "rules/chart/ChartMath.h"
#include "store/DataFolderChoice.h"
#include "ui/chart/MyChart.h"
#include "ui/main/PreferencesWindow.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/users/InfoWindow.h"
#include "ui/users/UserInfoBox.h"

namespace {

// A fever and a normal morning, in the file's °F, and the template's range.
const char* const kTemperature =
    "\t<variable name=\"Temperature\">\n\t\t<normalLow>96.9</normalLow>\n\t\t<normalHigh>99.5</normalHigh>\n"
    "\t\t<panicLow>95</panicLow>\n\t\t<panicHigh>103</panicHigh>\n"
    "\t\t<entry id=\"0\"><value>98.600000</value><date>2026/11/01</date><time>08:00:00 AM</time></entry>\n"
    "\t\t<entry id=\"1\"><value>101.300000</value><date>2026/11/02</date><time>08:00:00 AM</time></entry>\n"
    "\t</variable>\n";

PreferencesWindow* thePreferencesWindow() {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (PreferencesWindow* p = dynamic_cast<PreferencesWindow*>(w)) return p;
    return nullptr;
}

// The shaded triangles of the chart's first series against its range.
std::vector<ChartMath::Triangle> shading(const ChartVariable& v) {
    std::vector<ChartMath::PixelPoint> points;
    int x = 0;
    for (const auto& p : v.points) points.push_back({x += 100, static_cast<int>(1000 - p.second * 10), p.second});
    return ChartMath::shadingTriangles(points, v.range.lo, v.range.hi, static_cast<int>(1000 - v.range.lo * 10),
                                       static_cast<int>(1000 - v.range.hi * 10));
}

}  // namespace

class PreferencesWindowTest : public MainWindowFixture {
protected:
    void choose(int temperature, int weight, int length, int sugar, int clock = 0, int date = 0, int decimal = 0) {
        pickMenu("Edit/Preferences\342\200\246");
        PreferencesWindow* p = thePreferencesWindow();
        ASSERT_NE(p, nullptr);
        // Two plain items each (a slash in a unit makes no submenu).
        for (Fl_Choice* c : {p->temperature, p->weight, p->length, p->sugar, p->clock, p->decimal})
            ASSERT_EQ(c->size(), 3);
        ASSERT_EQ(p->date->size(), 4);
        EXPECT_STREQ(p->date->text(2), "DD.MM.YYYY");
        EXPECT_STREQ(p->length->text(0), "ft/in");
        EXPECT_STREQ(p->sugar->text(1), "mmol/L");
        EXPECT_STREQ(p->clock->text(0), "12-hour (AM/PM)");
        EXPECT_STREQ(p->date->text(0), "YYYY/MM/DD");
        p->temperature->value(temperature);
        p->weight->value(weight);
        p->length->value(length);
        p->sugar->value(sugar);
        p->clock->value(clock);
        p->date->value(date);
        p->decimal->value(decimal);
        p->okButton->do_callback();
        EXPECT_FALSE(p->shown());
    }
};

TEST_F(PreferencesWindowTest, SwitchingUnitsRelabelsAndShowsTheSameReadingsInTheNewUnits) {
    writeUsers({{0, "Ada", "Lovelace", kTemperature}});
    openWindow();
    chooseLine(1);
    pick(win->normalRangeMenu, win->normalRangeMenu->find_item("Vitals/Temperature"));
    ASSERT_EQ(win->chart->variables.size(), 1u);
    // Without preferences nothing names a unit, as always.
    EXPECT_EQ(ChartMath::legendText("Temperature", ChartMath::Display::Multi, {}, win->units()), "Temperature");

    choose(1, 1, 1, 1);
    EXPECT_NE(data->read("preferences.xml").find("<temperature>Cel</temperature>"), std::string::npos);
    const ChartVariable& celsius = win->chart->variables.front();
    ASSERT_EQ(celsius.points.size(), 2u);
    EXPECT_NEAR(celsius.points.begin()->second, 37, 1e-9);
    EXPECT_NEAR(celsius.points.rbegin()->second, 38.5, 1e-9);
    EXPECT_EQ(celsius.range.hiText, "37.5");
    EXPECT_EQ(ChartMath::legendText("Temperature", ChartMath::Display::Multi, celsius.range, win->units()),
              "Temperature (\xC2\xB0" "C)");
    // The fever is shaded above the normal range, the normal morning not at all.
    std::vector<ChartMath::Triangle> shaded = shading(celsius);
    ASSERT_FALSE(shaded.empty());
    for (const ChartMath::Triangle& t : shaded) EXPECT_TRUE(t.above);

    NewEntryWindow entry(win, "Temperature", "Vitals", "Temperature");
    EXPECT_STREQ(entry.inputs[2]->label(), "Value (\xC2\xB0" "C)");
    entry.hide();
    HistoryTableWindow* history = HistoryTableWindow::showFor(win, "Temperature", 600, 400);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->columns.back(), "Temperature (\xC2\xB0" "C)");
    std::vector<std::string> values;
    for (const HistoryRow& row : history->rows) values.push_back(row.cells.back());
    std::sort(values.begin(), values.end());
    // One column, one number of decimals.
    EXPECT_EQ(values, (std::vector<std::string>{"37.0", "38.5"}));
    history->hide();

    // Back to °F: the same points as before, and the file never changed.
    const std::string file = data->read("user0.hma");
    choose(0, 0, 0, 0);
    EXPECT_NEAR(win->chart->variables.front().points.rbegin()->second, 101.3, 1e-9);
    EXPECT_EQ(ChartMath::legendText("Temperature", ChartMath::Display::Multi, {}, win->units()),
              "Temperature (\xC2\xB0" "F)");
    EXPECT_EQ(data->read("user0.hma"), file);
}

TEST_F(PreferencesWindowTest, PreferencesThatCannotBeSavedChangeNothingAndAreTold) {
    writeUsers({{0, "Ada", "Lovelace", kTemperature}});
    openWindow();
    Global::dataFolder += "missing/";
    pickMenu("Edit/Preferences\342\200\246");
    PreferencesWindow* p = thePreferencesWindow();
    ASSERT_NE(p, nullptr);
    p->temperature->value(1);
    p->okButton->do_callback();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("could not be saved"), std::string::npos);
    EXPECT_TRUE(p->shown());
    EXPECT_EQ(win->units(), Units::Preferences());
    p->cancelButton->do_callback();
    EXPECT_FALSE(p->shown());
}

TEST_F(PreferencesWindowTest, PersonalMeasuresAreShownAndEditedInTheChosenUnits) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    std::string file = data->read("user0.hma");
    file.replace(file.find("<weight/>"), 9, "<weight>148</weight>");
    file.replace(file.find("<height/>"), 9, "<height>5 ft 4 in</height>");
    file.replace(file.find("<dob/>"), 6, "<dob>1948/4/12</dob>");
    data->write("user0.hma", file);
    openWindow();
    chooseLine(1);
    EXPECT_EQ(lines(win->userInfoBox->browser)[3], "Weight:\t148 lbs");
    choose(1, 1, 1, 1, 0, 1);
    const std::vector<std::string> shown = lines(win->userInfoBox->browser);
    EXPECT_EQ(shown[2], "Date of Birth:\t1948-04-12");
    EXPECT_EQ(shown[3], "Weight:\t67.1 kg");
    EXPECT_EQ(shown[4], "Height:\t162.6 cm");

    MainWindow::infoCB(win->editUserButton, win);
    InfoWindow* edit = theInfoWindow();
    ASSERT_NE(edit, nullptr);
    EXPECT_STREQ(edit->weightInput->value(), "67.1");
    EXPECT_STREQ(edit->dobInput->value(), "1948-04-12");
    edit->weightInput->value("70.55");
    edit->okButton->do_callback();
    ASSERT_EQ(dialogs->alerts.size(), 1u);  // kg with at most one decimal
    edit->weightInput->value("70.5");
    edit->okButton->do_callback();
    EXPECT_EQ(dialogs->alerts.size(), 1u);
    const std::string saved = data->read("user0.hma");
    EXPECT_NE(saved.find("<weight>155.425895</weight>"), std::string::npos);
    EXPECT_NE(saved.find("<height>5 ft 4 in</height>"), std::string::npos);  // left as shown: kept
    EXPECT_NE(saved.find("<dob>1948/4/12</dob>"), std::string::npos);
    EXPECT_EQ(lines(win->userInfoBox->browser)[3], "Weight:\t70.5 kg");
}

TEST_F(PreferencesWindowTest, AReadingTypedInCelsiusAndIsoStyleIsStoredInTheFilesFormsAndShownAsTyped) {
    writeUsers({{0, "Ada", "Lovelace", kTemperature}});
    openWindow();
    chooseLine(1);
    choose(1, 1, 1, 1, 1, 1);
    NewEntryWindow* entry = new NewEntryWindow(win, "Temperature", "Vitals", "Temperature");
    const std::string startDate = entry->inputs[0]->value();
    ASSERT_EQ(startDate.size(), 10u);
    EXPECT_EQ(startDate[4], '-');
    EXPECT_EQ(std::string(entry->inputs[1]->value()).find('M'), std::string::npos);  // no AM or PM
    entry->inputs[0]->value("2026-11-03");
    entry->inputs[1]->value("19:30");
    entry->inputs[2]->value("37,25");
    entry->okButton->do_callback();
    const std::string file = data->read("user0.hma");
    EXPECT_NE(file.find("<value>99.050000</value>"), std::string::npos) << file;
    EXPECT_NE(file.find("<date>2026/11/03</date>"), std::string::npos);
    EXPECT_NE(file.find("<time>07:30:00 PM</time>"), std::string::npos);
    // Opened again for correction, it reads as it was typed.
    XmlNode* last = Global::findVariable("Temperature")->last_node("entry");
    NewEntryWindow again(win, "Temperature", last);
    EXPECT_STREQ(again.inputs[0]->value(), "2026-11-03");
    EXPECT_STREQ(again.inputs[1]->value(), "19:30:00");
    EXPECT_STREQ(again.inputs[2]->value(), "37.25");
    again.hide();
}

// Day first and the decimal comma: what the windows show and read; the file
// keeps its own forms.
TEST_F(PreferencesWindowTest, DayFirstDatesAndTheDecimalCommaAreShownAndReadEverywhere) {
    writeUsers({{0, "Ada", "Lovelace", kTemperature}});
    openWindow();
    chooseLine(1);
    pick(win->normalRangeMenu, win->normalRangeMenu->find_item("Vitals/Temperature"));
    choose(1, 1, 1, 1, 1, 2, 1);
    const std::string prefs = data->read("preferences.xml");
    EXPECT_NE(prefs.find("<dateStyle>DD.MM.YYYY</dateStyle>"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("<decimalMark>comma</decimalMark>"), std::string::npos) << prefs;
    NewEntryWindow* entry = new NewEntryWindow(win, "Temperature", "Vitals", "Temperature");
    const std::string startDate = entry->inputs[0]->value();
    ASSERT_EQ(startDate.size(), 10u);
    EXPECT_EQ(startDate.substr(2, 1) + startDate.substr(5, 1), "..");
    // A year-first date is not guessed at.
    entry->inputs[0]->value("2026/11/03");
    entry->inputs[1]->value("19:30");
    entry->inputs[2]->value("37,25");
    entry->okButton->do_callback();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("(day.month.year)"), std::string::npos) << dialogs->alerts[0];
    entry->inputs[0]->value("03.11.2026");
    entry->okButton->do_callback();
    const std::string file = data->read("user0.hma");
    EXPECT_NE(file.find("<value>99.050000</value>"), std::string::npos) << file;
    EXPECT_NE(file.find("<date>2026/11/03</date>"), std::string::npos);
    XmlNode* last = Global::findVariable("Temperature")->last_node("entry");
    NewEntryWindow again(win, "Temperature", last);
    EXPECT_STREQ(again.inputs[0]->value(), "03.11.2026");
    EXPECT_STREQ(again.inputs[2]->value(), "37,25");
    again.hide();

    HistoryTableWindow* history = HistoryTableWindow::showFor(win, "Temperature", 600, 400);
    ASSERT_NE(history, nullptr);
    std::vector<std::string> shown;
    for (int r = 0; r < static_cast<int>(history->rows.size()); ++r)
        shown.push_back(history->table->shownText(r, 0) + " " + history->table->shownText(r, 2));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"01.11.2026 37,00", "02.11.2026 38,50", "03.11.2026 37,25"}));
    history->hide();
    ASSERT_EQ(win->chart->variables.size(), 1u);
    EXPECT_EQ(win->chart->variables.front().range.hiText, "37,5");
}

// The data folder of this computer is chosen here too: a folder without a
// diary is refused, Cancel forgets the choice and OK remembers it for the
// next start, beside the units it saves.
TEST_F(PreferencesWindowTest, TheDataFolderChosenIsRememberedOnOkOnlyAndAFolderWithoutADiaryRefused) {
    writeUsers({{0, "Ada", "Lovelace", ""}});
    openWindow();
    const std::string empty = data->root + "/Empty", synced = data->root + "/Sync";
    ASSERT_TRUE(platform::makeFolders(empty + "/"));
    ASSERT_TRUE(platform::makeFolders(synced + "/"));
    writeFile(synced + "/config.hma", "<config/>\n");
    ASSERT_TRUE(DataFolderChoice::remember(""));
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        dialogs->alerts.clear();
        pickMenu("Edit/Preferences\342\200\246");
        PreferencesWindow* p = thePreferencesWindow();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(std::string(p->folder->value()), data->folder);
        dialogs->files = {empty, synced};
        p->folderButton->do_callback();
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_NE(dialogs->alerts[0].find("holds no Quorvel diary"), std::string::npos) << dialogs->alerts[0];
        EXPECT_EQ(std::string(p->folder->value()), data->folder);
        p->folderButton->do_callback();
        EXPECT_EQ(std::string(p->folder->value()), synced + "/");
        EXPECT_EQ(DataFolderChoice::remembered(), "");
        (ok ? p->okButton : p->cancelButton)->do_callback();
        EXPECT_FALSE(p->shown());
        EXPECT_EQ(DataFolderChoice::remembered(), ok ? synced + "/" : "");
        EXPECT_EQ(dialogs->alerts.size(), ok ? 2u : 1u);
        // The folder in use now stays the one opened.
        EXPECT_EQ(Global::dataFolder, data->folder);
    }
    EXPECT_NE(dialogs->alerts[1].find("from its next start"), std::string::npos);
}
