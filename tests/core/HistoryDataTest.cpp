// The columns and rows of the history window.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/readings/HistoryData.h"
#include "store/Global.h"

namespace {

using Texts = std::vector<std::string>;

std::string entry(int id, const std::string& values, const std::string& date, const std::string& time) {
    return "\t\t<entry id=\"" + std::to_string(id) + "\">\n" + values + "\t\t\t<date>" + date +
           "</date>\n\t\t\t<time>" + time + "</time>\n\t\t</entry>\n";
}

std::string variable(const std::string& name, const std::string& entries) {
    return "\t<variable name=\"" + name + "\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
           "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>140</panicHigh>\n" +
           entries + "\t</variable>\n";
}

struct Loaded {
    Texts columns;
    bool grouped = false;
    std::vector<HistoryRow> rows;
    std::string errors;
};

// Reads the rows of the named variable of the open user the way the window does.
Loaded load(const std::string& name) {
    Loaded l;
    l.columns = HistoryData::columnsFor(name, l.grouped, kFileUnits);
    std::ostringstream err;
    l.rows = HistoryData::readRows(Global::findVariable(name.c_str()), name, l.columns, l.grouped, kFileUnits, err);
    l.errors = err.str();
    return l;
}

class HistoryDataTest : public ::testing::Test {
protected:
    void open(const std::string& variables) { openTestUser(data, variables); }
    TestDataFolder data;
};

}  // namespace

TEST(HistoryDataColumns, PerVariable) {
    bool grouped = true;
    EXPECT_EQ(HistoryData::columnsFor("Pulse", grouped, kFileUnits), (Texts{"Date", "Time", "Pulse"}));
    EXPECT_FALSE(grouped);
    EXPECT_EQ(HistoryData::columnsFor("Blood Pressure", grouped, kFileUnits),
              (Texts{"Date", "Time", "Systolic", "Diastolic"}));
    EXPECT_TRUE(grouped);
    EXPECT_EQ(HistoryData::columnsFor("Blood Sugar", grouped, kFileUnits),
              (Texts{"Date", "Time", "Fasting", "Postprandial"}));
    EXPECT_TRUE(grouped);
    // Exact comparison: a different case is an ordinary variable.
    EXPECT_EQ(HistoryData::columnsFor("blood sugar", grouped, kFileUnits), (Texts{"Date", "Time", "blood sugar"}));
    EXPECT_FALSE(grouped);
}

TEST(HistoryDataColumns, ElementReadForEachColumn) {
    const Texts pulse{"Date", "Time", "Pulse"};
    EXPECT_EQ(HistoryData::keyFor(pulse, 0, false), "date");
    EXPECT_EQ(HistoryData::keyFor(pulse, 1, false), "time");
    EXPECT_EQ(HistoryData::keyFor(pulse, 2, false), "value");
    const Texts sugar{"Date", "Time", "Fasting", "Postprandial"};
    EXPECT_EQ(HistoryData::keyFor(sugar, 2, true), "fasting");
    EXPECT_EQ(HistoryData::keyFor(sugar, 3, true), "postprandial");
}

TEST_F(HistoryDataTest, PulseRowsHoldTheStoredTextsInDocumentOrder) {
    // Added out of date order: the rows keep the document's order.
    open(variable("Pulse", entry(0, "\t\t\t<value>72.000000</value>\n", "2024/3/5", "8:00:00 AM") +
                               entry(1, "\t\t\t<value>65.500000</value>\n", "2023/12/31", "11:30:00 PM") +
                               entry(2, "\t\t\t<value>80.000000</value>\n", "2024/1/1", "7:15:00 am")));
    const Loaded l = load("Pulse");
    EXPECT_EQ(l.columns, (Texts{"Date", "Time", "Pulse"}));
    ASSERT_EQ(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0].cells, (Texts{"2024/3/5", "8:00:00 AM", "72.000000"}));
    EXPECT_EQ(l.rows[1].cells, (Texts{"2023/12/31", "11:30:00 PM", "65.500000"}));
    EXPECT_EQ(l.rows[2].cells, (Texts{"2024/1/1", "7:15:00 am", "80.000000"}));
    XmlNode* pulse = Global::findVariable("Pulse");
    EXPECT_EQ(l.rows[0].entry, pulse->first_node("entry"));
    EXPECT_EQ(l.rows[2].entry, pulse->last_node("entry"));
    EXPECT_EQ(l.errors, "");
}

