// A reading's note, arm, position and irregular heartbeat flag: the checks
// every way in applies, their elements in the file, the history's columns
// and the entry rules' refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/HistoryData.h"
#include "rules/readings/ReadingDetails.h"

namespace {

using Fault = ReadingDetails::Fault;

ReadingDetails details(const std::string& note, const std::string& arm = "", const std::string& position = "",
                       bool irregular = false) {
    ReadingDetails d;
    d.note = note;
    d.arm = arm;
    d.position = position;
    d.irregular = irregular;
    return d;
}

}  // namespace

TEST(ReadingDetails, EachCheckRefusesWhatCannotBeStoredOrDoesNotBelong) {
    struct Case {
        ReadingDetails d;
        const char* variable;
        Fault expected;
    };
    const std::string longest(ReadingDetails::kMaxNote, 'x');
    // Characters, not bytes: 200 two-byte letters fit.
    std::string umlauts;
    for (std::size_t i = 0; i < ReadingDetails::kMaxNote; ++i) umlauts += "\xC3\xBC";
    const Case cases[] = {
        {details(""), "Pulse", Fault::Fine},
        {details(longest), "Pulse", Fault::Fine},
        {details(longest + "x"), "Pulse", Fault::NoteTooLong},
        {details(umlauts), "Pulse", Fault::Fine},
        {details(umlauts + "\xC3\xBC"), "Pulse", Fault::NoteTooLong},
        {details("line one\nline two\ttab"), "Pulse", Fault::Fine},  // stored as references
        {details(std::string("zero\0byte", 9)), "Pulse", Fault::NoteUnstorable},
        {details("\xC3"), "Pulse", Fault::NoteUnstorable},          // cut short
        {details("caf\xE9"), "Pulse", Fault::NoteUnstorable},       // Windows-1252
        {details("\xC0\xAF"), "Pulse", Fault::NoteUnstorable},      // over-long form
        {details("\xED\xA0\x80"), "Pulse", Fault::NoteUnstorable},  // a surrogate
        {details("", "left", "sitting", true), "Blood Pressure", Fault::Fine},
        {details("", "right", "lying"), "Blood Pressure", Fault::Fine},
        {details("", "Left"), "Blood Pressure", Fault::BadArm},
        {details("", "", "kneeling"), "Blood Pressure", Fault::BadPosition},
        {details("", "left"), "Pulse", Fault::NotBloodPressure},
        {details("", "", "", true), "Weight", Fault::NotBloodPressure},
    };
    for (const Case& c : cases) EXPECT_EQ(c.d.check(c.variable), c.expected) << c.d.note << " " << c.d.arm;
}

TEST(ReadingDetails, DetailsAreWrittenAfterTheTimeOnlyWhenGivenAndReadBack) {
    XmlDocument doc;
    XmlNode* entry = doc->allocate_node(rapidxml::node_element, "entry");
    doc->append_node(entry);
    ReadingDetails().appendTo(doc.get(), entry);
    EXPECT_EQ(entry->first_node(), nullptr);
    const ReadingDetails given = details("felt dizzy", "", "standing", true);
    given.appendTo(doc.get(), entry);
    std::vector<std::string> names;
    for (const XmlNode* c = entry->first_node(); c; c = c->next_sibling()) names.emplace_back(c->name(), c->name_size());
    EXPECT_EQ(names, (std::vector<std::string>{"note", "position", "irregular"}));
    EXPECT_EQ(ReadingDetails::of(entry), given);
    for (const char* name : {"note", "arm", "position", "irregular"})
        EXPECT_TRUE(ReadingDetails::isDetail(name, std::strlen(name))) << name;
    for (const char* name : {"value", "systolic", "date", "notes", "arm2"})
        EXPECT_FALSE(ReadingDetails::isDetail(name, std::strlen(name))) << name;
}

TEST(ReadingDetails, ShortFormsAndSearch) {
    EXPECT_EQ(details("", "left", "sitting", true).shortText(), "L, sitting, IHB");
    EXPECT_EQ(details("", "right").shortText(), "R");
    EXPECT_EQ(details("x").shortText(), "");
    EXPECT_EQ(ReadingDetails::oneLine("a\nb\tc"), "a b c");
    EXPECT_TRUE(details("After the WALK").noteHolds("the walk"));
    EXPECT_FALSE(details("after the walk").noteHolds("tablets"));
    EXPECT_FALSE(details("").noteHolds("a"));
}

