// The checks of the user information window: names, date of birth, height.
#include <gtest/gtest.h>

#include "rules/users/InfoRules.h"
#include "rules/users/InfoUnits.h"

using InfoRules::Check;

TEST(InfoRulesName, BothNamesRequired) {
    EXPECT_EQ(InfoRules::checkName("Ada", "Lovelace"), Check::Ok);
    EXPECT_EQ(InfoRules::checkName("Ada", ""), Check::IncompleteName);
    EXPECT_EQ(InfoRules::checkName("", "Lovelace"), Check::IncompleteName);
    EXPECT_EQ(InfoRules::checkName("", ""), Check::IncompleteName);
}

TEST(InfoRulesDob, ExistingDatesAccepted) {
    EXPECT_EQ(InfoRules::checkDob(""), Check::Ok);
    EXPECT_EQ(InfoRules::checkDob("1980/02/29"), Check::Ok);  // leap year
    EXPECT_EQ(InfoRules::checkDob("2000/2/29"), Check::Ok);   // divisible by 400
    EXPECT_EQ(InfoRules::checkDob("1980/12/31"), Check::Ok);
    EXPECT_EQ(InfoRules::checkDob("1970/01/01"), Check::Ok);  // first day of the check range
    EXPECT_EQ(InfoRules::checkDob("  1985/7/4"), Check::Ok);  // leading blanks like scanf
    EXPECT_EQ(InfoRules::checkDob("1985/7/4 noon"), Check::Ok);  // trailing text ignored
}

TEST(InfoRulesDob, YearsBefore1970OnTheirOwnCalendar) {
    EXPECT_EQ(InfoRules::checkDob("1950/06/15"), Check::Ok);
    EXPECT_EQ(InfoRules::checkDob("1968/02/29"), Check::Ok);  // a real leap day
    EXPECT_EQ(InfoRules::checkDob("1969/02/29"), Check::DobNoSuchDay);
    EXPECT_EQ(InfoRules::checkDob("1900/02/29"), Check::DobNoSuchDay);  // 1900 was no leap year
    EXPECT_EQ(InfoRules::checkDob("1950/04/31"), Check::DobNoSuchDay);
}

TEST(InfoRulesDob, DatesThatDoNotExistRefused) {
    EXPECT_EQ(InfoRules::checkDob("1980/2/30"), Check::DobNoSuchDay);
    EXPECT_EQ(InfoRules::checkDob("1981/02/29"), Check::DobNoSuchDay);
    EXPECT_EQ(InfoRules::checkDob("2100/02/29"), Check::DobNoSuchDay);  // century, no leap year
    EXPECT_EQ(InfoRules::checkDob("1980/04/31"), Check::DobNoSuchDay);
    EXPECT_EQ(InfoRules::checkDob("1980/13/01"), Check::DobOutOfRange);
    EXPECT_EQ(InfoRules::checkDob("1980/00/10"), Check::DobOutOfRange);
    EXPECT_EQ(InfoRules::checkDob("1980/05/00"), Check::DobOutOfRange);
    EXPECT_EQ(InfoRules::checkDob("1980/-1/10"), Check::DobOutOfRange);
    // Read as year 15 (checked as 1970), month 6, day 1980.
    EXPECT_EQ(InfoRules::checkDob("15/06/1980"), Check::DobOutOfRange);
    EXPECT_EQ(InfoRules::checkDob("3001/01/01"), Check::DobOutOfRange);
    EXPECT_EQ(InfoRules::checkDob("99999999999999999999/1/1"), Check::DobOutOfRange);
}

TEST(InfoRulesDob, UnreadableDatesRefused) {
    EXPECT_EQ(InfoRules::checkDob("June 5th"), Check::UnreadableDob);
    EXPECT_EQ(InfoRules::checkDob("1980-06-15"), Check::UnreadableDob);
    EXPECT_EQ(InfoRules::checkDob("1980/06"), Check::UnreadableDob);
    EXPECT_EQ(InfoRules::checkDob("1980 /06/15"), Check::UnreadableDob);  // slash must follow the number
    EXPECT_EQ(InfoRules::checkDob("/06/15"), Check::UnreadableDob);
}

