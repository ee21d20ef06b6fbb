// The checks and the storage of the variable properties window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/chart/ChartMath.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"

namespace {

using Texts = std::vector<std::string>;

const char* kPulse =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
    "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>140</panicHigh>\n"
    "\t\t<entry id=\"0\">\n\t\t\t<value>72.000000</value>\n\t\t\t<date>2024/1/2</date>\n"
    "\t\t\t<time>8:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n";

const char* kBloodPressure =
    QUORVEL_TEST_BLOOD_PRESSURE_XML;

// A variable as the new entry window creates it: no range elements.
const char* kMoodOnlyEntries =
    "\t<variable name=\"Mood\">\n\t\t<entry id=\"0\">\n\t\t\t<value>3.000000</value>\n"
    "\t\t\t<date>2024/1/2</date>\n\t\t\t<time>8:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n";

// Loads a user file with the given variables as the open user.
void openUser(TestDataFolder& data, const std::string& variables) {
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", variables));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    Global::userOpen = true;
    Global::currentFile = "user0.hma";
}

// Saves the open user and loads the file back, so checks see what is stored.
void saveAndReload() {
    ASSERT_TRUE(Global::saveFile(Global::currentFile.c_str(), Global::userDoc));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, Global::currentFile.c_str(), Global::userText));
}

std::vector<std::string> childNames(const XmlNode* parent) {
    std::vector<std::string> names;
    for (const XmlNode* c = parent->first_node(); c; c = c->next_sibling()) names.emplace_back(c->name());
    return names;
}

}  // namespace

TEST(RangeRulesValidate, AcceptsOrderedRangesAndKeepsRangesApart) {
    EXPECT_EQ(RangeRules::validate({"60", "100", "40", "140"}), RangeRules::kValid);
    // A panic range inside the normal range is not compared with it.
    EXPECT_EQ(RangeRules::validate({"60", "100", "70", "90"}), RangeRules::kValid);
    EXPECT_EQ(RangeRules::validate({"-5.5", "-1", "-10", "0"}), RangeRules::kValid);
}

TEST(RangeRulesValidate, EqualOrReversedLimitsGiveMinusThree) {
    EXPECT_EQ(RangeRules::validate({"100", "100", "40", "140"}), RangeRules::kHighNotAboveLow);
    EXPECT_EQ(RangeRules::validate({"100", "60", "40", "140"}), RangeRules::kHighNotAboveLow);
    EXPECT_EQ(RangeRules::validate({"60", "100", "140", "40"}), RangeRules::kHighNotAboveLow);
    EXPECT_EQ(RangeRules::validate({"60", "100", "40", "40"}), RangeRules::kHighNotAboveLow);
    // Compared as numbers, not as texts.
    EXPECT_EQ(RangeRules::validate({"9", "10", "40", "140"}), RangeRules::kValid);
    EXPECT_EQ(RangeRules::validate({"60.5", "60.25", "40", "140"}), RangeRules::kHighNotAboveLow);
}

TEST(RangeRulesValidate, FirstOffendingFieldDecidesBetweenNotANumberAndEmpty) {
    EXPECT_EQ(RangeRules::validate({"abc", "100", "", "140"}), RangeRules::kNotANumber);
    EXPECT_EQ(RangeRules::validate({"", "100", "abc", "140"}), RangeRules::kEmpty);
    EXPECT_EQ(RangeRules::validate({"60", "100", "40", ""}), RangeRules::kEmpty);
    EXPECT_EQ(RangeRules::validate({"60", "100", "40", "."}), RangeRules::kNotANumber);
    // A field check comes before the comparison of limits.
    EXPECT_EQ(RangeRules::validate({"100", "60", "40", "x"}), RangeRules::kNotANumber);
}

