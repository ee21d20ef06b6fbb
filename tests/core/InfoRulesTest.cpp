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
