// Readings kept right in the window: the history window removes (after a
// question, Cancel the default, put back when the save fails) and corrects
// readings; the entry window asks before an implausible value or a second
// reading at one time; chart points answer clicks; the empty chart says what
// to do; the toolbar looks inactive without a user. (The pulse typed with
// blood pressure and Add then Cancel are shown end to end.)
#include <gtest/gtest.h>

#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Return_Button.H>

#include <functional>
#include <memory>

#include "NewEntryFixture.h"
#include "store/SafeWriter.h"
#include "ui/chart/MyChart.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/measurements/VariablePropertiesWindow.h"
#include "ui/users/InfoWindow.h"

using namespace entrytest;

namespace {

using Texts = std::vector<std::string>;

// The real file operations, noting for each save whether the open user's
// document was marked changed when it was written.
class MarkSpyOps : public platform::FileOps {
public:
    std::vector<bool> marked;
    int createExclusive(const std::string& p) override {
        if (p.find("user0.hma") != std::string::npos) marked.push_back(Global::userUnsaved);
        return real().createExclusive(p);
    }
    bool writeAll(int h, const char* d, std::size_t n) override { return real().writeAll(h, d, n); }
    bool flushToDisk(int h) override { return real().flushToDisk(h); }
    bool close(int h) override { return real().close(h); }
    bool syncFolder(const std::string& f) override { return real().syncFolder(f); }
    bool remove(const std::string& p) override { return real().remove(p); }
    bool replace(const std::string& s, const std::string& t) override { return real().replace(s, t); }
    bool lastFailureMayPass() const override { return real().lastFailureMayPass(); }
    void pause(int ms) override { real().pause(ms); }

private:
    static platform::FileOps& real() { return platform::defaultFileOps(); }
};

class ReadingsWindowTest : public EntryFixture {
protected:
    HistoryTableWindow* pulseHistory() {
        HistoryTableWindow* h = HistoryTableWindow::showFor(window, "Pulse", 600, 400);
        Fl::check();
        return h;
    }
    // The shown entry window with that title.
    static NewEntryWindow* entryWindow(const std::string& title) {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
            if (w->label() && title == w->label()) return dynamic_cast<NewEntryWindow*>(w);
        return nullptr;
    }
    NewEntryWindow* newEntry(const std::string& variable, const Texts& texts) {
        entries.emplace_back(new NewEntryWindow(window, "New", "Vitals", variable.c_str()));
        for (std::size_t i = 0; i < texts.size() && i < entries.back()->inputs.size(); ++i)
            entries.back()->inputs[i]->value(texts[i].c_str());
        return entries.back().get();
    }
    Texts savedIds(const std::string& variable) const {
        Texts ids;
        for (const SavedEntry& e : savedEntries(variable)) ids.push_back(e.id);
        return ids;
    }
    static void press(Fl_Widget* w, int x, int y, int clicks) {
        Fl::e_x = x;
        Fl::e_y = y;
        Fl::e_clicks = clicks;
        Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
        w->handle(FL_PUSH);
        w->handle(FL_RELEASE);
        Fl::e_clicks = 0;
    }
    void TearDown() override {
        for (auto& e : entries) e->hide();
        entries.clear();
        if (HistoryTableWindow* h = HistoryTableWindow::find("Pulse")) delete h;
        EntryFixture::TearDown();
    }
    std::vector<std::unique_ptr<NewEntryWindow>> entries;
};

}  // namespace

TEST_F(ReadingsWindowTest, DeleteAsksWithCancelAsDefaultAndRemoveSavesAtOnce) {
    window->addVarToChart(Global::findVariable("Pulse"), "Pulse", "value");
    HistoryTableWindow* h = pulseHistory();
    ASSERT_EQ(h->rows.size(), 2u);  // newest first: entry 7 of 2024/1/3, then entry 0
    h->table->select_row(0);
    Fl::e_keysym = FL_Delete;
    for (int answer : {1, 0, 2}) {  // Cancel, Escape, Remove
        dialogs->nextChoice = answer;
        h->handle(FL_KEYBOARD);
        EXPECT_EQ(savedIds("Pulse"), answer == 2 ? Texts{"0"} : (Texts{"0", "7"})) << answer;
    }
    ASSERT_EQ(dialogs->questions.size(), 3u);
    EXPECT_EQ(dialogs->questions[0], "Remove 1 reading of Pulse (2024/1/3 08:00:00 AM: 75 /min)?");
    EXPECT_EQ(dialogs->buttons[0], (Texts{"", "&Cancel", "Remove"}));
    EXPECT_STREQ(h->countBox->label(), "Total number of entries: 1");
    EXPECT_EQ(window->chart->variables.front().points.size(), 1u);
}

