// The rules of the two display menus and of turning entries into a series.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/chart/DisplayMenuRules.h"
#include "store/XmlDocument.h"

namespace {

using Action = DisplayMenuRules::Action;

// A parsed user document that lives as long as the test.
class Doc {
public:
    explicit Doc(const std::string& variables) {
        std::string xml = userFileXml(0, "Ann", "Lee", variables);
        text_.assign(xml.begin(), xml.end());
        text_.push_back('\0');
        doc_->parse<rapidxml::parse_declaration_node | rapidxml::parse_no_data_nodes>(text_.data());
    }
    XmlNode* patient() { return doc_->first_node("patient"); }
    XmlNode* variable(const char* name) {
        for (XmlNode* v = patient()->first_node("variable"); v; v = v->next_sibling("variable"))
            if (std::strcmp(v->first_attribute()->value(), name) == 0) return v;
        return nullptr;
    }

private:
    std::vector<char> text_;
    XmlDocument doc_;
};

std::string entry(const std::string& values, const std::string& date = "2026/12/6",
                  const std::string& time = "10:00:00 AM") {
    return "<entry id=\"0\">" + values + "<date>" + date + "</date><time>" + time + "</time></entry>";
}

std::string variable(const std::string& name, const std::string& entries) {
    return "<variable name=\"" + name + "\"><normalLow/><normalHigh/><panicLow/><panicHigh/>" + entries +
           "</variable>\n";
}

std::vector<std::string> paths(const std::vector<DisplayMenuRules::Item>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.path);
    return out;
}

std::tm keyOf(const char* date, const char* time) {
    std::tm tm{};
    EXPECT_TRUE(DisplayMenuRules::entryKey(date, time, tm)) << date << " " << time;
    return tm;
}

}  // namespace

TEST(DisplayMenuRulesBuild, NoPatientOrNoEntriesGiveOnlyTheGreyedTitle) {
    DisplayMenuRules::Menus none = DisplayMenuRules::build(nullptr);
    EXPECT_TRUE(none.multiDisplay.empty());
    EXPECT_TRUE(none.normalRange.empty());
    EXPECT_FALSE(none.anyVital);

    Doc doc(variable("Pulse", "") + variable("Blood Pressure", "") + variable("Blood Sugar", "") +
            variable("Weight", ""));
    DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
    EXPECT_TRUE(menus.multiDisplay.empty());
    EXPECT_TRUE(menus.normalRange.empty());
    EXPECT_FALSE(menus.anyVital);
}

TEST(DisplayMenuRulesBuild, ItemsFollowDocumentOrderWithTheirActionsAndNodes) {
    Doc doc(variable("Pulse", entry("<value>72.000000</value>")) +
            variable("Blood Pressure", entry("<systolic>120</systolic><diastolic>80</diastolic>")) +
            variable("Weight", entry("<value>150</value>")) + variable("SpO2", entry("<value>98</value>")));
    DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
    EXPECT_TRUE(menus.anyVital);
    EXPECT_EQ(paths(menus.multiDisplay),
              (std::vector<std::string>{"Vitals/Pulse", "Vitals/Blood Pressure/Systolic",
                                        "Vitals/Blood Pressure/Diastolic", "Vitals/Weight", "Vitals/SpO2"}));
    // Weight has no normal range item.
    EXPECT_EQ(paths(menus.normalRange),
              (std::vector<std::string>{"Vitals/Pulse", "Vitals/Blood Pressure", "Vitals/SpO2"}));
    ASSERT_EQ(menus.multiDisplay.size(), 5u);
    EXPECT_EQ(menus.multiDisplay[0].action, Action::Value);
    EXPECT_EQ(menus.multiDisplay[1].action, Action::Systolic);
    EXPECT_EQ(menus.multiDisplay[2].action, Action::Diastolic);
    EXPECT_EQ(menus.multiDisplay[1].variable, doc.variable("Blood Pressure"));
    EXPECT_EQ(menus.multiDisplay[3].variable, doc.variable("Weight"));
    for (const auto& item : menus.normalRange) EXPECT_EQ(item.action, Action::NormalRange);
    EXPECT_EQ(menus.normalRange[1].variable, doc.variable("Blood Pressure"));
}

