// The table of variables against what else holds the same facts: the
// template a new user's file is made from, and the units' rules.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TestSupport.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/RangeRules.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "store/VariableTable.h"

namespace {

TEST(VariableTable, TheTemplateStartsEveryVariableWithTheTablesRanges) {
    TestDataFolder data;
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "template_new.xml", Global::userText));
    XmlNode* patient = Global::userDoc->first_node("patient");
    ASSERT_NE(patient, nullptr);
    std::size_t listed = 0;
    for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable"), ++listed) {
        const Variable* known = VariableTable::find(Global::attributeText(v, "name"));
        ASSERT_NE(known, nullptr) << Global::attributeText(v, "name");
        const std::vector<std::string> texts = RangeRules::readTexts(v, known->name);
        const std::size_t n = known->members.size();
        ASSERT_EQ(texts.size(), 4 * n) << known->name;
        for (std::size_t m = 0; m < n; ++m) {
            const VariableMember& member = known->members[m];
            const double limits[4] = {member.normalLow, member.normalHigh, member.panicLow, member.panicHigh};
            for (std::size_t r = 0; r < 4; ++r) {
                const std::string& text = texts[r * n + m];
                if (!VariableTable::hasLimit(limits[r])) {
                    EXPECT_EQ(text, "") << member.label << " " << RangeRules::kRangeNames[r];
                    continue;
                }
                double value = 0;
                ASSERT_TRUE(RangeRules::readLimit(text, known->name, value)) << member.label << " " << text;
                EXPECT_EQ(value, limits[r]) << member.label << " " << RangeRules::kRangeNames[r];
            }
        }
    }
    EXPECT_EQ(listed, VariableTable::all().size());
}

TEST(VariableTable, EachVariablesFileUnitIsTheStoredUnitOfItsQuantity) {
    for (const Variable& v : VariableTable::all()) {
        const Units::Unit& stored = Units::stored(Units::quantityOf(v.name));
        EXPECT_STREQ(v.fileUnit, stored.shown) << v.name;
        EXPECT_STREQ(v.ucum, stored.ucum) << v.name;
        // The FHIR import takes the file's unit first, and every member's label names the variable's quantity.
        if (!v.accepted.empty()) {
            EXPECT_STREQ(v.accepted.front().ucum, v.ucum) << v.name;
        }
        for (const VariableMember& m : v.members) {
            EXPECT_EQ(Units::quantityOf(m.label), Units::quantityOf(v.name)) << m.label;
            EXPECT_EQ(VariableTable::memberByLabel(m.label), &m) << m.label;
            EXPECT_LT(m.plausibleLow, m.plausibleHigh) << m.label;
        }
    }
}

TEST(VariableTable, NamesLabelsElementsAndPhoneTypesAreEachFoundOnce) {
    std::set<std::string> names, phoneTypes;
    for (const Variable& v : VariableTable::all()) {
        EXPECT_TRUE(names.insert(v.name).second) << v.name;
        EXPECT_EQ(&VariableTable::of(v.id), &v) << v.name;
        std::set<std::string> elements;
        for (const VariableMember& m : v.members) {
            EXPECT_TRUE(elements.insert(m.element).second) << m.element;
            EXPECT_EQ(v.member(m.element), &m) << m.element;
            if (v.grouped()) {
                EXPECT_TRUE(names.insert(m.label).second) << m.label;
                // The entry window and the history table name the element by the label.
                EXPECT_EQ(EntryRules::elementName(std::string(m.label) + " (unit)"), m.element) << m.label;
            }
            if (*m.phoneType) {
                EXPECT_TRUE(phoneTypes.insert(m.phoneType).second) << m.phoneType;
                EXPECT_EQ(VariableTable::memberByPhoneType(m.phoneType), &m) << m.phoneType;
            }
        }
        EXPECT_EQ(v.grouped(), v.members.front().element != std::string("value")) << v.name;
    }
    EXPECT_EQ(VariableTable::find("Systolic"), nullptr);
    EXPECT_EQ(VariableTable::findByNameOrLabel("Systolic"), &VariableTable::of(VariableId::BloodPressure));
    EXPECT_EQ(VariableTable::find("blood pressure"), nullptr);
    EXPECT_EQ(VariableTable::memberByPhoneType(""), nullptr);
    // The reload question lists a reading's values in this order.
    const std::vector<std::string> elements(VariableTable::valueElements().begin(),
                                            VariableTable::valueElements().end());
    EXPECT_EQ(elements, (std::vector<std::string>{"value", "systolic", "diastolic", "fasting", "postprandial"}));
}

}  // namespace
