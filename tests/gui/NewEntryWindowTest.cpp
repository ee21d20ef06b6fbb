// The new entry window: its layout per variable, the initial Date and Time,
// what OK and Add store in the user's file on disk, the refusals that write
// nothing, Cancel and the close box, and a failed save.
#include <gtest/gtest.h>

#include <cstring>

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Return_Button.H>

#include "NewEntryFixture.h"
#include "rules/readings/EntryRules.h"
#include "ui/chart/MyChart.h"
#include "ui/measurements/NewEntryWindow.h"

using namespace entrytest;

namespace {

class NewEntryWindowTest : public EntryFixture {
protected:
    NewEntryWindow* open(const std::string& variable, const std::string& tab = "Vitals") {
        std::string title = "Add history entry for " + tab + ": " + variable;
        windows.emplace_back(new NewEntryWindow(window, title.c_str(), tab.c_str(), variable.c_str()));
        Fl::check();
        return windows.back().get();
    }

    static void fill(NewEntryWindow* w, const std::vector<std::string>& texts) {
        ASSERT_EQ(w->inputs.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) w->inputs[i]->value(texts[i].c_str());
    }

    static std::vector<std::string> texts(NewEntryWindow* w) {
        std::vector<std::string> t;
        for (Fl_Input* i : w->inputs) t.push_back(i->value());
        return t;
    }

    // Puts an empty series of that name on the chart, to see the points
    // the window passes on.
    ChartVariable& series(const std::string& name) {
        ChartVariable v;
        v.name = name;
        window->chart->variables.push_back(v);
        return window->chart->variables.back();
    }

    static TimeKey key(int year, int month, int day, int hour, int minute, int second) {
        return TimeKey::fromTm(localTm(year, month, day, hour, minute, second));
    }

    void TearDown() override {
        for (auto& w : windows) w->hide();
        Fl::check();
        windows.clear();
        EntryFixture::TearDown();
    }

    std::vector<std::unique_ptr<NewEntryWindow>> windows;
};

TEST_F(NewEntryWindowTest, BloodPressureLayout) {
    NewEntryWindow* w = open("Blood Pressure");
    EXPECT_EQ(w->w(), 420);
    EXPECT_EQ(w->h(), 345);
    EXPECT_STREQ(w->label(), "Add history entry for Vitals: Blood Pressure");
    EXPECT_EQ(w->color(), panelColor);
    EXPECT_TRUE(w->modal());
    EXPECT_TRUE(w->shown());
    ASSERT_EQ(w->inputs.size(), 4u);
    const char* labels[] = {"Date", "Time", "Systolic", "Diastolic"};
    const int ys[] = {20, 50, 80, 110};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(w->inputs[i]->label(), labels[i]);
        EXPECT_EQ(w->inputs[i]->x(), 120);
        EXPECT_EQ(w->inputs[i]->y(), ys[i]);
        EXPECT_EQ(w->inputs[i]->w(), 120);
        EXPECT_EQ(w->inputs[i]->h(), 25);
    }
    // Every typed character is kept: "36,8" and "70 kg" reach the checks.
    EXPECT_EQ(w->inputs[2]->type(), FL_NORMAL_INPUT);
    EXPECT_EQ(w->inputs[3]->type(), FL_NORMAL_INPUT);
    ASSERT_TRUE(w->addButton && w->okButton && w->cancelButton);
    EXPECT_STREQ(w->addButton->label(), "&Add");
    EXPECT_STREQ(w->okButton->label(), "OK");
    EXPECT_STREQ(w->cancelButton->label(), "&Cancel");
    EXPECT_EQ(w->addButton->x(), 100);
    EXPECT_EQ(w->okButton->x(), 175);
    EXPECT_EQ(w->cancelButton->x(), 250);
    // The pulse below the diastolic value, as meters show the three.
    ASSERT_NE(w->pulseInput, nullptr);
    EXPECT_EQ(w->pulseInput->y(), 140);
    EXPECT_EQ(w->pulseInput->x(), 120);
    // Below them what the person says about the reading and how it was taken.
    ASSERT_TRUE(w->noteInput && w->armChoice && w->positionChoice && w->irregularCheck);
    EXPECT_STREQ(w->noteInput->label(), "Note");
    EXPECT_STREQ(w->armChoice->label(), "Arm");
    EXPECT_STREQ(w->positionChoice->label(), "Position");
    EXPECT_STREQ(w->irregularCheck->label(), "Irregular heartbeat flagged by the meter");
    EXPECT_EQ(w->noteInput->y(), 170);
    EXPECT_EQ(w->irregularCheck->y(), 260);
    for (Fl_Button* b : {w->addButton, static_cast<Fl_Button*>(w->okButton), w->cancelButton}) {
        EXPECT_EQ(b->y(), 300);
        EXPECT_EQ(b->w(), 70);
        EXPECT_EQ(b->h(), 30);
        EXPECT_EQ(b->box(), FL_UP_BOX);
    }
}