TEST(RangeRulesValidate, ReadsWholeNumbersWithADecimalCommaAsAReadingIs) {
    const struct {
        const char* text;
        bool reads;
        float value;
        const char* stored;
    } cases[] = {
        {" 60 ", true, 60.0f, " 60 "},  {"1.4e2", false, 0, nullptr},    {"36,8", true, 36.8f, "36.8"},
        {"0x8C", false, 0, nullptr},    {"inf", false, 0, nullptr},       {"140,0", true, 140.0f, "140.0"},
        {"100abc", false, 0, nullptr},  {"12.5kg", false, 0, nullptr},    {"kg12", false, 0, nullptr},
        {"", false, 0, nullptr},        {"3,6,8", false, 0, nullptr},     {"3,6.8", false, 0, nullptr},
    };
    for (const auto& c : cases) {
        float v = 0;
        EXPECT_EQ(RangeRules::readNumber(c.text, v), c.reads) << c.text;
        if (!c.reads) continue;
        EXPECT_FLOAT_EQ(v, c.value) << c.text;
        EXPECT_EQ(RangeRules::storedText(c.text), c.stored);
    }
    EXPECT_EQ(RangeRules::validate({"60", "100abc", "40", "140"}), RangeRules::kNotANumber);
    EXPECT_EQ(RangeRules::validate({"60", "99,5", "40", "140"}), RangeRules::kValid);
}

TEST(RangeRulesValidate, NonFiniteNumbersAreNotValid) {
    EXPECT_EQ(RangeRules::validate({"nan", "100", "40", "140"}), RangeRules::kNotANumber);
    EXPECT_EQ(RangeRules::validate({"60", "inf", "40", "140"}), RangeRules::kNotANumber);
    // Too large for a single-precision number.
    EXPECT_EQ(RangeRules::validate({"60", "100", "40", "1e39"}), RangeRules::kNotANumber);
}

TEST(RangeRulesValidate, TextsLongerThan31CharactersAreRefused) {
    const std::string fits(31, '1');
    const std::string tooLong = "1" + std::string(31, '0');
    EXPECT_EQ(RangeRules::validate({"1", "2", "1", fits}), RangeRules::kValid);
    EXPECT_EQ(RangeRules::validate({"1", tooLong, "1", "2"}), RangeRules::kTooLong);
    // Still in field order: an earlier empty field wins.
    EXPECT_EQ(RangeRules::validate({"", tooLong, "1", "2"}), RangeRules::kEmpty);
    EXPECT_EQ(RangeRules::validate({tooLong, "", "1", "2"}), RangeRules::kTooLong);
}

TEST(RangeRulesValidate, GroupedVariablesPairMemberWithMember) {
    // Inputs: normal low sys, dia; normal high sys, dia; panic low ...; panic high ...
    EXPECT_EQ(RangeRules::validate({"90", "60", "139", "89", "70", "40", "180", "120"}), RangeRules::kValid);
    // A diastolic high below the systolic low is fine.
    EXPECT_EQ(RangeRules::validate({"90", "60", "139", "85", "70", "40", "180", "65"}), RangeRules::kValid);
    // Systolic high not above systolic low.
    EXPECT_EQ(RangeRules::validate({"90", "60", "90", "89", "70", "40", "180", "120"}),
              RangeRules::kHighNotAboveLow);
    // Diastolic high below diastolic low, though above the systolic low.
    EXPECT_EQ(RangeRules::validate({"90", "95", "139", "94", "70", "40", "180", "120"}),
              RangeRules::kHighNotAboveLow);
    // Panic diastolic reversed.
    EXPECT_EQ(RangeRules::validate({"90", "60", "139", "89", "70", "120", "180", "40"}),
              RangeRules::kHighNotAboveLow);
}

