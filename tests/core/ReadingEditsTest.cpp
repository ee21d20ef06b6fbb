// Readings kept right: times and values as people type them, the values a
// person can have, a reading already at a time, the questions, a correction
// in place, removals put back, the history's order and the shared scale of
// grouped members.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/chart/ChartMath.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/HistoryData.h"
#include "rules/readings/Plausibility.h"
#include "rules/readings/ReadingEdits.h"
#include "rules/units/Units.h"
#include "store/Global.h"

namespace {

using namespace EntryRules;

EntryPlan planOf(const std::string& variable, const std::string& value, const std::string& time = "08:00:00 AM",
                 const std::string& date = "2026/12/07") {
    return planEntry(variable, date, time, {{"Value", "Value", value}});
}

class ReadingEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        openTestUser(data, "\t<variable name=\"Pulse\">\n"
                           "\t\t<entry id=\"0\"><value>72.000000</value><date>2026/12/05</date><time>08:00:00 AM</time></entry>\n"
                           "\t\t<entry id=\"1\"><value>720.000000</value><date>2026/12/07</date><time>8:00 am</time></entry>\n"
                           "\t\t<entry id=\"2\"><value>80.000000</value><date>2026/12/06</date><time>19:30</time></entry>\n"
                           "\t</variable>\n");
        pulse = Global::findVariable("Pulse");
        for (XmlNode* e = pulse->first_node("entry"); e; e = e->next_sibling("entry")) entries.push_back(e);
    }
    std::vector<std::string> ids() const {
        std::vector<std::string> out;
        for (XmlNode* e = pulse->first_node("entry"); e; e = e->next_sibling("entry"))
            out.push_back(Global::attributeText(e, "id"));
        return out;
    }
    TestDataFolder data;
    XmlNode* pulse = nullptr;
    std::vector<XmlNode*> entries;
};

}  // namespace

TEST(TimeForms, TimesAsPeopleTypeThemAreStoredInTheFilesOwnForm) {
    const PlanOutcome one = acceptedWith(1);
    const struct { const char* typed; PlanOutcome outcome; const char* stored; } cases[] = {
        {"7:30 PM", one, "07:30:00 PM"},
        {"07:30 pm", one, "07:30:00 PM"},
        {"19:30", one, "07:30:00 PM"},
        {"19:30:00", one, "07:30:00 PM"},
        {"7:30PM", one, "07:30:00 PM"},
        {"0:15", one, "12:15:00 AM"},
        {"12:00", one, "12:00:00 PM"},
        {"24:00", refusedFor(Refusal::BadRange), ""},
        {"19:75", refusedFor(Refusal::BadRange), ""},
        {"19", refusedFor(Refusal::TimeUnreadable), ""},
        {"19:30:", refusedFor(Refusal::TimeUnreadable), ""},
        {"7:30 PX", refusedFor(Refusal::BadSuffix), ""},
    };
    for (const auto& c : cases) {
        const EntryPlan p = planOf("Pulse", "72", c.typed);
        EXPECT_EQ(outcomeOf(p), c.outcome) << c.typed;
        if (p.accepted()) {
            EXPECT_EQ(p.time, c.stored) << c.typed;
        }
    }
}

TEST(ValueTexts, ACommaIsADecimalPointAndNoCharacterIsDropped) {
    const ValueRead number = ValueRead::Number, notANumber = ValueRead::NotANumber;
    const struct { const char* typed; ValueRead read; double value; } cases[] = {
        {"36,8", number, 36.8},      {" 36,8 ", number, 36.8},  {"36.8", number, 36.8},
        {"36,8,1", notANumber, 0},   {"1.000,5", notANumber, 0}, {"70 kg", notANumber, 0},
        {"72abc", notANumber, 0},    {"", ValueRead::Empty, 0},
    };
    for (const auto& c : cases) {
        double v = 0;
        EXPECT_EQ(readValue(c.typed, v), c.read) << c.typed;
        if (c.read == number) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.typed;
        }
    }
    EXPECT_EQ(planOf("Temperature", "36,8").values.at(0).text, "36.800000");
}

