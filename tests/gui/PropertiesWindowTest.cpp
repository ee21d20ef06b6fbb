// The variable properties window: its layout, the texts it starts with,
// its checks, what OK stores and what Cancel and the close box leave alone.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>

#include "TestSupport.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/VariablePropertiesWindow.h"

namespace {

using Texts = std::vector<std::string>;

const char* kVariables =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
    "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>140</panicHigh>\n\t\t<entry id=\"0\">\n"
    "\t\t\t<value>72.000000</value>\n\t\t\t<date>2024/1/2</date>\n\t\t\t<time>8:00:00 AM</time>\n"
    "\t\t</entry>\n\t</variable>\n"
    QUORVEL_TEST_BLOOD_PRESSURE_XML
    "\t<variable name=\"Blood Sugar\">\n\t\t<normalLow>\n\t\t\t<fasting>90</fasting>\n"
    "\t\t\t<postprandial>90</postprandial>\n\t\t</normalLow>\n\t\t<normalHigh>\n"
    "\t\t\t<fasting>130</fasting>\n\t\t\t<postprandial>180</postprandial>\n\t\t</normalHigh>\n"
    "\t\t<panicLow>\n\t\t\t<fasting>54</fasting>\n\t\t\t<postprandial>54</postprandial>\n"
    "\t\t</panicLow>\n\t\t<panicHigh>\n\t\t\t<fasting>250</fasting>\n"
    "\t\t\t<postprandial>300</postprandial>\n\t\t</panicHigh>\n\t</variable>\n"
    "\t<variable name=\"Mood\">\n\t\t<entry id=\"0\">\n\t\t\t<value>3.000000</value>\n"
    "\t\t\t<date>2024/1/2</date>\n\t\t\t<time>8:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n";

class PropertiesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.write("user0.hma", userFileXml(0, "Ann", "Lee", kVariables));
        ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
        Global::userOpen = true;
        Global::currentFile = "user0.hma";
        original = data.read("user0.hma");
    }

    std::unique_ptr<VariablePropertiesWindow> open(const std::string& name) {
        const int w = name == "Blood Pressure" ? 420 : name == "Blood Sugar" ? 450 : 300;
        const std::string title = "Properties for " + name;
        auto window = std::make_unique<VariablePropertiesWindow>(nullptr, w, name.c_str(), title.c_str());
        Fl::check();
        return window;
    }

    static void type(VariablePropertiesWindow& window, const Texts& texts) {
        ASSERT_EQ(window.inputs.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) window.inputs[i]->value(texts[i].c_str());
    }

    // The range texts of a variable as stored in the file on disk.
    Texts storedInFile(const std::string& name) {
        XmlDocument doc;
        std::vector<char> text;
        EXPECT_TRUE(Global::loadFile(doc, "user0.hma", text));
        XmlNode* patient = doc->first_node("patient");
        for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable"))
            if (name == Global::attributeText(v, "name")) return RangeRules::readTexts(v, name);
        return {};
    }

    TestDataFolder data;
    DialogRecorder dialogs;
    std::string original;
};

}  // namespace

TEST_F(PropertiesWindowTest, PulseOpensWithStoredTextsInOneColumn) {
    auto window = open("Pulse");
    EXPECT_TRUE(window->shown());
    EXPECT_TRUE(window->modal());
    EXPECT_EQ(window->w(), 300);
    EXPECT_EQ(window->h(), 300);
    EXPECT_STREQ(window->label(), "Properties for Pulse");
    EXPECT_EQ(window->color(), panelColor);
    EXPECT_EQ(window->variableNode, Global::findVariable("Pulse"));
    ASSERT_EQ(window->inputs.size(), 4u);
    const int ys[] = {50, 90, 160, 200};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(window->inputs[i]->x(), 90) << i;
        EXPECT_EQ(window->inputs[i]->y(), ys[i]) << i;
        EXPECT_EQ(window->inputs[i]->w(), 80);
        EXPECT_EQ(window->inputs[i]->h(), 25);
        EXPECT_EQ(window->inputs[i]->label(), nullptr);
    }
    EXPECT_EQ(window->texts(), (Texts{"60", "100", "40", "140"}));
    ASSERT_NE(window->okButton, nullptr);
    EXPECT_STREQ(window->okButton->label(), "OK");
    EXPECT_EQ(window->okButton->x(), 75);
    EXPECT_EQ(window->okButton->y(), 245);
    EXPECT_STREQ(window->cancelButton->label(), "&Cancel");
    EXPECT_EQ(window->cancelButton->x(), 155);
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(PropertiesWindowTest, PulseOkWithoutChangesWritesTheSameTexts) {
    auto window = open("Pulse");
    window->saveCB_i();
    EXPECT_FALSE(window->shown());
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(storedInFile("Pulse"), (Texts{"60", "100", "40", "140"}));
    const std::string saved = data.read("user0.hma");
    EXPECT_NE(saved.find("<normalLow>60</normalLow>"), std::string::npos);
    EXPECT_NE(saved.find("<panicHigh>140</panicHigh>"), std::string::npos);
    EXPECT_NE(data.trace().find("VariablePropertiesWindow::saveCB_i"), std::string::npos);
}