TEST_F(NewEntryWindowTest, SingleValueAndBloodSugarLayouts) {
    NewEntryWindow* pulse = open("Pulse");
    ASSERT_EQ(pulse->inputs.size(), 3u);
    EXPECT_STREQ(pulse->inputs[2]->label(), "Value");
    EXPECT_EQ(pulse->inputs[2]->y(), 80);
    // A note, but no arm or position: they belong to blood pressure.
    ASSERT_NE(pulse->noteInput, nullptr);
    EXPECT_EQ(pulse->noteInput->y(), 110);
    EXPECT_EQ(pulse->armChoice, nullptr);
    EXPECT_EQ(pulse->okButton->y(), 150);
    NewEntryWindow* sugar = open("Blood Sugar");
    ASSERT_EQ(sugar->inputs.size(), 4u);
    EXPECT_STREQ(sugar->inputs[2]->label(), "Fasting");
    EXPECT_STREQ(sugar->inputs[3]->label(), "Postprandial");
    EXPECT_EQ(sugar->okButton->y(), 180);
}

TEST_F(NewEntryWindowTest, MoodHasIndexChoiceOneToTen) {
    NewEntryWindow* w = open("Mood");
    ASSERT_EQ(w->inputs.size(), 3u);
    Fl_Input* field = w->inputs[2];
    EXPECT_STREQ(field->label(), "Value");
    EXPECT_EQ(field->labeltype(), FL_NO_LABEL);
    EXPECT_EQ(field->type(), FL_NORMAL_INPUT);
    auto* choice = dynamic_cast<Fl_Input_Choice*>(field->parent());
    ASSERT_NE(choice, nullptr);
    EXPECT_STREQ(choice->label(), "Mood Index");
    EXPECT_EQ(choice->x(), 120);
    EXPECT_EQ(choice->y(), 80);
    const Fl_Menu_Item* menu = choice->menubutton()->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(choice->menubutton()->size(), 11);  // ten items and the terminator
    for (int i = 0; i < 10; ++i) EXPECT_EQ(std::string(menu[i].label()), std::to_string(i + 1));
    bool hint = false;
    for (int i = 0; i < w->children(); ++i) {
        auto* box = dynamic_cast<Fl_Box*>(w->child(i));
        if (box && box->label() && std::string(box->label()) == "1: lowest; 10: highest") {
            hint = true;
            EXPECT_EQ(box->x(), 245);
            EXPECT_EQ(box->y(), 80);
        }
    }
    EXPECT_TRUE(hint);
    EXPECT_EQ(w->okButton->y(), 150);
}

TEST_F(NewEntryWindowTest, DateAndTimeStartAtNow) {
    std::time_t before = std::time(nullptr);
    NewEntryWindow* w = open("Pulse");
    std::time_t after = std::time(nullptr);
    EXPECT_EQ(w->inputs[0]->value(), w->dateText);
    EXPECT_EQ(w->inputs[1]->value(), w->timeText);
    std::tm when{};
    ASSERT_EQ(EntryRules::readWhen(w->dateText, w->timeText, when), EntryRules::Refusal::NotRefused);
    std::time_t shown = std::mktime(&when);
    EXPECT_GE(shown, before);
    EXPECT_LE(shown, after);
}

