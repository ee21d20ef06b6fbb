// The open user's series kept from one display pick to the next.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "rules/chart/SeriesCache.h"
#include "store/Global.h"

namespace {

std::string entry(const char* values, const char* date) {
    return std::string("<entry id=\"0\">") + values + "<date>" + date + "</date><time>08:00:00 AM</time></entry>";
}

class SeriesCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        openTestUser(data, "<variable name=\"Blood Pressure\">" +
                               entry("<systolic>120</systolic><diastolic>80</diastolic>", "2026/12/1") +
                               entry("<systolic>125</systolic><diastolic>85</diastolic>", "2026/12/2") +
                               "</variable>\n");
    }

    static XmlNode* bloodPressure() { return Global::findVariable("Blood Pressure"); }
    static std::uint64_t generation() { return Global::userDoc.generation(); }

    static std::vector<double> values(const PointMap& points) {
        std::vector<double> out;
        for (const auto& p : points) out.push_back(p.second);
        return out;
    }

    TestDataFolder data;
    SeriesCache cache;
};

TEST_F(SeriesCacheTest, ASecondPickSharesTheKeptPointsAndEachElementHasItsOwn) {
    const PointMap first = cache.points(bloodPressure(), "systolic", generation(), kFileUnits);
    const PointMap second = cache.points(bloodPressure(), "systolic", generation(), kFileUnits);
    const PointMap diastolic = cache.points(bloodPressure(), "diastolic", generation(), kFileUnits);
    EXPECT_EQ(values(first), (std::vector<double>{120, 125}));
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(&*second.begin(), &*first.begin());
    EXPECT_EQ(values(diastolic), (std::vector<double>{80, 85}));
}

TEST_F(SeriesCacheTest, AnEntryAppendedToTheVariableIsInTheNextPick) {
    const PointMap before = cache.points(bloodPressure(), "systolic", generation(), kFileUnits);
    RapidDocument& doc = Global::userDoc.get();
    XmlNode* added = doc.allocate_node(rapidxml::node_element, "entry");
    added->append_node(doc.allocate_node(rapidxml::node_element, "systolic", "130"));
    added->append_node(doc.allocate_node(rapidxml::node_element, "date", "2026/12/3"));
    added->append_node(doc.allocate_node(rapidxml::node_element, "time", "08:00:00 AM"));
    bloodPressure()->append_node(added);
    EXPECT_EQ(values(cache.points(bloodPressure(), "systolic", generation(), kFileUnits)),
              (std::vector<double>{120, 125, 130}));
    EXPECT_EQ(values(before), (std::vector<double>{120, 125}));  // a copy handed out earlier stays as it was
}

TEST_F(SeriesCacheTest, AnotherTreeOfTheDocumentIsReadAfreshEvenAtTheSameNodes) {
    cache.points(bloodPressure(), "systolic", generation(), kFileUnits);
    // A tree of a later generation may sit where the earlier one was: the
    // same nodes with other texts stand for it here.
    bloodPressure()->first_node("entry")->first_node("systolic")->value("99");
    EXPECT_EQ(values(cache.points(bloodPressure(), "systolic", generation() + 1, kFileUnits)),
              (std::vector<double>{99, 125}));

    const std::uint64_t before = generation();
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    EXPECT_NE(generation(), before);
}

TEST_F(SeriesCacheTest, PointsKeptInOtherUnitsAreBuiltAgain) {
    Units::Preferences metric;
    metric.temperature = Units::Temperature::Celsius;
    metric.named = true;
    const PointMap stored = cache.points(bloodPressure(), "systolic", generation(), kFileUnits);
    // Other preferences, even with the pressure in the same unit, give a series of their own.
    const PointMap named = cache.points(bloodPressure(), "systolic", generation(), metric);
    EXPECT_EQ(values(named), (std::vector<double>{120, 125}));
    ASSERT_FALSE(named.empty());
    EXPECT_NE(&*named.begin(), &*stored.begin());
    const PointMap again = cache.points(bloodPressure(), "systolic", generation(), metric);
    EXPECT_EQ(&*again.begin(), &*named.begin());
}

}  // namespace
