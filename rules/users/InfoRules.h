// The checks of the user information window, kept free of widgets: the
// name, the date of birth and the height as typed, and the alert texts.
#pragma once

#include <string>

#include "rules/units/Units.h"

namespace InfoRules {

enum class Check {
    Ok,
    IncompleteName,    // first or last name empty
    UnreadableDob,     // fewer than three numbers in "year/month/day"
    DobOutOfRange,     // a date that does not exist
    DobNoSuchDay,      // a month and day of their ranges, the month without that day
    UnreadableHeight,  // fewer than two numbers in "feet ft inches in"
};

// Latest year a date of birth may carry (the chart's time keys end there).
constexpr int kLatestYear = 3000;

// Reads "year/month/day" with scanf's rules for "%d/%d/%d": blanks before a
// number are skipped, the slashes must follow the numbers directly, text
// after the day is ignored. Returns the count of numbers read (0 to 3).
int readDate(const std::string& text, long long& year, long long& month, long long& day);

// Reads "feet ft inches in" with scanf's rules for "%d ft %f in"; returns
// the count of numbers read (0 to 2).
int readHeight(const std::string& text, long long& feet, double& inches);

// True when year/month/day names a day of the (proleptic Gregorian)
// calendar and the year is at most kLatestYear.
bool dateExists(long long year, long long month, long long day);

Check checkName(const std::string& first, const std::string& last);
// An empty text is accepted.
Check checkDob(const std::string& dob);
// An empty text is accepted.
Check checkHeight(const std::string& height);
// The three checks in order; the first failure is the result.
Check checkAll(const std::string& first, const std::string& last, const std::string& dob,
               const std::string& height);

// The alert shown for a failed check (empty for Ok).
std::string alertText(Check check);
// The same with the date of birth's form in the chosen style: an example
// ("1950-06-15") instead of YYYY/MM/DD.
std::string alertText(Check check, const Units::Preferences& style);
// The level-4 trace text for a failed check, with the typed text.
std::string traceText(Check check, const std::string& typed);

}  // namespace InfoRules