TEST_F(NewEntryWindowTest, OtherTabsHoldOnlyDateAndTime) {
    NewEntryWindow* lab = open("Sodium", "Lab");
    EXPECT_EQ(lab->inputs.size(), 2u);
    EXPECT_EQ(lab->okButton, nullptr);
    EXPECT_EQ(lab->addButton, nullptr);
    testing::internal::CaptureStderr();
    NewEntryWindow* other = open("Pulse", "vitals");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(other->inputs.size(), 2u);
    EXPECT_NE(err.find("Unrecognized tab: vitals\n"), std::string::npos);
}

TEST_F(NewEntryWindowTest, OkStoresTheNextNumberAndCloses) {
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/3/5", "09:07:05 PM", "72"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_TRUE(dialogs->alerts.empty());
    EXPECT_FALSE(w->shown());
    auto entries = savedEntries("Pulse");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].id, "8");  // one more than 7, although 1 to 6 are missing
    EXPECT_EQ(entries[2].names(), (std::vector<std::string>{"value", "date", "time"}));
    EXPECT_EQ(entries[2].child("value"), "72.000000");
    EXPECT_EQ(entries[2].child("date"), "2024/3/5");
    EXPECT_EQ(entries[2].child("time"), "09:07:05 PM");
    const std::string trace = data->trace();
    for (const char* name : {"NewEntryWindow::NewEntryWindow", "NewEntryWindow::saveCB_i", "NewEntryWindow::insertEntry"})
        EXPECT_NE(trace.find(name), std::string::npos) << name;
}

TEST_F(NewEntryWindowTest, FirstEntryOfAVariableIsZero) {
    NewEntryWindow* w = open("Temperature");
    fill(w, {"2024/03/05", "07:00:00 am", "98.6"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    auto entries = savedEntries("Temperature");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "0");
    EXPECT_EQ(entries[0].child("value"), "98.600000");
    EXPECT_EQ(entries[0].child("time"), "07:00:00 AM");  // in the file's own form
}

TEST_F(NewEntryWindowTest, OnlySystolicStoresSystolicAndTellsTheChartOnlySystolic) {
    ChartVariable& systolic = series("Systolic");
    ChartVariable& diastolic = series("Diastolic");
    NewEntryWindow* w = open("Blood Pressure");
    fill(w, {"2024/03/05", "12:30:00 AM", "120", ""});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_TRUE(dialogs->alerts.empty());
    auto entries = savedEntries("Blood Pressure");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].names(), (std::vector<std::string>{"systolic", "date", "time"}));
    EXPECT_EQ(entries[0].child("systolic"), "120.000000");
    ASSERT_EQ(systolic.points.size(), 1u);
    EXPECT_EQ(systolic.points.begin()->first.instant, key(2024, 3, 5, 0, 30, 0).instant);
    EXPECT_DOUBLE_EQ(systolic.points.begin()->second, 120);
    EXPECT_TRUE(diastolic.points.empty());
}