TEST_F(HistoryDataTest, BloodPressureWithOnlySystolicGivesOneErrorLineAndAnEmptyCell) {
    open(variable("Blood Pressure", entry(0, "\t\t\t<systolic>120.000000</systolic>\n", "2024/3/5", "8:00:00 AM") +
                                        entry(1,
                                              "\t\t\t<systolic>118.000000</systolic>\n"
                                              "\t\t\t<diastolic>77.000000</diastolic>\n",
                                              "2024/3/6", "8:00:00 AM")));
    const Loaded l = load("Blood Pressure");
    ASSERT_EQ(l.rows.size(), 2u);
    EXPECT_EQ(l.rows[0].cells, (Texts{"2024/3/5", "8:00:00 AM", "120.000000", ""}));
    EXPECT_EQ(l.rows[1].cells, (Texts{"2024/3/6", "8:00:00 AM", "118.000000", "77.000000"}));
    EXPECT_EQ(l.errors,
              "HistoryTableWindow::loadData : Error: attribute diastolic of entry id=0 for variable Blood Pressure "
              "is missing.\n");
}

TEST_F(HistoryDataTest, BloodSugarReadsFastingAndPostprandial) {
    open(variable("Blood Sugar", entry(4, "\t\t\t<postprandial>140.000000</postprandial>\n", "2024/3/5", "1:00:00 PM")));
    const Loaded l = load("Blood Sugar");
    ASSERT_EQ(l.rows.size(), 1u);
    EXPECT_EQ(l.rows[0].cells, (Texts{"2024/3/5", "1:00:00 PM", "", "140.000000"}));
    EXPECT_EQ(l.errors,
              "HistoryTableWindow::loadData : Error: attribute fasting of entry id=4 for variable Blood Sugar "
              "is missing.\n");
}

TEST_F(HistoryDataTest, VariableWithoutEntriesGivesNoRowsAndNoError) {
    open(variable("Pulse", ""));
    const Loaded l = load("Pulse");
    EXPECT_TRUE(l.rows.empty());
    EXPECT_EQ(l.errors, "");
}

TEST_F(HistoryDataTest, UnknownVariableGivesItsErrorLineAndNoRows) {
    open(variable("Pulse", entry(0, "\t\t\t<value>72.000000</value>\n", "2024/3/5", "8:00:00 AM")));
    const Loaded l = load("Weight");
    EXPECT_EQ(l.columns, (Texts{"Date", "Time", "Weight"}));
    EXPECT_TRUE(l.rows.empty());
    EXPECT_EQ(l.errors, "HistoryTableWindow::loadData : Error: no entry for variable Weight\n");
}

TEST_F(HistoryDataTest, EntryWithoutIdOrDateStillGivesARow) {
    open("\t<variable name=\"Temperature\">\n\t\t<entry>\n\t\t\t<value>98.600000</value>\n"
         "\t\t\t<time>8:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n");
    const Loaded l = load("Temperature");
    ASSERT_EQ(l.rows.size(), 1u);
    EXPECT_EQ(l.rows[0].cells, (Texts{"", "8:00:00 AM", "98.600000"}));
    EXPECT_EQ(l.errors,
              "HistoryTableWindow::loadData : Error: attribute date of entry id= for variable Temperature "
              "is missing.\n");
}

TEST_F(HistoryDataTest, OnlyEntryChildrenBecomeRows) {
    // Range elements and other children are not rows; an element named
    // like a value but outside an entry is not read.
    open("\t<variable name=\"Mood\">\n\t\t<normalLow>1</normalLow>\n\t\t<value>9</value>\n" +
         entry(0, "\t\t\t<value>3.000000</value>\n", "2024/1/1", "1:00:00 PM") + "\t\t<note>x</note>\n" +
         entry(1, "\t\t\t<value>4.000000</value>\n", "2024/1/2", "1:00:00 PM") + "\t</variable>\n");
    const Loaded l = load("Mood");
    ASSERT_EQ(l.rows.size(), 2u);
    EXPECT_EQ(l.rows[0].cells[2], "3.000000");
    EXPECT_EQ(l.rows[1].cells[2], "4.000000");
}

// In the chosen unit every value of a column has the decimals of the one
// that has most: 37.0 beside 36.9, not 37.
TEST_F(HistoryDataTest, ValuesOfOneColumnShareTheirDecimals) {
    open(variable("Temperature", entry(0, "\t\t\t<value>98.600000</value>\n", "2026/12/07", "08:00:00 AM") +
                                     entry(1, "\t\t\t<value>98.420000</value>\n", "2026/12/08", "05:20:00 PM") +
                                     entry(2, "\t\t\t<value>fever</value>\n", "2026/12/09", "05:20:00 PM")));
    Units::Preferences celsius;
    celsius.temperature = Units::Temperature::Celsius;
    celsius.named = true;
    bool grouped = false;
    const Texts columns = HistoryData::columnsFor("Temperature", grouped, celsius);
    std::ostringstream err;
    const std::vector<HistoryRow> rows =
        HistoryData::readRows(Global::findVariable("Temperature"), "Temperature", columns, grouped, celsius, err);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells.back(), "37.0");
    EXPECT_EQ(rows[1].cells.back(), "36.9");
    EXPECT_EQ(rows[2].cells.back(), "fever");
}