TEST(ReadingDetails, PlanEntryRefusesBadDetailsAndKeepsGoodOnes) {
    const std::vector<EntryRules::ValueField> pressure = {{"Systolic", "Systolic", "120"},
                                                          {"Diastolic", "Diastolic", "80"}};
    const std::time_t now = std::time(nullptr);
    EntryRules::EntryPlan plan = EntryRules::planEntry("Blood Pressure", "2024/03/05", "08:00:00 AM", pressure, now,
                                                       Units::Preferences(), details("after the walk", "left"));
    ASSERT_TRUE(plan.accepted());
    EXPECT_EQ(plan.details.note, "after the walk");
    plan = EntryRules::planEntry("Pulse", "2024/03/05", "08:00:00 AM", {{"Value", "Value", "70"}}, now,
                                 Units::Preferences(), details("", "left"));
    EXPECT_EQ(plan.refused, EntryRules::Refusal::NotBloodPressure);
    EXPECT_TRUE(plan.values.empty());
    plan = EntryRules::planEntry("Pulse", "2024/03/05", "08:00:00 AM", {{"Value", "Value", "70"}}, now,
                                 Units::Preferences(), details(std::string(201, 'n')));
    EXPECT_EQ(plan.refused, EntryRules::Refusal::NoteTooLong);
    EXPECT_EQ(EntryRules::refusal(plan.refused).reason, "The note you entered is longer than 200 characters.");
}

TEST(ReadingDetails, TheHistoryShowsTheirColumnsOnlyWhenAReadingHasThem) {
    XmlDocument doc;
    std::string text =
        "<patient id=\"0\"><variable name=\"Blood Pressure\">"
        "<entry id=\"0\"><systolic>120.000000</systolic><diastolic>80.000000</diastolic><date>2024/03/05</date>"
        "<time>08:00:00 AM</time><note>1.25</note></entry>"
        "<entry id=\"1\"><systolic>150.000000</systolic><diastolic>95.000000</diastolic><date>2024/03/06</date>"
        "<time>08:00:00 AM</time><note>72</note><arm>left</arm><position>sitting</position>"
        "<irregular>yes</irregular></entry></variable>"
        "<variable name=\"Pulse\"><entry id=\"0\"><value>70.000000</value><date>2024/03/05</date>"
        "<time>08:00:00 AM</time></entry></variable></patient>";
    doc->parse<0>(&text[0]);
    XmlNode* pressure = doc->first_node("patient")->first_node("variable");
    bool grouped = false;
    Units::Preferences named;
    named.named = true;
    std::vector<std::string> columns = HistoryData::columnsFor("Blood Pressure", grouped, named);
    HistoryData::addDetailColumns(pressure, "Blood Pressure", columns);
    ASSERT_EQ(columns.size(), 6u);
    EXPECT_EQ(columns[4], "Taken");
    EXPECT_EQ(columns[5], "Note");
    std::ostringstream errors;
    const auto rows = HistoryData::readRows(pressure, "Blood Pressure", columns, grouped, named, errors);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[4], "");
    EXPECT_EQ(rows[1].cells[4], "L, sitting, IHB");
    EXPECT_EQ(rows[0].cells[5], "1.25");
    EXPECT_EQ(rows[1].cells[5], "72");  // a note is never given another note's decimals
    EXPECT_EQ(errors.str(), "");  // a reading without a note is not missing anything
    // The chart's point details find the reading by its series and time.
    std::tm when{};
    ASSERT_EQ(EntryRules::readFields("2024/03/06", "08:00:00 AM", when), EntryRules::Refusal::NotRefused);
    XmlNode* patient = doc->first_node("patient");
    EXPECT_EQ(ReadingDetails::atPoint(patient, "Diastolic", when).pointLine(), "72 (L, sitting, IHB)");
    EXPECT_EQ(ReadingDetails::atPoint(patient, "Pulse", when).pointLine(), "");
    std::vector<std::string> pulse = HistoryData::columnsFor("Pulse", grouped, named);
    const std::size_t before = pulse.size();
    HistoryData::addDetailColumns(pressure->next_sibling("variable"), "Pulse", pulse);
    EXPECT_EQ(pulse.size(), before);
}