TEST_F(NewEntryWindowTest, AMetersDisplayTypedInItsOrderStoresEachValueWhereItBelongs) {
    const std::size_t pulsesBefore = savedEntries("Pulse").size();
    NewEntryWindow* w = open("Blood Pressure");
    ASSERT_NE(w->pulseInput, nullptr);
    w->inputs[0]->value("2024/03/05");
    w->inputs[1]->value("08:15:00 AM");
    // SYS, DIA, PULSE as the meter shows them: 142 Tab 76 Tab 88.
    w->inputs[2]->take_focus();
    for (const char* key : {"142", "\t", "76", "\t", "88"}) {
        Fl::e_keysym = key[0] == '\t' ? FL_Tab : key[0];
        Fl::e_state = 0;
        Fl::e_text = const_cast<char*>(key);
        Fl::e_length = static_cast<int>(std::strlen(key));
        Fl::handle(FL_KEYBOARD, w);
    }
    Fl::e_keysym = 0;
    Fl::e_length = 0;
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_TRUE(dialogs->alerts.empty());
    auto pressure = savedEntries("Blood Pressure");
    ASSERT_EQ(pressure.size(), 1u);
    EXPECT_EQ(pressure[0].child("systolic"), "142.000000");
    EXPECT_EQ(pressure[0].child("diastolic"), "76.000000");
    auto pulse = savedEntries("Pulse");
    ASSERT_EQ(pulse.size(), pulsesBefore + 1);
    EXPECT_EQ(pulse.back().child("value"), "88.000000");
    EXPECT_EQ(pulse.back().child("time"), "08:15:00 AM");
    // The main window says what was stored.
    EXPECT_EQ(std::string(window->statusBox->label()),
              " Added Blood Pressure 142/76 mmHg on 2024/03/05 08:15:00 AM; "
              "Pulse 88 /min on 2024/03/05 08:15:00 AM");
}

TEST_F(NewEntryWindowTest, SingleValueGoesToTheSeriesOfTheVariable) {
    ChartVariable& pulse = series("Pulse");
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "12:30:00 PM", "64.5"});
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    ASSERT_EQ(pulse.points.size(), 1u);
    EXPECT_EQ(pulse.points.begin()->first.instant, key(2024, 3, 5, 12, 30, 0).instant);
    EXPECT_DOUBLE_EQ(pulse.points.begin()->second, 64.5);
}

TEST_F(NewEntryWindowTest, AddTwiceStoresConsecutiveEntriesAndStaysOpen) {
    ChartVariable& systolic = series("Systolic");
    NewEntryWindow* w = open("Blood Pressure");
    fill(w, {"2024/03/05", "13:30:00 AM", "120", "80"});
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    EXPECT_TRUE(w->shown());
    EXPECT_EQ(texts(w), (std::vector<std::string>{"2024/03/05", "13:30:00 AM", "", ""}));
    fill(w, {"2024/03/05", "13:30:05 AM", "125", "85"});
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    EXPECT_TRUE(w->shown());
    EXPECT_TRUE(dialogs->alerts.empty());
    auto entries = savedEntries("Blood Pressure");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, "0");
    EXPECT_EQ(entries[1].id, "1");
    EXPECT_EQ(entries[0].names(), (std::vector<std::string>{"systolic", "diastolic", "date", "time"}));
    EXPECT_EQ(entries[1].child("diastolic"), "85.000000");
    EXPECT_EQ(entries[1].child("time"), "01:30:05 AM");
    ASSERT_EQ(systolic.points.size(), 2u);
    EXPECT_EQ(systolic.points.begin()->first.instant, key(2024, 3, 5, 1, 30, 0).instant);
    EXPECT_DOUBLE_EQ(systolic.points.rbegin()->second, 125);
    w->cancelCB_i();
    EXPECT_FALSE(w->shown());
    EXPECT_EQ(savedEntries("Blood Pressure").size(), 2u);  // Cancel keeps what Add saved
}