TEST(Plausible, EachQuantityHasTheRangeAPersonCanHave) {
    const struct { const char* series; double value; bool outside; } cases[] = {
        {"Pulse", 720, true},   {"Pulse", 300, false},      {"Pulse", 19.9, true},  {"Systolic", 39, true},
        {"Diastolic", 96, false}, {"SpO2", 101, true},      {"Temperature", 36.8, true}, {"Temperature", 98.6, false},
        {"Weight", 0.5, true},  {"Fasting", 1001, true},   {"Postprandial", 140, false}, {"Mood", 11, true},
        {"Sleep Hours", 720, false},
    };
    for (const auto& c : cases) EXPECT_EQ(Plausibility::outside(c.series, c.value), c.outside) << c.series << c.value;
    EXPECT_EQ(Plausibility::question("Pulse", 720, kFileUnits),
              "Pulse 720 /min is outside what can be measured on a person (20 to 300 /min). Save it anyway?");
    EXPECT_EQ(outcomeOf(planOf("Pulse", "-5")), refusedFor(Refusal::Negative));
    EXPECT_EQ(planOf("Pulse", "-5").field, "Value");
    EXPECT_EQ(outcomeOf(planOf("Sleep Hours", "-5")), acceptedWith(1));  // a variable added by hand has no limits
}

TEST_F(ReadingEditsTest, AReadingAtTheSameTimeIsFoundAndAskedAbout) {
    const EntryPlan at8 = planOf("Pulse", "75");
    EXPECT_EQ(ReadingEdits::entryAt(pulse, at8.when), entries[1]);  // stored as "8:00 am"
    EXPECT_EQ(ReadingEdits::entryAt(pulse, at8.when, entries[1]), nullptr);
    EXPECT_EQ(ReadingEdits::entryAt(pulse, planOf("Pulse", "75", "08:00:01 AM").when), nullptr);
    EXPECT_EQ(ReadingEdits::duplicateQuestion("Pulse", entries[0], kFileUnits),
              "There is already a Pulse reading at 2026/12/05 08:00:00 AM (72 /min). Replace it?");
    EXPECT_EQ(ReadingEdits::removalQuestion("Pulse", {entries[1]}, kFileUnits),
              "Remove 1 reading of Pulse (2026/12/07 8:00 am: 720 /min)?");
    EXPECT_EQ(ReadingEdits::removalQuestion("Pulse", entries, kFileUnits), "Remove 3 readings of Pulse?");
}