TEST_F(ReadingsWindowTest, AFailedRemovalPutsTheReadingsBackAndSaysSo) {
    const std::string before = data->read("user0.hma");
    HistoryTableWindow* h = pulseHistory();
    h->table->select_all_rows(1);
    dialogs->nextChoice = 2;
    const std::string folder = Global::dataFolder;
    Global::dataFolder = data->root + "/missing-folder/";
    h->removeButton->do_callback();
    Global::dataFolder = folder;
    EXPECT_EQ(dialogs->questions, Texts{"Remove 2 readings of Pulse?"});
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_NE(dialogs->alerts[0].find("The readings were put back; nothing was removed."), std::string::npos);
    EXPECT_EQ(data->read("user0.hma"), before);
    EXPECT_EQ(h->rows.size(), 2u);
    EXPECT_EQ(Global::attributeText(Global::findVariable("Pulse")->first_node("entry"), "id"), std::string("0"));
}

TEST_F(ReadingsWindowTest, AClosedEditWindowGoesWhenTheNextEditOpens) {
    HistoryTableWindow* h = pulseHistory();
    h->table->select_row(1);
    std::vector<std::unique_ptr<Fl_Widget_Tracker>> opened;
    for (int i = 0; i < 4; ++i) {
        h->editButton->do_callback();
        NewEntryWindow* e = entryWindow("Edit Pulse entry");
        ASSERT_NE(e, nullptr);
        opened.push_back(std::make_unique<Fl_Widget_Tracker>(e));
        e->cancelButton->do_callback();
        Fl::check();
    }
    // One edit window at most is kept, the last, for its history window to delete.
    for (std::size_t i = 0; i + 1 < opened.size(); ++i) EXPECT_TRUE(opened[i]->deleted()) << i;
    EXPECT_FALSE(opened.back()->deleted());
}

TEST_F(ReadingsWindowTest, EditOpensTheFilledEntryWindowAndOkReplacesKeepingTheId) {
    HistoryTableWindow* h = pulseHistory();
    h->table->select_row(1);  // entry 0: 70 on 2024/1/2
    h->editButton->do_callback();
    NewEntryWindow* e = entryWindow("Edit Pulse entry");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->addButton, nullptr);
    EXPECT_EQ((Texts{e->inputs[0]->value(), e->inputs[1]->value(), e->inputs[2]->value()}),
              (Texts{"2024/1/2", "08:00:00 AM", "70"}));
    e->inputs[0]->value("2024/1/3");  // the time of entry 7
    e->inputs[2]->value("71,5");
    for (int answer : {1, 2}) {
        dialogs->nextChoice = answer;
        e->okButton->do_callback();
    }
    EXPECT_EQ(dialogs->questions,
              Texts(2, "There is already a Pulse reading at 2024/1/3 08:00:00 AM (75 /min). Replace it?"));
    EXPECT_FALSE(e->shown());
    const std::vector<SavedEntry> saved = savedEntries("Pulse");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].id, "0");
    EXPECT_EQ(saved[0].child("value"), "71.500000");
    EXPECT_EQ(h->rows.size(), 1u);
}

TEST_F(ReadingsWindowTest, ImplausibleValuesAreStoredOnlyWhenThePersonSaysSo) {
    const struct { const char* variable; Texts texts; int answer; std::size_t stored; } cases[] = {
        {"Pulse", {"2024/03/05", "08:00", "720"}, 1, 2},
        {"Pulse", {"2024/03/05", "08:00", "720"}, 2, 3},
        {"Blood Pressure", {"2024/03/05", "08:00", "400", "96"}, 1, 0},
    };
    for (const auto& c : cases) {
        dialogs->nextChoice = c.answer;
        newEntry(c.variable, c.texts)->saveCB_i(NewEntryWindow::AfterSave::Close);
        EXPECT_EQ(savedEntries(c.variable).size(), c.stored) << c.texts[2];
    }
    EXPECT_EQ(dialogs->questions[0], "Pulse 720 /min is outside what can be measured on a person (20 to 300 /min). Save it anyway?");
    EXPECT_EQ(dialogs->buttons[0], (Texts{"", "&Cancel", "Save"}));
    EXPECT_EQ(dialogs->questions[2],
              "Systolic 400 mmHg is outside what can be measured on a person (40 to 300 mmHg). Save it anyway?");
}

TEST_F(ReadingsWindowTest, AClickOnAPointShowsItAndADoubleClickOpensItsHistoryRow) {
    window->addVarToChart(Global::findVariable("Pulse"), "Pulse", "value");
    window->chart->refresh();
    MyChart* chart = window->chart;
    // Points are where the last draw put them: waited for (a few seconds at most on a busy machine).
    for (int i = 0; i < 500 && chart->drawnPointCount() == 0; ++i) Fl::wait(0.01);
    ASSERT_EQ(chart->drawnPointCount(), 2u);
    const MyChart::DrawnPoint first = chart->drawnPoint(0);  // entry 0: 70 on 2024/1/2
    press(chart, first.x + 2, first.y - 2, 0);
    EXPECT_EQ(chart->pickedSeries, "Pulse");
    EXPECT_EQ(MyChart::pointText(chart->pickedSeries, chart->pickedInstant, first.value, chart->units()),
              "Pulse, 2024/01/02 08:00:00 AM: 70");
    press(chart, first.x, first.y, 1);
    HistoryTableWindow* h = HistoryTableWindow::find("Pulse");
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < 20; ++i) Fl::wait(0.01);  // shown and drawn, the selection stays
    ASSERT_EQ(h->selectedEntries().size(), 1u);
    EXPECT_STREQ(Global::attributeText(h->selectedEntries()[0], "id"), "0");
}