TEST_F(NewEntryWindowTest, ANoteArmPositionAndFlagAreStoredAfterTheTimeAndArmAndPositionAreOfferedAgain) {
    NewEntryWindow::lastArm.clear();
    NewEntryWindow::lastPosition.clear();
    NewEntryWindow* w = open("Blood Pressure");
    EXPECT_EQ(w->armChoice->value(), 0);  // nothing said yet
    fill(w, {"2024/03/05", "08:00:00 AM", "142", "91"});
    w->noteInput->value("after the walk & <stairs>");
    w->armChoice->value(1);       // left
    w->positionChoice->value(1);  // sitting
    w->irregularCheck->value(1);
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    EXPECT_TRUE(dialogs->alerts.empty());
    // The note and the flag belong to the reading; arm and position stay for the next.
    EXPECT_STREQ(w->noteInput->value(), "");
    EXPECT_EQ(w->irregularCheck->value(), 0);
    EXPECT_EQ(w->armChoice->value(), 1);
    auto entries = savedEntries("Blood Pressure");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].names(), (std::vector<std::string>{"systolic", "diastolic", "date", "time", "note", "arm",
                                                            "position", "irregular"}));
    EXPECT_EQ(entries[0].child("note"), "after the walk & <stairs>");
    EXPECT_EQ(entries[0].child("arm"), "left");
    EXPECT_EQ(entries[0].child("position"), "sitting");
    EXPECT_EQ(entries[0].child("irregular"), "yes");
    EXPECT_NE(data->read("user0.hma").find("<note>after the walk &amp; &lt;stairs&gt;</note>"), std::string::npos);
    w->cancelCB_i();
    NewEntryWindow* next = open("Blood Pressure");
    EXPECT_EQ(next->armChoice->value(), 1);
    EXPECT_EQ(next->positionChoice->value(), 1);
    // A pulse with nothing said is stored as before, without detail elements.
    NewEntryWindow* pulse = open("Pulse");
    fill(pulse, {"2024/03/05", "08:00:00 AM", "70"});
    pulse->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_EQ(savedEntries("Pulse").back().names(), (std::vector<std::string>{"value", "date", "time"}));
}

TEST_F(NewEntryWindowTest, AnOverLongNoteIsRefusedAndNothingIsWritten) {
    const std::string before = data->read("user0.hma");
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "08:00:00 AM", "70"});
    w->noteInput->value(std::string(ReadingDetails::kMaxNote + 1, 'x').c_str());
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("The note you entered is longer than 200 characters."), std::string::npos);
    EXPECT_TRUE(w->shown());
    EXPECT_EQ(data->read("user0.hma"), before);
}

TEST_F(NewEntryWindowTest, EarlyYearIsStoredAsTyped) {
    NewEntryWindow* w = open("Pulse");
    fill(w, {"1965/05/10", "01:05:00 pm", "66"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_TRUE(dialogs->alerts.empty());
    auto entries = savedEntries("Pulse");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].child("date"), "1965/05/10");
    EXPECT_EQ(entries[2].child("time"), "01:05:00 PM");
}

struct Refusal {
    std::vector<std::string> texts;  // Date, Time, Systolic, Diastolic
    std::string alert;               // exact text, or a part of it when partial
    bool partial;
};