TEST(InfoRulesDob, ReadDateCountsNumbers) {
    long long y = 0, m = 0, d = 0;
    EXPECT_EQ(InfoRules::readDate("2001/9/11", y, m, d), 3);
    EXPECT_EQ(y, 2001);
    EXPECT_EQ(m, 9);
    EXPECT_EQ(d, 11);
    EXPECT_EQ(InfoRules::readDate("2001/x", y, m, d), 1);
    EXPECT_EQ(InfoRules::readDate("2001/9", y, m, d), 2);
    EXPECT_EQ(InfoRules::readDate("", y, m, d), 0);
}

TEST(InfoRulesHeight, FeetAndInches) {
    EXPECT_EQ(InfoRules::checkHeight(""), Check::Ok);
    EXPECT_EQ(InfoRules::checkHeight("5 ft 7.5 in"), Check::Ok);
    EXPECT_EQ(InfoRules::checkHeight("5 ft 7"), Check::Ok);
    EXPECT_EQ(InfoRules::checkHeight("5ft7"), Check::Ok);
    EXPECT_EQ(InfoRules::checkHeight("5 ft"), Check::UnreadableHeight);
    EXPECT_EQ(InfoRules::checkHeight("170 cm"), Check::UnreadableHeight);
    EXPECT_EQ(InfoRules::checkHeight("tall"), Check::UnreadableHeight);
    EXPECT_EQ(InfoRules::checkHeight("5 feet 7 in"), Check::UnreadableHeight);
    long long feet = 0;
    double inches = 0;
    EXPECT_EQ(InfoRules::readHeight(" 6 ft 1.25 in", feet, inches), 2);
    EXPECT_EQ(feet, 6);
    EXPECT_DOUBLE_EQ(inches, 1.25);
}

TEST(InfoRulesAll, FirstFailureWinsInOrder) {
    EXPECT_EQ(InfoRules::checkAll("", "", "bad", "bad"), Check::IncompleteName);
    EXPECT_EQ(InfoRules::checkAll("A", "B", "bad", "bad"), Check::UnreadableDob);
    EXPECT_EQ(InfoRules::checkAll("A", "B", "1980/2/30", "bad"), Check::DobNoSuchDay);
    EXPECT_EQ(InfoRules::checkAll("A", "B", "1980/2/28", "bad"), Check::UnreadableHeight);
    EXPECT_EQ(InfoRules::checkAll("A", "B", "1980/2/28", "5 ft 11 in"), Check::Ok);
}

TEST(InfoRulesTexts, AlertAndTraceTexts) {
    EXPECT_EQ(InfoRules::alertText(Check::IncompleteName), "Enter a value for first AND last name\nPlease try again");
    EXPECT_EQ(InfoRules::alertText(Check::Ok), "");
    EXPECT_EQ(InfoRules::traceText(Check::UnreadableDob, "x"), "User tried to enter an incorrect dob: x");
    EXPECT_EQ(InfoRules::traceText(Check::DobOutOfRange, "1980/2/30"),
              "User tried to enter an incorrect dob: 1980/2/30");
    EXPECT_EQ(InfoRules::traceText(Check::UnreadableHeight, "5 ft"), "User tried to enter an incorrect height: 5 ft");
    EXPECT_EQ(InfoRules::traceText(Check::IncompleteName, ""), "User tried to enter an incomplete name");
}

// Weight, height and step size in kg and cm: shown converted, stored in the
// file's units, read back as typed; unchanged texts keep what the file held.
TEST(InfoUnits, MeasuresInMetricUnitsReadBackAsTyped) {
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    metric.length = Units::Length::Centimetre;
    using InfoUnits::Measure;
    const struct {
        Measure m;
        const char* typed;
        const char* stored;
    } cases[] = {
        {Measure::Weight, "70.5", "155.425895"},    {Measure::Weight, "3.2", "7.054792"},
        {Measure::Height, "163", "5 ft 4.173228 in"}, {Measure::Height, "48.5", "1 ft 7.094488 in"},
        {Measure::StepSize, "66", "25.984252"},
    };
    for (const auto& c : cases) {
        const std::string stored = InfoUnits::stored(c.m, c.typed, "", "", metric);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(InfoUnits::shown(c.m, stored, metric), c.typed);
        EXPECT_TRUE(InfoUnits::readable(c.m, c.typed, metric));
    }
    EXPECT_EQ(InfoUnits::shown(Measure::Weight, "148", metric), "67.1");
    EXPECT_EQ(InfoUnits::stored(Measure::Weight, "67.1", "67.1", "148", metric), "148");
    EXPECT_EQ(InfoUnits::shown(Measure::Height, "5 ft 4 in", metric), "162.6");
    EXPECT_EQ(InfoUnits::shown(Measure::Height, "tall", metric), "tall");
    EXPECT_EQ(InfoUnits::shown(Measure::Height, "5 ft 4 in", Units::Preferences()), "5 ft 4 in");
    for (const char* refused : {"70.55", "heavy", "-3", "1e9"})
        EXPECT_FALSE(InfoUnits::readable(Measure::Weight, refused, metric)) << refused;
    EXPECT_TRUE(InfoUnits::readable(Measure::Weight, "70.55", Units::Preferences()));
}