TEST_F(ReadingEditsTest, RemovedReadingsArePutBackInTheirPlaces) {
    ReadingEdits::Removal removal;
    removal.take({entries[2], entries[0]});
    EXPECT_EQ(ids(), (std::vector<std::string>{"1"}));
    removal.putBack();
    EXPECT_EQ(ids(), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(ReadingEditsTest, ACorrectionKeepsTheEntrysIdAndPlace) {
    const EntryPlan p = planOf("Pulse", "84", "7:30 pm", "2026/12/07");
    ASSERT_TRUE(ReadingEdits::replaceEntry(Global::userDoc.get(), entries[1], p, "2026/12/07", p.time));
    EXPECT_EQ(ids(), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_STREQ(Global::childText(entries[1], "value"), "84.000000");
    EXPECT_STREQ(Global::childText(entries[1], "time"), "07:30:00 PM");
    EXPECT_FALSE(ReadingEdits::replaceEntry(Global::userDoc.get(), entries[1], planOf("Pulse", ""), "", ""));
}

TEST_F(ReadingEditsTest, StoredTimesInOtherFormsAreRewrittenInTheFilesOwnForm) {
    EXPECT_EQ(ReadingEdits::normalizeTimes(Global::userDoc.get(), Global::userDoc->first_node("patient")), 2);
    EXPECT_STREQ(Global::childText(entries[1], "time"), "08:00:00 AM");
    EXPECT_STREQ(Global::childText(entries[2], "time"), "07:30:00 PM");
}

TEST_F(ReadingEditsTest, HistoryRowsSortByTheClickedColumn) {
    bool grouped = false;
    const std::vector<std::string> columns = HistoryData::columnsFor("Pulse", grouped, kFileUnits);
    std::ostringstream errors;
    std::vector<HistoryRow> rows = HistoryData::readRows(pulse, "Pulse", columns, grouped, kFileUnits, errors);
    const auto order = [&rows]() {
        std::string s;
        for (const HistoryRow& r : rows) s += Global::attributeText(r.entry, "id");
        return s;
    };
    const struct { std::size_t column; bool ascending; const char* ids; } cases[] = {
        {0, false, "120"}, {0, true, "021"}, {1, true, "012"}, {2, false, "120"}, {2, true, "021"},
    };
    for (const auto& c : cases) {
        HistoryData::sortRows(rows, c.column, c.ascending);
        EXPECT_EQ(order(), c.ids) << c.column << c.ascending;
    }
}

TEST(GroupedScales, MembersOfOneVariableShareOneScale) {
    const std::vector<std::pair<double, double>> ranges{{132, 158}, {84, 96}, {60, 80}};
    const ChartMath::YScales s = ChartMath::groupedScales(ranges, {"Blood Pressure", "Blood Pressure", "Pulse"},
                                                          {true, true, true});
    ASSERT_EQ(s.series.size(), 3u);
    EXPECT_EQ(s.series[0].lo * s.series[0].step, s.series[1].lo * s.series[1].step);
    EXPECT_EQ(s.series[0].hi * s.series[0].step, s.series[1].hi * s.series[1].step);
    EXPECT_LE(s.series[1].lo * s.series[1].step, 84);
    EXPECT_GE(s.series[0].hi * s.series[0].step, 158);
    EXPECT_GT(s.series[2].lo * s.series[2].step, 40);  // Pulse keeps a scale of its own
    EXPECT_EQ(s.series[1].min, 84);
}

TEST(ReadingEditsUnits, QuestionsTellTheReadingInTheChosenUnitAndStyle) {
    std::string xml = "<patient><variable name=\"Temperature\"><entry id=\"0\"><value>101.300000</value>"
                      "<date>2026/12/07</date><time>08:00:00 PM</time></entry></variable></patient>";
    std::vector<char> text(xml.begin(), xml.end());
    text.push_back('\0');
    XmlDocument doc;
    doc->parse<rapidxml::parse_no_data_nodes>(text.data());
    XmlNode* entry = doc->first_node()->first_node()->first_node("entry");
    Units::Preferences p;
    p.temperature = Units::Temperature::Celsius;
    p.dateStyle = Units::DateStyle::Iso;
    p.clock24 = true;
    EXPECT_EQ(ReadingEdits::removalQuestion("Temperature", {entry}, p),
              "Remove 1 reading of Temperature (2026-12-07 20:00:00: 38.5 \xC2\xB0" "C)?");
    EXPECT_EQ(ReadingEdits::valuesText(entry, kFileUnits), "101.3 \xC2\xB0" "F");
    EXPECT_EQ(ReadingEdits::readingLine(entry, p), "Temperature 38.5 \xC2\xB0" "C on 2026-12-07 20:00:00");
    EXPECT_EQ(Plausibility::question("Temperature", 120, kFileUnits),
              "Temperature 120 \xC2\xB0" "F is outside what can be measured on a person (77 to 113 \xC2\xB0" "F). "
              "Save it anyway?");
}

// The refusals of a date or time show the form to type in the chosen style,
// by the example of now; the 24-hour clock asks for no AM or PM.
TEST(EntryMessages, DateAndTimeRefusalsFollowTheChosenStyle) {
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 11;
    now.tm_mday = 8;
    now.tm_hour = 17;
    now.tm_min = 20;
    Units::Preferences europe;
    europe.dateStyle = Units::DateStyle::Iso;
    europe.clock24 = europe.named = true;
    const Units::Preferences us;
    const std::string date = message(Refusal::DateUnreadable, "", europe, now);
    EXPECT_NE(date.find("2026-12-08 (year-month-day)"), std::string::npos) << date;
    EXPECT_EQ(date.find("YYYY"), std::string::npos);
    EXPECT_NE(message(Refusal::DateUnreadable, "", us, now).find("2026/12/08"), std::string::npos);
    for (Refusal r : {Refusal::TimeUnreadable, Refusal::BadSuffix}) {
        const std::string text = message(r, "", europe, now);
        EXPECT_NE(text.find("17:20:00"), std::string::npos) << text;
        EXPECT_EQ(text.find("AM"), std::string::npos) << text;
    }
    EXPECT_NE(message(Refusal::TimeUnreadable, "", us, now).find("05:20:00 PM"), std::string::npos);
    EXPECT_EQ(message(Refusal::BadSuffix, "", us, now), message(Refusal::BadSuffix));
    EXPECT_EQ(message(Refusal::NoSuchDay, "", europe, now), message(Refusal::NoSuchDay));
}
