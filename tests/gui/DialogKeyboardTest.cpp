// The keyboard in the dialogs: Tab moves through the inputs and then the
// buttons in the order of the layout (top to bottom, left to right), "Add"
// answers Alt+A and Escape does what Cancel does,
// writing nothing. (Enter as OK is checked with each window's own tests and
// end to end.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Float_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>

#include "TestSupport.h"
#include "rules/readings/EntryRules.h"
#include "store/Global.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/measurements/VariablePropertiesWindow.h"
#include "ui/users/InfoWindow.h"

namespace {

void sendKey(Fl_Window* window, int key, int state = 0) {
    Fl::e_keysym = key;
    Fl::e_state = state;
    static char text[2] = {0, 0};
    text[0] = key == FL_Escape ? 27 : key == FL_Tab ? '\t' : key < 128 ? static_cast<char>(key) : 0;
    Fl::e_text = text;
    Fl::e_length = 1;
    Fl::handle(FL_KEYBOARD, window);
    Fl::e_keysym = 0;
    Fl::e_length = 0;
}

// The widgets Tab reaches from the first one, one press at a time, until it
// comes back to the first.
std::vector<Fl_Widget*> tabCycle(Fl_Window* window, Fl_Widget* first, std::size_t limit) {
    std::vector<Fl_Widget*> seen;
    first->take_focus();
    for (std::size_t i = 0; i < limit; ++i) {
        Fl_Widget* now = Fl::focus();
        if (!seen.empty() && now == seen.front()) break;
        seen.push_back(now);
        sendKey(window, FL_Tab);
    }
    return seen;
}

// The order of the layout: by row, then by column.
bool inLayoutOrder(const std::vector<Fl_Widget*>& widgets) {
    for (std::size_t i = 1; i < widgets.size(); ++i) {
        const Fl_Widget* a = widgets[i - 1];
        const Fl_Widget* b = widgets[i];
        if (b->y() < a->y() || (b->y() == a->y() && b->x() <= a->x())) return false;
    }
    return true;
}

class DialogKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        openTestUser(data,
                     QUORVEL_TEST_BLOOD_PRESSURE_XML);
        original = data.read("user0.hma");
        registry = data.read("config.hma");
    }
    void expectNothingWritten() {
        EXPECT_EQ(data.read("user0.hma"), original);
        EXPECT_EQ(data.read("config.hma"), registry);
        EXPECT_TRUE(dialogs.alerts.empty());
    }
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string original, registry;
};

}  // namespace

TEST_F(DialogKeyboardTest, UserInformationWindow) {
    auto owned = std::make_unique<InfoWindow>(nullptr, "Edit User Information", InfoWindow::Person::Open);
    InfoWindow* window = owned.get();
    Fl::check();
    std::vector<Fl_Widget*> expected = {window->firstNameInput, window->lastNameInput, window->dobInput,
                                        window->genderChoice->input(), window->genderChoice->menubutton(),
                                        window->weightInput,
                                        window->heightInput, window->stepSizeInput, window->raceInput,
                                        window->okButton, window->cancelButton};
    EXPECT_EQ(tabCycle(window, window->firstNameInput, 20), expected);
    EXPECT_TRUE(inLayoutOrder(expected));
    window->firstNameInput->value("Changed");
    sendKey(window, FL_Escape);
    EXPECT_FALSE(window->shown());
    Fl::check();
    expectNothingWritten();
}

TEST_F(DialogKeyboardTest, NewEntryWindowWithTwoValues) {
    auto window = std::make_unique<NewEntryWindow>(nullptr, "Add history entry for Vitals: Blood Pressure", "Vitals",
                                                   "Blood Pressure");
    Fl::check();
    ASSERT_EQ(window->inputs.size(), 4u);
    ASSERT_NE(window->pulseInput, nullptr);
    // Date, Time, Systolic, Diastolic, Pulse: a meter's order; then the note,
    // arm, position and flag.
    std::vector<Fl_Widget*> expected(window->inputs.begin(), window->inputs.end());
    expected.insert(expected.end(), {window->pulseInput, window->noteInput, window->armChoice, window->positionChoice,
                                     window->irregularCheck, window->addButton, window->okButton,
                                     window->cancelButton});
    EXPECT_EQ(tabCycle(window.get(), window->inputs[0], 20), expected);
    EXPECT_TRUE(inLayoutOrder(expected));
    // Alt+A is "Add": with nothing typed it refuses and the window stays.
    sendKey(window.get(), 'a', FL_ALT);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0], EntryRules::message(EntryRules::Refusal::NoValueGiven));
    dialogs.alerts.clear();
    EXPECT_TRUE(window->shown());
    window->inputs[2]->value("120");
    sendKey(window.get(), FL_Escape);
    EXPECT_FALSE(window->shown());
    expectNothingWritten();
}

TEST_F(DialogKeyboardTest, PropertiesWindowWithTwoInputsPerRow) {
    auto window = std::make_unique<VariablePropertiesWindow>(nullptr, 420, "Blood Pressure",
                                                             "Properties for Blood Pressure");
    Fl::check();
    ASSERT_EQ(window->inputs.size(), 8u);
    std::vector<Fl_Widget*> expected(window->inputs.begin(), window->inputs.end());
    expected.insert(expected.end(), {window->okButton, window->cancelButton});
    EXPECT_EQ(tabCycle(window.get(), window->inputs[0], 30), expected);
    EXPECT_TRUE(inLayoutOrder(expected));
    window->inputs[0]->value("95");
    sendKey(window.get(), FL_Escape);
    EXPECT_FALSE(window->shown());
    expectNothingWritten();
}
