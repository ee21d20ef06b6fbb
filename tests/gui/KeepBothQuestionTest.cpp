// Keep Both as a person meets it in the program's own question windows: a
// reading typed while another computer changed the file, the question's
// default button, the question of each difference and the person's choice,
// and the list of readings that cannot be stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>

#include "NewEntryFixture.h"
#include "app/Dialogs.h"
#include "rules/readings/MergeCheck.h"
#include "ui/measurements/NewEntryWindow.h"

using namespace entrytest;

namespace {

// A question window as it was shown.
struct Shown {
    std::string title, text, returnButton;
    std::vector<std::string> buttons;
};

// Answers the program's question windows in turn as a person does: by a key
// (Return, Escape) or by clicking the button of a label.
class Person {
public:
    struct Answer {
        int key;            // 0: click
        std::string click;  // the button's label
    };

    explicit Person(std::vector<Answer> answers) : answers_(std::move(answers)) {
        Dialogs::useToolkitDialogs();
        Fl::add_timeout(0.02, look, this);
    }
    ~Person() {
        Fl::remove_timeout(look, this);
        Dialogs::resetForTests();
    }

    std::vector<Shown> shown;

private:
    static void look(void* data) {
        Person& p = *static_cast<Person*>(data);
        Fl_Window* dialog = nullptr;
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
            const std::string title = w->label() ? w->label() : "";
            if (w->shown() && (title == "Question" || title == "Notice")) dialog = w;
        }
        if (dialog && p.next_ < p.answers_.size()) p.answer(*dialog, p.answers_[p.next_++]);
        Fl::repeat_timeout(0.02, look, data);
    }

    void answer(Fl_Window& dialog, const Answer& a) {
        Shown s;
        s.title = dialog.label();
        for (int i = 0; i < dialog.children(); ++i) {
            Fl_Widget* c = dialog.child(i);
            auto* button = dynamic_cast<Fl_Button*>(c);
            if (!button) {
                if (c->label() && std::string(c->label()).size() > 1) s.text = c->label();
                continue;
            }
            s.buttons.push_back(button->label());
            if (dynamic_cast<Fl_Return_Button*>(button)) s.returnButton = button->label();
        }
        shown.push_back(s);
        if (a.key) {
            Fl::e_keysym = a.key;
            Fl::e_state = 0;
            static char text[2] = {0, 0};
            text[0] = a.key == FL_Escape ? 27 : '\r';
            Fl::e_text = text;
            Fl::e_length = 1;
            Fl::handle(FL_KEYBOARD, &dialog);
            Fl::e_keysym = 0;
            Fl::e_length = 0;
        } else {
            for (int i = 0; i < dialog.children(); ++i) {
                Fl_Widget* c = dialog.child(i);
                if (dynamic_cast<Fl_Button*>(c) && c->label() && a.click == c->label()) c->do_callback();
            }
        }
        if (dialog.shown()) dialog.hide();  // the answer missed: the test goes on and fails
    }

    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

const Person::Answer kReturn{FL_Enter, ""};
const Person::Answer kEscape{FL_Escape, ""};
Person::Answer click(const char* label) { return {0, label}; }

class KeepBothQuestionTest : public EntryFixture {
protected:
    void TearDown() override {
        Global::checkMerged = nullptr;
        if (entry) entry->hide();
        Fl::check();
        delete entry;
        entry = nullptr;
        EntryFixture::TearDown();
    }

    // A Pulse of 80 typed for 2024/03/05 08:00 while the other computer added
    // the readings given to the file.
    void typeWhileChangedOutside(const std::string& outsideEntries) {
        entry = new NewEntryWindow(window, "Add history entry for Vitals: Pulse", "Vitals", "Pulse");
        Fl::check();
        const char* typed[] = {"2024/03/05", "08:00:00 AM", "80"};
        ASSERT_EQ(entry->inputs.size(), 3u);
        for (int i = 0; i < 3; ++i) entry->inputs[i]->value(typed[i]);
        std::string outside = data->read("user0.hma");
        outside.insert(outside.find("\t</variable>"), outsideEntries);
        data->write("user0.hma", outside);
    }

    static std::string reading(int id, const char* value, const char* date) {
        return "\t\t<entry id=\"" + std::to_string(id) + "\">\n\t\t\t<value>" + value + "</value>\n\t\t\t<date>" +
               date + "</date>\n\t\t\t<time>08:00:00 AM</time>\n\t\t</entry>\n";
    }