TEST_F(NewEntryWindowTest, RefusedEntriesWriteNothingAndKeepTheWindow) {
    using EntryRules::message;
    const std::string long64 = "2024/03/05" + std::string(54, ' ');
    const std::vector<Refusal> cases = {
        // Told in the chosen style, by the example of today.
        {{"2024-03-05", "10:30:00 AM", "120", ""}, "could not be read.\nType it as, for example: ", true},
        {{"2024/03/05", "10.30.00", "120", ""}, "The time you entered could not be read.\nType it as", true},
        {{"2024/03/05", "10:30:00 AM", "-120", ""}, message(EntryRules::Refusal::Negative, "Systolic"), false},
        {{"2024/03/05", "10:30:00 Pm", "120", ""}, message(EntryRules::Refusal::BadSuffix), false},
        {{"2024/02/30", "10:30:00 AM", "120", ""}, message(EntryRules::Refusal::NoSuchDay), false},
        {{"1968/02/29", "10:30:00 AM", "120", ""}, message(EntryRules::Refusal::BadRange), false},
        {{"2024/03/05", "10:30:00 AM", "", ""}, message(EntryRules::Refusal::NoValueGiven), false},
        {{"2024/03/05", "10:30:00 AM", "abc", ""}, message(EntryRules::Refusal::NotANumber, "Systolic"), false},
        {{"2024/03/05", "10:30:00 AM", "120", "72abc"}, message(EntryRules::Refusal::NotANumber, "Diastolic"), false},
        {{"2244/01/01", "10:30:00 AM", "120", ""}, message(EntryRules::Refusal::AfterTomorrow), false},
        {{"2024/03/05", "10:30:00 AM", "1e2", "80"}, message(EntryRules::Refusal::NotANumber, "Systolic"), false},
        {{"2024/03/05", "10:30:00 AM", "120", "0x48"}, message(EntryRules::Refusal::NotANumber, "Diastolic"), false},
        {{"2024/03/05", "10:30:00 AM", "120", "1e999"}, "Diastolic", true},
        {{"2024/03/05", "10:30:00 AM", "nan", "80"}, "Systolic", true},
        {{"2024/03/05", "10:30:00 AM", "1e56", "80"}, "Systolic", true},
        {{long64, "10:30:00 AM", "120", "80"}, "Date", true},
        {{"2024/03/05", "10:30:00 AM" + std::string(60, ' '), "120", "80"}, "Time", true},
        {{"2024/03/05", "10:30:00 AM", "120", "80" + std::string(62, '0')}, "Diastolic", true},
    };
    ASSERT_EQ(long64.size(), 64u);
    const std::string before = data->read("user0.hma");
    ChartVariable& systolic = series("Systolic");
    NewEntryWindow* w = open("Blood Pressure");
    for (const Refusal& c : cases) {
        dialogs->alerts.clear();
        fill(w, c.texts);
        w->saveCB_i(NewEntryWindow::AfterSave::Close);
        ASSERT_EQ(dialogs->alerts.size(), 1u) << c.texts[0] << " " << c.texts[1] << " " << c.texts[2];
        if (c.partial)
            EXPECT_NE(dialogs->alerts[0].find(c.alert), std::string::npos) << dialogs->alerts[0];
        else
            EXPECT_EQ(dialogs->alerts[0], c.alert);
        EXPECT_TRUE(w->shown());
        EXPECT_EQ(texts(w), c.texts);
        EXPECT_EQ(data->read("user0.hma"), before);
        w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);  // Add refuses the same way
        EXPECT_EQ(dialogs->alerts.size(), 2u);
        EXPECT_EQ(texts(w), c.texts);
        EXPECT_EQ(data->read("user0.hma"), before);
    }
    EXPECT_TRUE(systolic.points.empty());
    XmlNode* bp = Global::findVariable("Blood Pressure");
    ASSERT_NE(bp, nullptr);
    EXPECT_EQ(bp->first_node("entry"), nullptr);
}

TEST_F(NewEntryWindowTest, MissingVariableIsCreatedLast) {
    NewEntryWindow* w = open("Weight");
    fill(w, {"2024/03/05", "08:00:00 AM", "70.25"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_TRUE(dialogs->alerts.empty());
    EXPECT_EQ(savedVariableNames(),
              (std::vector<std::string>{"Pulse", "Blood Pressure", "Temperature", "Mood", "Weight"}));
    auto entries = savedEntries("Weight");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "0");
    EXPECT_EQ(entries[0].child("value"), "70.250000");
    XmlNode* weight = Global::findVariable("Weight");
    ASSERT_NE(weight, nullptr);
    EXPECT_STREQ(weight->first_attribute()->name(), "name");
}

TEST_F(NewEntryWindowTest, RefusedEntryForMissingVariableLeavesTheFileAlone) {
    const std::string before = data->read("user0.hma");
    NewEntryWindow* w = open("Weight");
    fill(w, {"2024/03/05", "08:00:00 AM", ""});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(data->read("user0.hma"), before);
    // Nothing is added in memory either: the entry is checked before the document is touched.
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_EQ(Global::findVariable("Weight"), nullptr);
}

TEST_F(NewEntryWindowTest, CancelAndTheCloseBoxWriteNothing) {
    const std::string before = data->read("user0.hma");
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "08:00:00 AM", "80"});
    w->cancelButton->do_callback();
    EXPECT_FALSE(w->shown());
    NewEntryWindow* closed = open("Pulse");
    fill(closed, {"2024/03/05", "08:00:00 AM", "80"});
    closed->do_callback();  // what the window manager's close box runs
    EXPECT_FALSE(closed->shown());
    EXPECT_EQ(data->read("user0.hma"), before);
    EXPECT_TRUE(dialogs->alerts.empty());
}