TEST(RangeRulesMessages, AreTheWindowsTexts) {
    EXPECT_EQ(RangeRules::message(-1), "At least one field is not a valid number.\nPlease change it or hit \"Cancel\"");
    EXPECT_EQ(RangeRules::message(-2), "At least one field is empty.\nPlease fill it or hit \"Cancel\"");
    EXPECT_EQ(RangeRules::message(-3),
              "At least one high value is less than a low value.\nPlease change it or hit \"Cancel\"");
    EXPECT_NE(RangeRules::message(-4).find("31 characters"), std::string::npos);
    EXPECT_EQ(RangeRules::message(0), "");
    const std::string name(40, 'N');
    const std::string m = RangeRules::nameTooLongMessage(name);
    EXPECT_NE(m.find(name), std::string::npos);
    EXPECT_NE(m.find("31 characters"), std::string::npos);
}

TEST(RangeRulesLayout, MembersAndInputsPerRowByName) {
    EXPECT_EQ(RangeRules::valuesPerRow("Pulse"), 1);
    EXPECT_EQ(RangeRules::valuesPerRow("Blood Pressure"), 2);
    EXPECT_EQ(RangeRules::valuesPerRow("Blood Sugar"), 2);
    // The comparison is exact.
    EXPECT_EQ(RangeRules::valuesPerRow("blood pressure"), 1);
    ASSERT_EQ(RangeRules::memberNames("Blood Sugar").size(), 2u);
    EXPECT_STREQ(RangeRules::memberNames("Blood Sugar")[0], "fasting");
    EXPECT_STREQ(RangeRules::memberNames("Blood Sugar")[1], "postprandial");
    EXPECT_STREQ(RangeRules::memberNames("Blood Pressure")[0], "systolic");
    EXPECT_STREQ(RangeRules::memberNames("Blood Pressure")[1], "diastolic");
}

TEST(RangeRulesRead, TextsInInputOrder) {
    TestDataFolder data;
    openUser(data, std::string(kPulse) + kBloodPressure + kMoodOnlyEntries);
    EXPECT_EQ(RangeRules::readTexts(Global::findVariable("Pulse"), "Pulse"), (Texts{"60", "100", "40", "140"}));
    EXPECT_EQ(RangeRules::readTexts(Global::findVariable("Blood Pressure"), "Blood Pressure"),
              (Texts{"90", "60", "139", "89", "70", "40", "180", "120"}));
    EXPECT_EQ(RangeRules::readTexts(Global::findVariable("Mood"), "Mood"), (Texts{"", "", "", ""}));
    EXPECT_EQ(RangeRules::readTexts(nullptr, "Blood Sugar"), (Texts(8, "")));
}

TEST(RangeRulesWrite, StoresTextsExactlyAsTypedWhereTheChartReadsThem) {
    TestDataFolder data;
    openUser(data, std::string(kPulse) + kBloodPressure);
    XmlNode* pulse = Global::findVariable("Pulse");
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), pulse, "Pulse", {"55", "105.50", "35", "150"}));
    XmlNode* bp = Global::findVariable("Blood Pressure");
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), bp, "Blood Pressure",
                                       {"95", "65", "135", "85", "75", "45", "175", "115"}));
    saveAndReload();

    pulse = Global::findVariable("Pulse");
    EXPECT_STREQ(Global::childText(pulse, "normalLow"), "55");
    EXPECT_STREQ(Global::childText(pulse, "normalHigh"), "105.50");
    EXPECT_STREQ(Global::childText(pulse, "panicLow"), "35");
    EXPECT_STREQ(Global::childText(pulse, "panicHigh"), "150");
    // The entry is untouched and stays after the ranges.
    EXPECT_EQ(childNames(pulse), (Texts{"normalLow", "normalHigh", "panicLow", "panicHigh", "entry"}));
    EXPECT_STREQ(Global::childText(pulse->first_node("entry"), "value"), "72.000000");

    bp = Global::findVariable("Blood Pressure");
    EXPECT_STREQ(Global::childText(bp->first_node("normalLow"), "systolic"), "95");
    EXPECT_STREQ(Global::childText(bp->first_node("normalLow"), "diastolic"), "65");
    EXPECT_STREQ(Global::childText(bp->first_node("normalHigh"), "systolic"), "135");
    EXPECT_STREQ(Global::childText(bp->first_node("normalHigh"), "diastolic"), "85");
    EXPECT_STREQ(Global::childText(bp->first_node("panicHigh"), "diastolic"), "115");
    EXPECT_NE(data.read("user0.hma").find("<normalHigh>105.50</normalHigh>"), std::string::npos);
}

