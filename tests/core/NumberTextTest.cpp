// The one reader of numbers: what each form takes and refuses, and the one
// lookup of a variable in a user's document.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/NumberText.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "store/VariableLookup.h"

namespace {

using Result = NumberText::Result;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

struct Case {
    std::string text;
    Result result;
    double value;  // when read; NaN for "not a number"
};

void expectCases(const std::vector<Case>& cases, const NumberText::Form& form, const char* formName) {
    for (const Case& c : cases) {
        double value = -12345;
        const Result r = NumberText::read(c.text, value, form);
        EXPECT_EQ(r, c.result) << formName << ": \"" << c.text << "\"";
        if (r != Result::Read) {
            EXPECT_EQ(value, -12345) << formName << ": \"" << c.text << "\" set the value";
        } else if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(value)) << formName << ": \"" << c.text << "\" read as " << value;
        } else {
            EXPECT_EQ(value, c.value) << formName << ": \"" << c.text << "\"";
        }
    }
}

// Typed in a window or read from another program's file: decimal notation
// only, whatever else the C library would read.
TEST(NumberText, ATypedValueTakesBlanksASignAndADecimalCommaAndDecimalNotationOnly) {
    expectCases({{"72", Result::Read, 72},          {" 72\t", Result::Read, 72},       {"+72", Result::Read, 72},
                 {"-0.5", Result::Read, -0.5},      {"5.", Result::Read, 5},           {".5", Result::Read, 0.5},
                 {"36,8", Result::Read, 36.8},      {" 36,8 ", Result::Read, 36.8},    {"-,5", Result::Read, -0.5},
                 {"0072.50", Result::Read, 72.5},   {"1" + std::string(400, '0'), Result::Read, kInf},
                 {"", Result::Empty, 0},            {" \t ", Result::Empty, 0},
                 {"1e2", Result::Unreadable, 0},    {"1E2", Result::Unreadable, 0},    {"2.5e-1", Result::Unreadable, 0},
                 {"1e999", Result::Unreadable, 0},  {"36,8e1", Result::Unreadable, 0}, {"0x48", Result::Unreadable, 0},
                 {"0X48", Result::Unreadable, 0},   {"0x1p6", Result::Unreadable, 0},  {"inf", Result::Unreadable, 0},
                 {"-INFINITY", Result::Unreadable, 0}, {"nan", Result::Unreadable, 0}, {"NaN", Result::Unreadable, 0},
                 {"12X", Result::Unreadable, 0},    {"1,000.5", Result::Unreadable, 0},
                 {"1,2,3", Result::Unreadable, 0},  {"81.5 mmHg", Result::Unreadable, 0}, {"72abc", Result::Unreadable, 0},
                 {"7 2", Result::Unreadable, 0},    {"-", Result::Unreadable, 0},      {"+-5", Result::Unreadable, 0},
                 {"--5", Result::Unreadable, 0},    {".", Result::Unreadable, 0},      {"abc", Result::Unreadable, 0},
                 {"1e", Result::Unreadable, 0}},
                NumberText::typed(), "typed");
}

// A diary's file may hold values typed before the exponent was refused.
TEST(NumberText, AStoredValueAlsoTakesTheExponentAndInfiniteValues) {
    expectCases({{"72.000000", Result::Read, 72},   {" 36,8 ", Result::Read, 36.8},    {"1e3", Result::Read, 1000},
                 {"2.5E-1", Result::Read, 0.25},    {"inf", Result::Read, kInf},       {"-INFINITY", Result::Read, -kInf},
                 {"nan", Result::Read, kNan},       {"1e999", Result::Read, kInf},     {"-1e999", Result::Read, -kInf},
                 {"1e-999", Result::Read, 0},       {"123456789e310", Result::Read, kInf},
                 {"0.0000001e-400", Result::Read, 0},
                 {"0x48", Result::Unreadable, 0},   {"81.5 mmHg", Result::Unreadable, 0}},
                NumberText::stored(), "stored");
}

// A unit after the number is taken where a form names it; the number part
// is refused the same way.
TEST(NumberText, AUnitAfterTheNumberStaysReadableWhileTheNumberIsRefusedInHexOrExponent) {
    NumberText::Form form = NumberText::typed();
    form.unitAfter = "mmHg";
    expectCases({{"120 mmHg", Result::Read, 120}, {"120mmHg", Result::Read, 120},  {"120,5 mmHg", Result::Read, 120.5},
                 {"1e2 mmHg", Result::Unreadable, 0}, {"0x78 mmHg", Result::Unreadable, 0},
                 {"inf mmHg", Result::Unreadable, 0}, {"120 kPa", Result::Unreadable, 0}},
                form, "typed with a unit");
}

