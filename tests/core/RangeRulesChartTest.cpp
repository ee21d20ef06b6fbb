// The ranges stored by the properties window are what the normal-range
// chart labels and draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/chart/ChartMath.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"

namespace {

// A variable as the new entry window creates it (no ranges), and one with ranges.
const char* kVariables =
    "\t<variable name=\"Pulse\">\n\t\t<entry id=\"0\">\n\t\t\t<value>72.000000</value>\n"
    "\t\t\t<date>2024/1/2</date>\n\t\t\t<time>8:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n"
    QUORVEL_TEST_BLOOD_PRESSURE_XML;

void saveRangesAndReload(const std::string& name, const std::vector<std::string>& texts) {
    ASSERT_EQ(RangeRules::validate(texts), RangeRules::kValid);
    ASSERT_TRUE(RangeRules::writeTexts(Global::userDoc.get(), Global::findVariable(name.c_str()), name, texts));
    ASSERT_TRUE(Global::saveFile("user0.hma", Global::userDoc));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
}

}  // namespace

TEST(RangeRulesChart, SingleValuedRangesAreTheChartsRange) {
    TestDataFolder data;
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", kVariables));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    Global::userOpen = true;
    Global::currentFile = "user0.hma";

    saveRangesAndReload("Pulse", {"55", "99.5", "35", "150"});
    const auto series = DisplayMenuRules::normalRangeSeries("Vitals/Pulse");
    ASSERT_EQ(series.size(), 1u);
    const ChartMath::NormalRange r = ChartMath::normalRange(Global::findVariable("Pulse"), series[0].first, kFileUnits);
    EXPECT_DOUBLE_EQ(r.lo, 55.0);
    EXPECT_DOUBLE_EQ(r.hi, 99.5);
    EXPECT_EQ(ChartMath::legendText("Pulse", ChartMath::Display::NormalRange, r, kFileUnits),
              "Pulse (normal range: 55 - 99.5)");
}

TEST(RangeRulesChart, BloodPressureMembersAreTheChartsRanges) {
    TestDataFolder data;
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", kVariables));
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    Global::userOpen = true;
    Global::currentFile = "user0.hma";

    saveRangesAndReload("Blood Pressure", {"95", "65", "135", "85", "75", "45", "175", "115"});
    const auto series = DisplayMenuRules::normalRangeSeries("Vitals/Blood Pressure");
    ASSERT_EQ(series.size(), 2u);
    XmlNode* bp = Global::findVariable("Blood Pressure");
    const ChartMath::NormalRange systolic = ChartMath::normalRange(bp, series[0].first, kFileUnits);
    const ChartMath::NormalRange diastolic = ChartMath::normalRange(bp, series[1].first, kFileUnits);
    EXPECT_DOUBLE_EQ(systolic.lo, 95.0);
    EXPECT_DOUBLE_EQ(systolic.hi, 135.0);
    EXPECT_DOUBLE_EQ(diastolic.lo, 65.0);
    EXPECT_DOUBLE_EQ(diastolic.hi, 85.0);
    EXPECT_EQ(systolic.loText, "95");
    EXPECT_EQ(diastolic.hiText, "85");
}