TEST(RangeRulesWrite, CreatesMissingRangesInOrderBeforeTheEntries) {
    TestDataFolder data;
    openUser(data, kMoodOnlyEntries);
    XmlNode* mood = Global::findVariable("Mood");
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), mood, "Mood", {"2", "4", "1", "5"}));
    saveAndReload();
    mood = Global::findVariable("Mood");
    EXPECT_EQ(childNames(mood), (Texts{"normalLow", "normalHigh", "panicLow", "panicHigh", "entry"}));
    EXPECT_EQ(RangeRules::readTexts(mood, "Mood"), (Texts{"2", "4", "1", "5"}));
}

TEST(RangeRulesWrite, FillsGapsWithoutShiftingTheFollowingInputs) {
    TestDataFolder data;
    // normalHigh missing, panicLow empty, panicHigh after an entry.
    openUser(data,
             "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<panicLow/>\n"
             "\t\t<entry id=\"0\">\n\t\t\t<value>1.000000</value>\n\t\t</entry>\n"
             "\t\t<panicHigh>140</panicHigh>\n\t</variable>\n");
    XmlNode* pulse = Global::findVariable("Pulse");
    EXPECT_EQ(RangeRules::readTexts(pulse, "Pulse"), (Texts{"60", "", "", "140"}));
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), pulse, "Pulse", {"61", "101", "41", "141"}));
    saveAndReload();
    pulse = Global::findVariable("Pulse");
    EXPECT_EQ(RangeRules::readTexts(pulse, "Pulse"), (Texts{"61", "101", "41", "141"}));
    EXPECT_EQ(childNames(pulse), (Texts{"normalLow", "normalHigh", "panicLow", "entry", "panicHigh"}));
}

TEST(RangeRulesWrite, GroupedVariableGetsMissingMembersAtTheirPlaces) {
    TestDataFolder data;
    // normalLow holds only postprandial, normalHigh is empty, panicLow holds
    // a text of its own instead of members, panicHigh is missing.
    openUser(data,
             "\t<variable name=\"Blood Sugar\">\n\t\t<normalLow>\n\t\t\t<postprandial>90</postprandial>\n"
             "\t\t</normalLow>\n\t\t<normalHigh/>\n\t\t<panicLow>54</panicLow>\n\t</variable>\n");
    XmlNode* sugar = Global::findVariable("Blood Sugar");
    EXPECT_EQ(RangeRules::readTexts(sugar, "Blood Sugar"), (Texts{"", "90", "", "", "", "", "", ""}));
    const Texts typed{"80", "91", "130", "180", "54", "55", "250", "300"};
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), sugar, "Blood Sugar", typed));
    saveAndReload();
    sugar = Global::findVariable("Blood Sugar");
    EXPECT_EQ(RangeRules::readTexts(sugar, "Blood Sugar"), typed);
    EXPECT_EQ(childNames(sugar), (Texts{"normalLow", "normalHigh", "panicLow", "panicHigh"}));
    for (const char* range : RangeRules::kRangeNames)
        EXPECT_EQ(childNames(sugar->first_node(range)), (Texts{"fasting", "postprandial"})) << range;
}