// The forms that keep the C library's reading give what strtod gives, to the
// bit, and stop where it stops.
TEST(NumberText, TheLibraryFormsReadWhatTheCLibraryReads) {
    const std::vector<std::string> texts{"72.000000", "-98.6", "+0.1", "-0", "5.", ".5", "7abc", "1.5.3", "1e3", "1e+",
                                         "2.5E-1", "0x1A", "0X1.8p3", "0x", "0xg", "-0x10", "0.x", " 7", "\t-7", "inf",
                                         "infinity", "-InF", "1e999", "-1e999", "1e-999", "4e-320", "0x1p-2000",
                                         "0x1p5000", "3.14159265358979", "0.0000000000000001", "123456789012345678901",
                                         "7 ", "7,5"};
    for (const std::string& text : texts) {
        char* end = nullptr;
        const double expected = std::strtod(text.c_str(), &end);
        const std::size_t expectedUsed = static_cast<std::size_t>(end - text.c_str());
        double prefixValue = 0, wholeValue = 0;
        std::size_t used = 0;
        const Result prefix = NumberText::read(text, prefixValue, NumberText::library(true), &used);
        const Result whole = NumberText::read(text, wholeValue, NumberText::library(false));
        ASSERT_EQ(prefix, expectedUsed > 0 ? Result::Read : Result::Unreadable) << text;
        EXPECT_EQ(whole == Result::Read, expectedUsed > 0 && *end == '\0') << text;
        if (prefix != Result::Read) continue;
        EXPECT_EQ(used, expectedUsed) << text;
        EXPECT_EQ(std::memcmp(&prefixValue, &expected, sizeof expected), 0) << text << " read as " << prefixValue;
    }
    double value = 0;
    EXPECT_EQ(NumberText::read("nan(123)", value, NumberText::library(false)), Result::Read);
    EXPECT_TRUE(std::isnan(value));
    EXPECT_EQ(NumberText::read("abc", value, NumberText::library(true)), Result::Unreadable);
    EXPECT_EQ(NumberText::read("", value, NumberText::library(true)), Result::Empty);
}

TEST(NumberText, ReadFiniteRefusesInfinityAndNotANumber) {
    for (const char* text : {"inf", "-inf", "nan", "1e999"}) {
        double value = 5;
        EXPECT_FALSE(NumberText::readFinite(text, value, NumberText::stored())) << text;
        EXPECT_EQ(value, 5) << text;
    }
    double value = 0;
    EXPECT_TRUE(NumberText::readFinite("1e-999", value, NumberText::stored()));
    EXPECT_EQ(value, 0);
}

// A stored limit reads the same for the chart, the report and the exports.
TEST(NumberText, AStoredLimitMayBeFollowedOnlyByItsVariablesUnit) {
    struct LimitCase {
        const char* text;
        const char* variable;
        bool read;
        double value;
    } cases[] = {
        {"100", "Blood Pressure", true, 100},     {" 100 ", "Pulse", true, 100},
        {"100 mmHg", "Blood Pressure", true, 100}, {"100mmHg", "Systolic", true, 100},
        {"96.9 \xC2\xB0" "F", "Temperature", true, 96.9}, {"60 /min", "Pulse", true, 60},
        {"95%", "SpO2", true, 95},                 {"1e2", "Pulse", true, 100},
        {"37 C", "Temperature", false, 0},         {"37 \xC2\xB0" "C", "Temperature", false, 0},
        {"100 mg/dL", "Blood Pressure", false, 0}, {"100 mmHg extra", "Blood Pressure", false, 0},
        {"100abc", "Pulse", false, 0},             {"36,8", "Temperature", false, 0},
        {"0x5A", "Pulse", false, 0},               {"inf", "Pulse", false, 0},
        {"nan", "Pulse", false, 0},                {"", "Pulse", false, 0},
        {"4", "Mood", true, 4},                    {"4 points", "Mood", false, 0},
        {"7", "My own", true, 7},                  {"7 kg", "My own", false, 0},
    };
    for (const LimitCase& c : cases) {
        double value = -1;
        EXPECT_EQ(RangeRules::readLimit(c.text, c.variable, value), c.read) << c.text << " of " << c.variable;
        if (c.read) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(VariableLookup, FindsAVariableByItsNameAttributeComparedWhole) {
    TestDataFolder data;
    const std::string xml = "<patient id=\"0\"><variable id=\"3\" name=\"Pulse\"/><variable label=\"Mood\"/>"
                            "<variable name=\"Weight2\"/><variable name=\"Weight\"/></patient>";
    data.write("user0.hma", xml);
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    XmlNode* patient = Global::userDoc->first_node("patient");
    XmlNode* pulse = patient->first_node("variable");
    XmlNode* weight = patient->last_node("variable");
    struct LookupCase {
        const char* name;
        XmlNode* found;
    } cases[] = {{"Pulse", pulse}, {"Mood", nullptr}, {"Weight", weight}, {"Weigh", nullptr}, {"Puls", nullptr},
                 {"", nullptr},    {"pulse", nullptr}};
    for (const LookupCase& c : cases) {
        EXPECT_EQ(VariableLookup::find(patient, c.name), c.found) << c.name;
        // The store's and the entry rules' lookups are that one.
        EXPECT_EQ(Global::findVariable(c.name), c.found) << c.name;
        EXPECT_EQ(EntryRules::findVariable(patient, c.name), c.found) << c.name;
    }
    EXPECT_EQ(VariableLookup::find(nullptr, "Pulse"), nullptr);
    EXPECT_EQ(Global::findVariable(nullptr), nullptr);
}

}  // namespace