TEST_F(PropertiesWindowTest, OkStoresTheTypedTextsWhereTheNormalRangeIsRead) {
    auto window = open("Pulse");
    type(*window, {"55", "99,5", "35", "150"});
    EXPECT_EQ(window->texts()[1], "99,5") << "a typed comma is kept, not dropped";
    window->saveCB_i();
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(storedInFile("Pulse"), (Texts{"55", "99.5", "35", "150"}));
    // In memory as well: the normal-range chart reads variable/normalLow and normalHigh.
    XmlNode* pulse = Global::findVariable("Pulse");
    EXPECT_STREQ(Global::childText(pulse, "normalLow"), "55");
    EXPECT_STREQ(Global::childText(pulse, "normalHigh"), "99.5");
}

TEST_F(PropertiesWindowTest, EqualLimitsAreRefusedAndNothingIsWritten) {
    auto window = open("Pulse");
    type(*window, {"100", "100", "40", "140"});
    window->saveCB_i();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0], "At least one high value is less than a low value.\nPlease change it or hit \"Cancel\"");
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(window->texts(), (Texts{"100", "100", "40", "140"}));
    EXPECT_EQ(data.read("user0.hma"), original);
    EXPECT_STREQ(Global::childText(Global::findVariable("Pulse"), "normalLow"), "60");
}

TEST_F(PropertiesWindowTest, PanicRangeInsideTheNormalRangeIsAccepted) {
    auto window = open("Pulse");
    type(*window, {"60", "100", "70", "90"});
    window->saveCB_i();
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(storedInFile("Pulse"), (Texts{"60", "100", "70", "90"}));
}

TEST_F(PropertiesWindowTest, FirstBadFieldChoosesTheMessage) {
    auto window = open("Pulse");
    type(*window, {"abc", "100", "", "140"});
    window->saveCB_i();
    type(*window, {"", "100", "abc", "140"});
    window->saveCB_i();
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[0], "At least one field is not a valid number.\nPlease change it or hit \"Cancel\"");
    EXPECT_EQ(dialogs.alerts[1], "At least one field is empty.\nPlease fill it or hit \"Cancel\"");
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(data.read("user0.hma"), original);
}

TEST_F(PropertiesWindowTest, OverlongTextIsRefusedWithAClearAlert) {
    auto window = open("Pulse");
    // Typed or pasted in full, never cut short behind the user's back ...
    const std::string tooLong = "6" + std::string(31, '0');
    window->inputs[1]->value("");
    window->inputs[1]->insert(tooLong.c_str());
    EXPECT_EQ(window->inputs[1]->value(), tooLong);
    // ... and refused on OK with an alert that says why.
    window->saveCB_i();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0], "At least one field is longer than 31 characters.\nPlease shorten it or hit \"Cancel\"");
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(data.read("user0.hma"), original);
    // 31 characters are accepted.
    type(*window, {"60", "1" + std::string(30, '0'), "40", "140"});
    window->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(storedInFile("Pulse")[1], "1" + std::string(30, '0'));
}

TEST_F(PropertiesWindowTest, BloodPressureHasTwoLabelledInputsPerRowPairedByMember) {
    auto window = open("Blood Pressure");
    EXPECT_EQ(window->w(), 420);
    ASSERT_EQ(window->inputs.size(), 8u);
    for (std::size_t i = 0; i < 8; i += 2) {
        EXPECT_EQ(window->inputs[i]->x(), 140);
        EXPECT_EQ(window->inputs[i + 1]->x(), 290);
        EXPECT_STREQ(window->inputs[i]->label(), "Systolic");
        EXPECT_STREQ(window->inputs[i + 1]->label(), "Diastolic");
        EXPECT_EQ(window->inputs[i]->y(), window->inputs[i + 1]->y());
    }
    EXPECT_EQ(window->texts(), (Texts{"90", "60", "139", "89", "70", "40", "180", "120"}));
    EXPECT_EQ(window->okButton->x(), 135);

    // Systolic high below systolic low is refused ...
    type(*window, {"90", "60", "85", "89", "70", "40", "180", "120"});
    window->saveCB_i();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(data.read("user0.hma"), original);
    // ... a diastolic high below the systolic low is not.
    type(*window, {"90", "60", "139", "85", "70", "40", "180", "120"});
    window->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(storedInFile("Blood Pressure"), (Texts{"90", "60", "139", "85", "70", "40", "180", "120"}));
    XmlNode* bp = Global::findVariable("Blood Pressure");
    EXPECT_STREQ(Global::childText(bp->first_node("normalHigh"), "diastolic"), "85");
    EXPECT_STREQ(Global::childText(bp->first_node("normalLow"), "systolic"), "90");
}