TEST(DisplayMenuRulesBuild, BloodSugarCountsFastingFirstAndOnlyKindsThatOccur) {
    {
        // An entry with both values counts only as fasting.
        Doc doc(variable("Blood Sugar", entry("<fasting>95</fasting><postprandial>140</postprandial>") +
                                            entry("<fasting>99</fasting>")));
        DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
        EXPECT_EQ(paths(menus.multiDisplay), (std::vector<std::string>{"Vitals/Blood Sugar/Fasting"}));
        EXPECT_EQ(paths(menus.normalRange), (std::vector<std::string>{"Vitals/Blood Sugar"}));
        EXPECT_EQ(menus.multiDisplay[0].action, Action::Fasting);
        EXPECT_TRUE(menus.anyVital);
    }
    {
        // Both kinds: Postprandial comes before Fasting, one normal range item.
        Doc doc(variable("Blood Sugar", entry("<fasting>95</fasting>") + entry("<postprandial>140</postprandial>")));
        DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
        EXPECT_EQ(paths(menus.multiDisplay),
                  (std::vector<std::string>{"Vitals/Blood Sugar/Postprandial", "Vitals/Blood Sugar/Fasting"}));
        EXPECT_EQ(menus.multiDisplay[0].action, Action::Postprandial);
        EXPECT_EQ(paths(menus.normalRange), (std::vector<std::string>{"Vitals/Blood Sugar"}));
    }
    {
        // Entries without either value give no item.
        Doc doc(variable("Blood Sugar", entry("")));
        DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
        EXPECT_TRUE(menus.multiDisplay.empty());
        EXPECT_TRUE(menus.normalRange.empty());
        EXPECT_FALSE(menus.anyVital);
    }
}

TEST(DisplayMenuRulesBuild, EachNormalRangeNameGetsAtMostOneItem) {
    Doc doc(variable("Pulse", entry("<value>70</value>")) + variable("Pulse", entry("<value>71</value>")) +
            variable("Temperature", entry("<value>98.6</value>")) + variable("pulse", entry("<value>71</value>")));
    DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
    EXPECT_EQ(paths(menus.multiDisplay),
              (std::vector<std::string>{"Vitals/Pulse", "Vitals/Pulse", "Vitals/Temperature", "Vitals/pulse"}));
    EXPECT_EQ(paths(menus.normalRange), (std::vector<std::string>{"Vitals/Pulse", "Vitals/Temperature"}));
    EXPECT_EQ(menus.normalRange[0].variable, doc.patient()->first_node("variable"));
}

TEST(DisplayMenuRulesBuild, OverLongNamesAreLeftOut) {
    TestDataFolder folder;
    std::string longest(DisplayMenuRules::kMaxVariableName, 'x');
    std::string tooLong(DisplayMenuRules::kMaxVariableName + 1, 'y');
    Doc doc(variable(tooLong, entry("<value>1</value>")) + variable(longest, entry("<value>1</value>")));
    DisplayMenuRules::Menus menus = DisplayMenuRules::build(doc.patient());
    EXPECT_EQ(paths(menus.multiDisplay), (std::vector<std::string>{"Vitals/" + longest}));
    EXPECT_NE(folder.trace().find("left out of the display menus: " + tooLong), std::string::npos);
}

TEST(DisplayMenuRulesNames, ElementNamesAndNormalRangeSeries) {
    EXPECT_STREQ(DisplayMenuRules::elementName(Action::Value), "value");
    EXPECT_STREQ(DisplayMenuRules::elementName(Action::Systolic), "systolic");
    EXPECT_STREQ(DisplayMenuRules::elementName(Action::Diastolic), "diastolic");
    EXPECT_STREQ(DisplayMenuRules::elementName(Action::Postprandial), "postprandial");
    EXPECT_STREQ(DisplayMenuRules::elementName(Action::Fasting), "fasting");
    EXPECT_EQ(DisplayMenuRules::elementName(Action::NormalRange), nullptr);

    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(DisplayMenuRules::normalRangeSeries("Vitals/Blood Pressure"),
              (Pairs{{"Systolic", "systolic"}, {"Diastolic", "diastolic"}}));
    EXPECT_EQ(DisplayMenuRules::normalRangeSeries("Vitals/Blood Sugar"),
              (Pairs{{"Fasting", "fasting"}, {"Postprandial", "postprandial"}}));
    EXPECT_EQ(DisplayMenuRules::normalRangeSeries("Vitals/Pulse"), (Pairs{{"Pulse", "value"}}));
    EXPECT_EQ(DisplayMenuRules::normalRangeSeries("Vitals/a/b"), (Pairs{{"b", "value"}}));
}

