// Units and number formats of the values a report shows.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "rules/readings/VariableUnits.h"

TEST(VariableUnits, EachVariableHasItsUnitAndTheFewestDecimalsThatShowItsValues) {
    const struct {
        const char* variable;
        double value;
        const char* text;
    } cases[] = {
        {"Pulse", 72, "72 beats per minute"},
        {"Blood Pressure", 128, "128 mmHg"},
        {"Blood Sugar", 89.6, "89.6 mg/dL"},  // a decimal stored is a decimal shown
        {"SpO2", 96, "96%"},
        {"Temperature", 98, "98.0 \xC2\xB0" "F"},
        {"Weight", 180.25, "180.25 lb"},
        {"Weight", 180.126, "180.13 lb"},  // two decimals at most
        {"Mood", 7, "7"},
        {"Steps", 9000, "9000"},  // a variable of the person's own: no unit
    };
    for (const auto& c : cases) {
        const VariableUnit unit = VariableUnits::of(c.variable, kFileUnits);
        const std::string text =
            VariableUnits::number(c.value, VariableUnits::decimalsOf(c.value, unit.decimals));
        EXPECT_EQ(VariableUnits::withUnit(text, unit.unit), c.text) << c.variable;
    }
}

TEST(VariableUnits, NumbersRoundHalfAwayFromZeroAndNeverShowANegativeZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {{-0.001, 2, "0.00"}, {-0.4, 0, "0"}, {-3.5, 1, "-3.5"}, {81.666, 0, "82"}, {1e300, 0, "1e+300"},
                 // Half way rounds away from zero, also where the binary
                 // fraction lies just below or above the half.
                 {136.5, 0, "137"}, {-136.5, 0, "-137"}, {134.5, 0, "135"}, {0.125, 2, "0.13"},
                 {1.45, 1, "1.5"}, {2.675, 2, "2.68"}, {-0.25, 1, "-0.3"}, {9.9916, 1, "10.0"},
                 {136.49, 0, "136"}, {-0.04, 1, "0.0"}};
    for (const auto& c : cases) EXPECT_EQ(VariableUnits::number(c.value, c.decimals), c.text) << c.value;
}