TEST_F(NewEntryWindowTest, ButtonsRunTheirActions) {
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "08:00:00 AM", "80"});
    w->addButton->do_callback();
    EXPECT_TRUE(w->shown());
    EXPECT_STREQ(w->inputs[2]->value(), "");
    w->inputs[1]->value("09:00:00 AM");
    w->inputs[2]->value("81");
    w->okButton->do_callback();
    EXPECT_FALSE(w->shown());
    auto entries = savedEntries("Pulse");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].id, "8");
    EXPECT_EQ(entries[3].id, "9");
    EXPECT_EQ(entries[3].child("value"), "81.000000");
}

TEST_F(NewEntryWindowTest, FailedSaveKeepsTheWindowAndRetryAddsNoDuplicate) {
    const std::string before = data->read("user0.hma");
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "08:00:00 AM", "80"});
    const std::string folder = Global::dataFolder;
    Global::dataFolder = data->root + "/missing-folder/";
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    Global::dataFolder = folder;
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("Unable to save file"), std::string::npos);
    EXPECT_TRUE(w->shown());
    EXPECT_EQ(texts(w), (std::vector<std::string>{"2024/03/05", "08:00:00 AM", "80"}));
    EXPECT_EQ(data->read("user0.hma"), before);
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_FALSE(w->shown());
    auto entries = savedEntries("Pulse");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].id, "8");
    EXPECT_EQ(entries[2].child("value"), "80.000000");
}

TEST_F(NewEntryWindowTest, CorrectedRetryAfterFailedSaveStoresOnlyTheCorrectedEntry) {
    ChartVariable& pulse = series("Pulse");
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/03/05", "08:00:00 AM", "80"});
    const std::string folder = Global::dataFolder;
    Global::dataFolder = data->root + "/missing-folder/";
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    Global::dataFolder = folder;
    EXPECT_EQ(texts(w)[2], "80");  // not cleared: nothing was saved
    EXPECT_TRUE(pulse.points.empty());
    w->inputs[2]->value("82abc");  // refused: the unsaved entry stays as it was
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    w->inputs[2]->value("82");
    w->saveCB_i(NewEntryWindow::AfterSave::KeepOpen);
    auto entries = savedEntries("Pulse");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].id, "8");
    EXPECT_EQ(entries[2].child("value"), "82.000000");
    int inMemory = 0;
    for (XmlNode* e = Global::findVariable("Pulse")->first_node("entry"); e; e = e->next_sibling("entry")) ++inMemory;
    EXPECT_EQ(inMemory, 3);
    ASSERT_EQ(pulse.points.size(), 1u);
    EXPECT_DOUBLE_EQ(pulse.points.begin()->second, 82);
}