TEST_F(PropertiesWindowTest, BloodSugarHasFastingAndPostprandialInputs) {
    auto window = open("Blood Sugar");
    EXPECT_EQ(window->w(), 450);
    ASSERT_EQ(window->inputs.size(), 8u);
    EXPECT_EQ(window->inputs[0]->x(), 140);
    EXPECT_EQ(window->inputs[1]->x(), 305);
    EXPECT_STREQ(window->inputs[6]->label(), "Fasting");
    EXPECT_STREQ(window->inputs[7]->label(), "Postprandial");
    EXPECT_EQ(window->inputs[6]->y(), 200);
    EXPECT_EQ(window->texts(), (Texts{"90", "90", "130", "180", "54", "54", "250", "300"}));
    type(*window, {"80", "100", "130", "180", "54", "54", "250", "300"});
    window->saveCB_i();
    EXPECT_TRUE(dialogs.alerts.empty());
    XmlNode* sugar = Global::findVariable("Blood Sugar");
    EXPECT_STREQ(Global::childText(sugar->first_node("normalLow"), "fasting"), "80");
    EXPECT_STREQ(Global::childText(sugar->first_node("normalLow"), "postprandial"), "100");
}

TEST_F(PropertiesWindowTest, VariableWithoutRangesGetsThemCreatedOnSave) {
    auto window = open("Mood");
    EXPECT_EQ(window->texts(), (Texts{"", "", "", ""}));
    window->saveCB_i();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0], "At least one field is empty.\nPlease fill it or hit \"Cancel\"");
    type(*window, {"2", "4", "1", "5"});
    window->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(storedInFile("Mood"), (Texts{"2", "4", "1", "5"}));
    XmlNode* mood = Global::findVariable("Mood");
    // The ranges go before the entry.
    EXPECT_STREQ(mood->first_node()->name(), "normalLow");
    EXPECT_STREQ(mood->last_node()->name(), "entry");
}

TEST_F(PropertiesWindowTest, CancelAndTheCloseBoxWriteNothing) {
    auto window = open("Pulse");
    type(*window, {"1", "2", "3", "4"});
    window->cancelCB_i();
    EXPECT_FALSE(window->shown());

    auto again = open("Pulse");
    EXPECT_EQ(again->texts(), (Texts{"60", "100", "40", "140"}));
    type(*again, {"1", "2", "3", "4"});
    // What the window manager's close box does.
    again->do_callback();
    EXPECT_FALSE(again->shown());
    EXPECT_EQ(data.read("user0.hma"), original);
    EXPECT_STREQ(Global::childText(Global::findVariable("Pulse"), "normalLow"), "60");
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(PropertiesWindowTest, EnterKeyIsOk) {
    auto window = open("Pulse");
    type(*window, {"61", "100", "40", "140"});
    Fl::e_keysym = FL_Enter;
    Fl::e_text = const_cast<char*>("\r");
    Fl::e_length = 1;
    Fl::e_state = 0;
    EXPECT_EQ(window->okButton->handle(FL_SHORTCUT), 1);
    Fl::e_keysym = 0;
    Fl::e_length = 0;
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(storedInFile("Pulse"), (Texts{"61", "100", "40", "140"}));
}

TEST_F(PropertiesWindowTest, OverlongVariableNameIsRefused) {
    // The variable exists in the file, but its name is too long for the window.
    const std::string name(32, 'V');
    data.write("user0.hma", userFileXml(0, "Ann", "Lee",
                                        "\t<variable name=\"" + name + "\">\n\t\t<normalLow>1</normalLow>\n"
                                        "\t</variable>\n"));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    original = data.read("user0.hma");
    auto window = open(name);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("longer than 31 characters"), std::string::npos);
    EXPECT_FALSE(window->shown());
    type(*window, {"1", "2", "3", "4"});
    window->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(data.read("user0.hma"), original);
    // 31 characters are fine.
    const std::string fits(31, 'V');
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", "\t<variable name=\"" + fits + "\"/>\n"));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    auto other = open(fits);
    EXPECT_TRUE(other->shown());
    type(*other, {"1", "2", "3", "4"});
    other->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(storedInFile(fits), (Texts{"1", "2", "3", "4"}));
}

TEST_F(PropertiesWindowTest, UnknownVariableOrClosedUserSavesNothing) {
    auto unknown = open("Weight");
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("Weight"), std::string::npos);
    EXPECT_FALSE(unknown->shown());
    EXPECT_EQ(unknown->variableNode, nullptr);
    type(*unknown, {"1", "2", "3", "4"});
    unknown->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 2u);

    // The user was closed while the window was open.
    auto window = open("Pulse");
    Global::userOpen = false;
    type(*window, {"1", "2", "3", "4"});
    window->saveCB_i();
    EXPECT_EQ(dialogs.alerts.size(), 3u);
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(data.read("user0.hma"), original);
}