TEST_F(ReadingsWindowTest, AnEmptyChartSaysWhatToDoNext) {
    MyChart* chart = window->chart;
    EXPECT_EQ(chart->emptyHint(), "Choose a variable in Multi-Display or Normal Range Display");
    ChartVariable none;
    none.name = "Pulse";
    chart->addVariable(none);
    EXPECT_EQ(chart->emptyHint().rfind("No readings between ", 0), 0u) << chart->emptyHint();
    window->closeCB_i();
    EXPECT_EQ(chart->emptyHint(), "Choose a person in the Users List");
    // With nobody in the list, the first thing to do is to add a person.
    XmlNode* config = Global::configDoc->first_node("config");
    ASSERT_NE(config, nullptr);
    while (XmlNode* person = config->first_node("patient")) config->remove_node(person);
    EXPECT_EQ(chart->emptyHint(), "Add a person: File \342\206\222 New or Ctrl+N");
    for (Fl_Button* b : {window->editUserButton, window->removeUserButton, window->clearChartButton}) {
        EXPECT_FALSE(b->active());
        EXPECT_NE(b->deimage(), nullptr);  // drawn greyed
    }
}

TEST_F(ReadingsWindowTest, EveryChangeThroughAWindowIsMarkedSavedOnceAndLeavingWritesNothingMore) {
    struct Case {
        const char* path;
        std::function<void()> change;
        const char* inFile;
    };
    const Case cases[] = {
        {"entry",
         [this] {
             NewEntryWindow* e = newEntry("Pulse", {"2024/2/1", "09:00:00 AM", "81"});
             e->okButton->do_callback();
         },
         "<value>81.000000</value>"},
        {"correction",
         [this] {
             HistoryTableWindow* h = pulseHistory();
             h->table->select_row(h->rows.size() - 1);  // the oldest: entry 0
             h->editButton->do_callback();
             NewEntryWindow* e = entryWindow("Edit Pulse entry");
             ASSERT_NE(e, nullptr);
             e->inputs[2]->value("72");
             e->okButton->do_callback();
         },
         "<value>72.000000</value>"},
        {"removal",
         [this] {
             HistoryTableWindow* h = pulseHistory();
             h->table->select_all_rows(0);
             h->table->select_row(0);
             dialogs->nextChoice = 2;
             h->removeButton->do_callback();
         },
         nullptr},
        {"information",
         [this] {
             MainWindow::infoCB(window->editUserButton, window);
             InfoWindow* w = nullptr;
             for (Fl_Window* f = Fl::first_window(); f && !w; f = Fl::next_window(f)) w = dynamic_cast<InfoWindow*>(f);
             ASSERT_NE(w, nullptr);
             w->lastNameInput->value("Leigh");
             w->okButton->do_callback();
         },
         "<last>Leigh</last>"},
        {"ranges",
         [this] {
             VariablePropertiesWindow w(window, 300, "Pulse", "Properties for Pulse");
             w.inputs[0]->value("55");
             w.saveCB_i();
         },
         "<normalLow>55</normalLow>"},
    };
    MarkSpyOps ops;
    SafeWriter::setFileOps(&ops);
    // Nothing changed: leaving the user writes nothing.
    EXPECT_TRUE(Global::saveUserIfChanged());
    EXPECT_TRUE(ops.marked.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::size_t entriesBefore = savedEntries("Pulse").size();
        ops.marked.clear();
        c.change();
        EXPECT_TRUE(dialogs->alerts.empty()) << (dialogs->alerts.empty() ? "" : dialogs->alerts[0]);
        const std::string onDisk = data->read("user0.hma");
        if (c.inFile) {
            EXPECT_NE(onDisk.find(c.inFile), std::string::npos);
        } else {
            EXPECT_EQ(savedEntries("Pulse").size(), entriesBefore - 1);
        }
        // The user's file was written once, with the document marked changed.
        EXPECT_EQ(ops.marked, std::vector<bool>{true});
        EXPECT_FALSE(Global::userUnsaved);
        ops.marked.clear();
        EXPECT_TRUE(Global::saveUserIfChanged());
        EXPECT_TRUE(ops.marked.empty());
        EXPECT_EQ(data->read("user0.hma"), onDisk);
    }
    SafeWriter::setFileOps(nullptr);
}