TEST_F(NewEntryWindowTest, DisplayPicksAfterANewEntryShowItsPoint) {
    window->resetDisplayMenu(MainWindow::Checks::Cleared);
    const auto pickAndCount = [this](Fl_Menu_Button* menu) {
        const Fl_Menu_Item* item = menu->find_item("Vitals/Pulse");
        EXPECT_NE(item, nullptr);
        if (!item) return std::size_t{0};
        if (item->flags & FL_MENU_TOGGLE) const_cast<Fl_Menu_Item*>(item)->flags ^= FL_MENU_VALUE;
        menu->value(item);
        item->do_callback(menu);
        const auto& charted = window->chart->variables;
        EXPECT_EQ(charted.size(), 1u);
        return charted.empty() ? std::size_t{0} : charted.back().points.size();
    };
    EXPECT_EQ(pickAndCount(window->normalRangeMenu), 2u);
    NewEntryWindow* w = open("Pulse");
    fill(w, {"2024/3/5", "09:07:05 PM", "72"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    ASSERT_TRUE(dialogs->alerts.empty());
    EXPECT_EQ(pickAndCount(window->normalRangeMenu), 3u);
    EXPECT_EQ(pickAndCount(window->multiDisplayMenu), 3u);
    EXPECT_DOUBLE_EQ(window->chart->variables.back().points.rbegin()->second, 72);
}

TEST_F(NewEntryWindowTest, OverLongVariableNameIsRefused) {
    const std::string before = data->read("user0.hma");
    const std::string name(32, 'W');
    NewEntryWindow* w = open(name);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find(name), std::string::npos);
    EXPECT_FALSE(w->shown());
    fill(w, {"2024/03/05", "08:00:00 AM", "80"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    EXPECT_EQ(dialogs->alerts.size(), 2u);
    EXPECT_EQ(data->read("user0.hma"), before);
    EXPECT_EQ(Global::findVariable(name.c_str()), nullptr);

    NewEntryWindow* fits = open(std::string(31, 'W'));
    EXPECT_TRUE(fits->shown());
    EXPECT_EQ(dialogs->alerts.size(), 2u);
}

TEST_F(NewEntryWindowTest, MoodStoresTheIndexAsValue) {
    ChartVariable& mood = series("Mood");
    NewEntryWindow* w = open("Mood");
    fill(w, {"2024/03/05", "08:00:00 PM", "7"});
    w->saveCB_i(NewEntryWindow::AfterSave::Close);
    auto entries = savedEntries("Mood");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].names(), (std::vector<std::string>{"value", "date", "time"}));
    EXPECT_EQ(entries[0].child("value"), "7.000000");
    ASSERT_EQ(mood.points.size(), 1u);
    EXPECT_DOUBLE_EQ(mood.points.begin()->second, 7);
}

}  // namespace

// The file changed by another computer while a reading is typed: whatever
// the answer, the reading is stored or still shown with a word that it is not.
TEST_F(NewEntryWindowTest, AReadingTypedWhileTheFileChangedOutsideIsNeverDroppedUnsaid) {
    struct Case {
        const char* name;
        std::vector<int> answers;  // to the question (Keep Both, Reload, Overwrite, Cancel), then to the retry's
        const char* told;          // the alert after the first OK ("": none)
        bool outsideKept;
    } cases[] = {
        {"Keep Both", {0}, "", true},
        {"Reload, then OK", {1}, "is not stored: user0.hma was read again from disk without it", true},
        {"Cancel, then OK and Keep Both", {3, 0}, "is not stored in user0.hma yet", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        dialogs->choices = c.answers;
        NewEntryWindow* w = open("Pulse");
        fill(w, {"2024/03/05", "08:00:00 AM", "80"});
        std::string outside = data->read("user0.hma");
        outside.insert(outside.find("\t</variable>"), "\t\t<entry id=\"8\">\n\t\t\t<value>66.000000</value>\n\t\t\t"
                                                      "<date>2024/03/04</date>\n\t\t\t<time>07:00:00 AM</time>\n\t\t"
                                                      "</entry>\n");
        data->write("user0.hma", outside);
        w->saveCB_i(NewEntryWindow::AfterSave::Close);
        if (*c.told) {
            ASSERT_EQ(dialogs->alerts.size(), 1u);
            EXPECT_NE(dialogs->alerts[0].find(c.told), std::string::npos) << dialogs->alerts[0];
            EXPECT_TRUE(w->shown());
            EXPECT_EQ(texts(w), (std::vector<std::string>{"2024/03/05", "08:00:00 AM", "80"}));
            w->saveCB_i(NewEntryWindow::AfterSave::Close);
        }
        EXPECT_FALSE(w->shown());
        std::vector<std::string> values;
        for (const SavedEntry& e : savedEntries("Pulse")) values.push_back(e.child("value"));
        EXPECT_NE(std::find(values.begin(), values.end(), "80.000000"), values.end());
        EXPECT_EQ(std::find(values.begin(), values.end(), "66.000000") != values.end(), c.outsideKept);
        EXPECT_EQ(std::count(values.begin(), values.end(), "80.000000"), 1);
    }
}