    std::vector<std::string> savedPulses() const {
        std::vector<std::string> values;
        for (const SavedEntry& e : savedEntries("Pulse")) values.push_back(e.child("value"));
        std::sort(values.begin(), values.end());
        return values;
    }

    NewEntryWindow* entry = nullptr;
};

}  // namespace

// Return answers Keep Both; a reading there at the time of the one typed here
// is asked about, and the person's choice is what the file keeps.
TEST_F(KeepBothQuestionTest, ReturnKeepsBothAndTheChoiceOfEachDifferenceIsKept) {
    struct Case {
        Person::Answer choice;
        std::vector<std::string> kept;
    } cases[] = {
        {click("This one"), {"66.000000", "70.000000", "75.000000", "80.000000"}},
        {click("The file's"), {"66.000000", "70.000000", "75.000000", "90.000000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice.click);
        TearDown();
        SetUp();
        typeWhileChangedOutside(reading(8, "90.000000", "2024/03/05") + reading(9, "66.000000", "2024/03/04"));
        Person person({kReturn, c.choice});
        entry->saveCB_i(NewEntryWindow::AfterSave::Close);
        ASSERT_EQ(person.shown.size(), 2u);
        const Shown& asked = person.shown[0];
        EXPECT_EQ(asked.title, "Question");
        EXPECT_EQ(asked.buttons, (std::vector<std::string>{"Keep Both", "Reload", "Overwrite", "&Cancel"}));
        EXPECT_EQ(asked.returnButton, "Keep Both");
        EXPECT_NE(asked.text.find("user0.hma was changed by another program"), std::string::npos) << asked.text;
        // The difference, named as the windows name readings.
        const Shown& difference = person.shown[1];
        EXPECT_NE(difference.text.find("changed a Pulse reading (1 of 1)"), std::string::npos) << difference.text;
        EXPECT_NE(difference.text.find("in the file: Pulse 90 /min on 2024/03/05 08:00:00 AM"), std::string::npos)
            << difference.text;
        EXPECT_NE(difference.text.find("here: Pulse 80 /min on 2024/03/05 08:00:00 AM"), std::string::npos)
            << difference.text;
        EXPECT_EQ(savedPulses(), c.kept);
        EXPECT_FALSE(entry->shown());
    }
}

// A reading here that the checks refuse is listed before anything is merged;
// Escape there keeps it shown and unsaved, with a word that it is not stored;
// Keep Both there leaves it out and stores the rest.
TEST_F(KeepBothQuestionTest, AReadingThatCannotBeStoredIsListedAndEscapeKeepsItShown) {
    for (bool keepBoth : {false, true}) {
        SCOPED_TRACE(keepBoth);
        TearDown();
        SetUp();
        // Checked as on 2024/03/01: the typed reading lies in the future.
        std::tm day{};
        day.tm_year = 124;
        day.tm_mon = 2;
        day.tm_mday = 1;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        Global::checkMerged = MergeCheck::asOf(std::mktime(&day), false);
        typeWhileChangedOutside(reading(9, "66.000000", "2024/03/04"));
        std::vector<Person::Answer> answers = {kReturn, keepBoth ? kReturn : kEscape};
        if (!keepBoth) answers.push_back(kReturn);  // closes the word that it is not stored
        Person person(answers);
        entry->saveCB_i(NewEntryWindow::AfterSave::Close);
        ASSERT_EQ(person.shown.size(), answers.size());
        const Shown& refused = person.shown[1];
        EXPECT_NE(refused.text.find("cannot be stored in the merged file:\n  Pulse reading 8 at 2024/03/05"),
                  std::string::npos)
            << refused.text;
        EXPECT_EQ(refused.returnButton, "Keep Both");
        if (keepBoth) {
            EXPECT_EQ(savedPulses(), (std::vector<std::string>{"66.000000", "70.000000", "75.000000"}));
            continue;
        }
        EXPECT_EQ(person.shown[2].title, "Notice");
        EXPECT_NE(person.shown[2].text.find("is not stored in user0.hma"), std::string::npos) << person.shown[2].text;
        EXPECT_TRUE(entry->shown());
        EXPECT_STREQ(entry->inputs[2]->value(), "80");
        EXPECT_EQ(savedPulses(), (std::vector<std::string>{"66.000000", "70.000000", "75.000000"}));
    }
}