TEST(RangeRulesWrite, SingleValuedRangeWithStrayChildrenKeepsThemAndTheTypedText) {
    TestDataFolder data;
    openUser(data,
             "\t<variable name=\"SpO2\">\n\t\t<normalLow>\n\t\t\t<systolic>1</systolic>\n\t\t</normalLow>\n"
             "\t\t<normalHigh>100</normalHigh>\n\t\t<panicLow>88</panicLow>\n\t\t<panicHigh>100</panicHigh>\n"
             "\t</variable>\n");
    XmlNode* spo2 = Global::findVariable("SpO2");
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), spo2, "SpO2", {"95", "100", "88", "100"}));
    saveAndReload();
    spo2 = Global::findVariable("SpO2");
    EXPECT_EQ(RangeRules::readTexts(spo2, "SpO2"), (Texts{"95", "100", "88", "100"}));
    EXPECT_STREQ(Global::childText(spo2->first_node("normalLow"), "systolic"), "1");
    EXPECT_DOUBLE_EQ(ChartMath::normalRange(spo2, "SpO2", kFileUnits).lo, 95);
}

TEST(RangeRulesWrite, GroupedRangeIntoATextHoldingElementHoldsOnlyItsMembers) {
    TestDataFolder data;
    openUser(data,
             "\t<variable name=\"Blood Pressure\">\n\t\t<normalLow>55<note>kept</note></normalLow>\n"
             "\t</variable>\n");
    XmlNode* bp = Global::findVariable("Blood Pressure");
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), bp, "Blood Pressure", Texts(8, "7")));
    EXPECT_STREQ(bp->first_node("normalLow")->value(), "");
    saveAndReload();
    const XmlNode* low = Global::findVariable("Blood Pressure")->first_node("normalLow");
    EXPECT_EQ(childNames(low), (Texts{"note", "systolic", "diastolic"}));
    EXPECT_STREQ(low->value(), "");
    EXPECT_EQ(data.read("user0.hma").find("55"), std::string::npos);
}

TEST(RangeRulesWrite, RefusesMissingVariableOrWrongNumberOfTexts) {
    TestDataFolder data;
    openUser(data, kPulse);
    XmlNode* pulse = Global::findVariable("Pulse");
    EXPECT_FALSE(RangeRules::writeTexts(Global::userDoc.get(), nullptr, "Pulse", {"1", "2", "3", "4"}));
    EXPECT_FALSE(RangeRules::writeTexts(Global::userDoc.get(), pulse, "Pulse", {"1", "2", "3"}));
    // Eight texts belong to a grouped variable, not to Pulse.
    EXPECT_FALSE(RangeRules::writeTexts(Global::userDoc.get(), pulse, "Pulse", Texts(8, "1")));
    EXPECT_EQ(RangeRules::readTexts(pulse, "Pulse"), (Texts{"60", "100", "40", "140"}));
}

// Limits in another unit: shown converted, a limit left as shown keeps its
// stored text, a changed one is stored converted to the file's unit.
TEST(RangeRulesUnits, LimitsAreShownAndStoredAcrossUnits) {
    Units::Preferences celsius;
    celsius.temperature = Units::Temperature::Celsius;
    const std::vector<std::string> stored{"96.9", "99.5", "95", "103"};
    const std::vector<std::string> shown = RangeRules::shownTexts(stored, "Temperature", celsius);
    EXPECT_EQ(shown, (std::vector<std::string>{"36.1", "37.5", "35", "39.4"}));
    EXPECT_EQ(RangeRules::shownTexts(stored, "Temperature", Units::Preferences()), stored);
    EXPECT_EQ(RangeRules::storedTexts({"36.1", "37,8", "35", "39.4"}, shown, stored, "Temperature", celsius),
              (std::vector<std::string>{"96.9", "100.04", "95", "103"}));
    Units::Preferences mmol;
    mmol.sugar = Units::Sugar::MillimolesPerLitre;
    EXPECT_EQ(RangeRules::shownTexts({"90", "130", "54", "250"}, "Blood Sugar", mmol),
              (std::vector<std::string>{"5", "7.2", "3", "13.9"}));
    EXPECT_EQ(RangeRules::storedTexts({"5.5"}, {"5"}, {"90"}, "Blood Sugar", mmol), (std::vector<std::string>{"99.088"}));
    EXPECT_EQ(RangeRules::storedTexts({"60,5"}, {"60"}, {"60"}, "Pulse", mmol), (std::vector<std::string>{"60.5"}));
}