// A decimal comma reads as the entry windows read it, in either units; what
// is not wholly a number is refused; numbers in the file's units are stored
// with a point.
TEST(InfoUnits, ACommaIsTheDecimalPointAndNothingIsDropped) {
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    metric.length = Units::Length::Centimetre;
    const Units::Preferences us;
    using InfoUnits::Measure;
    const struct {
        Measure m;
        const char* typed;
        const Units::Preferences& p;
        const char* stored;
    } cases[] = {
        {Measure::Weight, "70,5", metric, "155.425895"},
        {Measure::Height, "163,5", metric, "5 ft 4.370079 in"},
        {Measure::StepSize, " 66,0 ", metric, "25.984252"},
        {Measure::Weight, "154,5", us, "154.5"},
        {Measure::StepSize, "26,5", us, "26.5"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(InfoUnits::readable(c.m, c.typed, c.p)) << c.typed;
        EXPECT_EQ(InfoUnits::stored(c.m, c.typed, "", "", c.p), c.stored) << c.typed;
    }
    const Units::Preferences* both[] = {&metric, &us};
    for (const Units::Preferences* p : both)
        for (const char* refused : {"70,5,1", "70,5.1", "70.5 kg", "heavy", "-3", "1e9", "nan"}) {
            EXPECT_FALSE(InfoUnits::readable(Measure::Weight, refused, *p)) << refused;
            EXPECT_FALSE(InfoUnits::readable(Measure::StepSize, refused, *p)) << refused;
        }
    EXPECT_EQ(InfoUnits::alertText(Measure::Weight, us).find("kilograms"), std::string::npos);
}

// A weight or height no person can have is asked about in the chosen unit;
// a plausible, empty or unread one is not, nor a step size.
TEST(InfoUnits, AWeightOrHeightNoPersonCanHaveIsQuestioned) {
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    metric.length = Units::Length::Centimetre;
    const Units::Preferences us;
    using InfoUnits::Measure;
    EXPECT_EQ(InfoUnits::question(Measure::Weight, "705", metric),
              "Body weight 705 kg is outside what a person can have (0.5 to 453.6 kg). Save it anyway?");
    EXPECT_EQ(InfoUnits::question(Measure::Height, "1635", metric),
              "Height 1635 cm is outside what a person can have (30.5 to 274.3 cm). Save it anyway?");
    EXPECT_EQ(InfoUnits::question(Measure::Weight, "1554,26", us),
              "Body weight 1554.3 lb is outside what a person can have (1 to 1000 lb). Save it anyway?");
    EXPECT_EQ(InfoUnits::question(Measure::Height, "15 ft 0 in", us),
              "Height 15 ft 0 in is outside what a person can have (12 to 108 in). Save it anyway?");
    for (const char* plausible : {"70,5", "0,5", "453,5", "", "heavy"})
        EXPECT_EQ(InfoUnits::question(Measure::Weight, plausible, metric), "") << plausible;
    for (const char* plausible : {"163,5", "48", "272"})
        EXPECT_EQ(InfoUnits::question(Measure::Height, plausible, metric), "") << plausible;
    EXPECT_EQ(InfoUnits::question(Measure::Height, "5 ft 7.5 in", us), "");
    EXPECT_EQ(InfoUnits::question(Measure::StepSize, "9000", metric), "");
}