TEST(DisplayMenuRulesKeys, TwelveHourClock) {
    std::tm t = keyOf("2026/12/6", "12:30:00 AM");
    EXPECT_EQ(t.tm_year, 126);
    EXPECT_EQ(t.tm_mon, 11);
    EXPECT_EQ(t.tm_mday, 6);
    EXPECT_EQ(t.tm_hour, 0);
    EXPECT_EQ(t.tm_min, 30);
    EXPECT_EQ(t.tm_sec, 0);
    EXPECT_EQ(keyOf("2026/12/6", "12:30:00 PM").tm_hour, 12);
    std::tm pm = keyOf("2026/12/6", "01:05:07 pm");
    EXPECT_EQ(pm.tm_hour, 13);
    EXPECT_EQ(pm.tm_min, 5);
    EXPECT_EQ(pm.tm_sec, 7);
    EXPECT_EQ(keyOf("2026/12/6", "11:59:59 am").tm_hour, 11);
    EXPECT_EQ(keyOf("2026/12/6", "11:59:59AM").tm_hour, 11);
    // Without AM or PM the hour is read on the 24-hour clock; any other
    // letter counts as AM.
    EXPECT_EQ(keyOf("2026/12/6", "13:05:00").tm_hour, 13);
    EXPECT_EQ(keyOf("2026/12/6", "13:05:00 x").tm_hour, 1);
    // Any separator character is skipped, as the stored pattern allows.
    EXPECT_EQ(keyOf(" 2026-1-2", "3.4.5 PM").tm_mday, 2);
}

TEST(DisplayMenuRulesKeys, TextsThatDoNotReadAsNumbersAreRefused) {
    std::tm t{};
    EXPECT_FALSE(DisplayMenuRules::entryKey("", "10:00:00 AM", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey("2026/12", "10:00:00 AM", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey("yesterday", "10:00:00 AM", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey("2026/12/6", "10:00", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey("2026/12/6", "ten o'clock", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey(nullptr, "10:00:00 AM", t));
    EXPECT_FALSE(DisplayMenuRules::entryKey("99999999999/1/1", "10:00:00 AM", t));
}

TEST(DisplayMenuRulesSeries, LaterEntryWinsOnEqualTimesAndOrderIsByTime) {
    Doc doc(variable("Pulse", entry("<value>70</value>", "2026/12/6", "10:00:00 AM") +
                                  entry("<value>60</value>", "2026/12/5", "11:00:00 PM") +
                                  entry("<value>75</value>", "2026/12/6", "10:00:00 am") +
                                  entry("<value>80</value>", "2026/12/6", "10:00:01 AM")));
    PointMap points = DisplayMenuRules::seriesPoints(doc.variable("Pulse"), "value", kFileUnits);
    ASSERT_EQ(points.size(), 3u);
    std::vector<double> values;
    for (const auto& p : points) values.push_back(p.second);
    EXPECT_EQ(values, (std::vector<double>{60, 75, 80}));
    auto it = points.begin();
    EXPECT_EQ(TimeKey::fromInstant(it->first.instant).tm.tm_hour, 23);
    ++it;
    EXPECT_EQ(std::next(it)->first.instant - it->first.instant, 1);
}

TEST(DisplayMenuRulesSeries, MissingOrUnreadableValuesAreSkipped) {
    Doc doc(variable("Blood Pressure",
                     entry("<systolic>120</systolic>", "2026/12/1") + entry("<diastolic>80</diastolic>", "2026/12/2") +
                         entry("<systolic>abc</systolic>", "2026/12/3") + entry("<systolic>nan</systolic>", "2026/12/4") +
                         entry("<systolic>130</systolic>", "2026/13x") +
                         entry("<systolic>131</systolic>", "2026/12/5", "noon") +
                         "<entry id=\"9\"><systolic>140</systolic><time>10:00:00 AM</time></entry>" +
                         entry("<systolic>125.5</systolic>", "2026/12/6")));
    PointMap sys = DisplayMenuRules::seriesPoints(doc.variable("Blood Pressure"), "systolic", kFileUnits);
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys.begin()->second, 120);
    EXPECT_EQ(sys.rbegin()->second, 125.5);
    EXPECT_EQ(TimeKey::fromInstant(sys.rbegin()->first.instant).tm.tm_mday, 6);
    PointMap dia = DisplayMenuRules::seriesPoints(doc.variable("Blood Pressure"), "diastolic", kFileUnits);
    ASSERT_EQ(dia.size(), 1u);
    EXPECT_EQ(dia.begin()->second, 80);
    EXPECT_TRUE(DisplayMenuRules::seriesPoints(doc.variable("Blood Pressure"), "value", kFileUnits).empty());
    EXPECT_TRUE(DisplayMenuRules::seriesPoints(nullptr, "value", kFileUnits).empty());
}

TEST(DisplayMenuRulesSeries, ReadTogetherEachSeriesIsTheOneReadAlone) {
    // Entries with one value or both, unreadable parts, a repeated element
    // (the first counts), an entry without a date, and two at one instant.
    Doc doc(variable("Blood Pressure",
                     entry("<systolic>120</systolic><diastolic>80</diastolic>", "2026/12/1") +
                         entry("<diastolic>81</diastolic>", "2026/12/2") + entry("<systolic>x</systolic>", "2026/12/3") +
                         entry("<systolic>121</systolic><systolic>99</systolic>", "2026/12/4") +
                         entry("<systolic>130</systolic>", "2026/13x") +
                         "<entry id=\"9\"><systolic>140</systolic><time>10:00:00 AM</time></entry>" +
                         entry("<diastolic>82</diastolic><systolic>122</systolic>", "2026/12/1") +
                         entry("<time>x</time><systolic>123</systolic>", "2026/12/5")));
    XmlNode* bp = doc.variable("Blood Pressure");
    const std::vector<std::string> names = DisplayMenuRules::elementsReadWith(bp, "diastolic");
    EXPECT_EQ(names, (std::vector<std::string>{"systolic", "diastolic"}));
    const std::vector<PointMap> together = DisplayMenuRules::seriesPoints(bp, names, kFileUnits);
    ASSERT_EQ(together.size(), 2u);
    auto pairs = [](const PointMap& points) {
        std::vector<std::pair<std::int64_t, double>> out;
        for (const auto& p : points) out.emplace_back(p.first.instant, p.second);
        return out;
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        const PointMap alone = DisplayMenuRules::seriesPoints(bp, names[i].c_str(), kFileUnits);
        EXPECT_EQ(pairs(together[i]), pairs(alone)) << names[i];
        EXPECT_FALSE(alone.empty()) << names[i];
    }
    EXPECT_EQ(DisplayMenuRules::elementsReadWith(bp, "value"), std::vector<std::string>{"value"});
}

TEST(DisplayMenuRulesSeries, ValuesAreReadAsTheLibraryReadsThem) {
    const std::vector<std::string> texts{"72.000000", "-98.6",  "+0.1",     "-0",         "5.",          ".5",
                                         "0.3",       "7abc",   "1.5.3",    "1e3",        "2.5E-1",      "0x1A",
                                         "0.x",       " 7",     "999999999999999", "1234567890123456", "3.14159265358979",
                                         "0.000000000000001", "0.0000000000000001", "123456.789012345", "9999999999999.999"};
    std::string entries;
    for (std::size_t i = 0; i < texts.size(); ++i)
        entries += entry("<value>" + texts[i] + "</value>", "2026/1/" + std::to_string(i + 1));
    Doc doc(variable("Pulse", entries));
    const PointMap points = DisplayMenuRules::seriesPoints(doc.variable("Pulse"), "value", kFileUnits);
    ASSERT_EQ(points.size(), texts.size());
    auto point = points.begin();
    for (const std::string& text : texts) {
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&point->second, &expected, sizeof expected), 0) << text << " read as " << point->second;
        ++point;
    }
}

TEST(DisplayMenuRulesSeries, NullElementNameTakesTheFirstChild) {
    Doc doc(variable("Mood", entry("<value>3</value>") + entry("<other>4</other>", "2026/12/7")));
    PointMap points = DisplayMenuRules::seriesPoints(doc.variable("Mood"), nullptr, kFileUnits);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points.begin()->second, 3);
    EXPECT_EQ(points.rbegin()->second, 4);
}

TEST(DisplayMenuRulesSeries, EntriesBefore1970AreOrderedByTheirTrueTime) {
    Doc doc(variable("Pulse", entry("<value>3</value>", "1975/1/1") + entry("<value>1</value>", "1950/3/7") +
                                  entry("<value>2</value>", "1969/12/31", "11:00:00 PM")));
    PointMap points = DisplayMenuRules::seriesPoints(doc.variable("Pulse"), "value", kFileUnits);
    std::vector<double> values;
    for (const auto& p : points) values.push_back(p.second);
    EXPECT_EQ(values, (std::vector<double>{1, 2, 3}));
    EXPECT_LT(points.begin()->first.instant, 0);
}

TEST(DisplayMenuRulesSeries, SameReadingGivesSameInstantInEverySeason) {
    // A summer reading and a winter one, each made from a base whose
    // daylight-saving flag disagrees with it, still land on their true hour.
    std::tm summer{};
    summer.tm_year = 126;
    summer.tm_mon = 6;
    summer.tm_mday = 1;
    summer.tm_hour = 12;
    summer.tm_isdst = 0;
    std::tm summerDst = summer;
    summerDst.tm_isdst = 1;
    EXPECT_EQ(TimeKey::fromTm(summer).instant, TimeKey::fromTm(summerDst).instant);
    TimeKey k = TimeKey::fromTm(summer);
    std::tm back{};
    TimeKey back2 = TimeKey::fromInstant(k.instant);
    back = back2.tm;
    EXPECT_EQ(back.tm_hour, 12);
}
