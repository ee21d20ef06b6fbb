// Rules of recording one measurement, kept apart from the widgets: the
// initial Date and Time texts, the reading and checking of the date, time
// and value texts in the order the entry window applies them, the entry
// numbering, the stored text of a value, the layout of the value inputs per
// variable, the element listed by each variable tab, and the storing of a
// checked entry in a user's document (used by the entry window and by the
// import of the data tool alike).
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "app/Error.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

namespace EntryRules {

// Longest date, time or value text an entry holds.
constexpr std::size_t kMaxText = 63;
// Longest tab or variable name the entry window holds.
constexpr std::size_t kMaxName = 31;

// Why an entry is refused.
enum class Refusal {
    NotRefused,      // nothing refused
    NoValueGiven,    // no value input held a number
    DateUnreadable,  // fewer than three numbers in "YYYY/MM/DD"
    TimeUnreadable,  // fewer than four items in "HH:MM:SS AM"
    BadSuffix,       // the word after the time is not AM, am, PM or pm
    BadRange,        // the date or time does not exist as typed
    TextTooLong,     // a date, time or value text longer than kMaxText
    NotFinite,       // a value that reads as infinity or not-a-number
    ValueTooLarge,   // a value whose stored text would pass kMaxText
    NameTooLong,     // a tab or variable name longer than kMaxName
    NotANumber,      // a value text that is not empty and not wholly a number
    Negative,        // a value below zero of a quantity that has plausible limits
    AfterTomorrow,   // a date later than tomorrow
    NoSuchDay,       // a day the month does not have (February 30)
    NoteTooLong,     // a note longer than ReadingDetails::kMaxNote characters
    NoteUnstorable,  // a note that is not UTF-8 text or holds a zero byte
    BadArm,          // an arm other than left or right
    BadPosition,     // a position other than sitting, standing or lying
    NotBloodPressure,  // arm, position or the irregular heartbeat flag of another variable
};

// The refusal for what ReadingDetails::check finds (NotRefused when Fine).
Refusal refusalOf(ReadingDetails::Fault fault);

// Why an entry was refused (field names the input concerned where the
// refusal is about one input), with what the entry window adds of its
// buttons as the hint ("Please try again or hit \"Cancel\"").
Error refusal(Refusal why, const std::string& field = std::string());
// The hint that only names the button: the window says it at the end of
// the reason's last sentence.
constexpr const char* kOrCancel = "or hit \"Cancel\"";
// The alert shown for a refused entry: the reason and the hint.
std::string message(Refusal why, const std::string& field = std::string());
// The same in the person's clock and date style: a date or time that could
// not be read is shown as it should be typed, by the example of `now`
// ("2026-12-08", "17:20:00"), and the 24-hour clock asks for no AM or PM.
std::string message(Refusal why, const std::string& field, const Units::Preferences& style, const std::tm& now);

// Initial texts of the Date and Time inputs for the local time now:
// "2024/03/05" and "09:07:05 PM".
std::string initialDateText(const std::tm& now);
std::string initialTimeText(const std::tm& now);

// Reads "%d/%d/%d" and the time with scanf's rules and checks them in this
// order: date readable (DateUnreadable), time readable (TimeUnreadable),
// suffix (BadSuffix), the local date and time exist unchanged (BadRange).
// The time is "HH:MM:SS AM" or "HH:MM AM" (AM, am, PM or pm), or without the
// word on the 24-hour clock ("19:30", "19:30:00"; hours above 23 give
// BadRange). A year below 1970 is checked as 1970. When nothing is refused
// (NotRefused), `when` holds year, month, day, hour, minute and second as read
// (year below 1970 given as 1970) with the daylight-saving flag -1;
// otherwise it is left as it was.
Refusal readWhen(const std::string& date, const std::string& time, std::tm& when);

// The reading and range checks of readWhen without asking the local-time
// conversion whether the time exists (fast, for listing stored entries):
// NotRefused with `when` filled, or the first refusal. typedYear receives the year
// as typed (readWhen's `when` holds a year below 1970 as 1970).
Refusal readFields(const std::string& date, const std::string& time, std::tm& when, int* typedYear = nullptr);
Refusal readFields(const char* date, const char* time, std::tm& when, int* typedYear = nullptr);

// The id of the next entry: 0 when the variable has no entry (lastId null),
// otherwise one more than the leading number of the last entry's id.
std::string nextEntryId(const char* lastId);

// What a value text holds.
enum class ValueRead {
    Number,      // a number (possibly not finite)
    Empty,       // an empty or blank text
    NotANumber,  // a text that is not wholly a number
};

// Reads a value text; `value` is set when it holds a number. One comma
// stands for the decimal point ("36,8" is 36.8).
ValueRead readValue(const std::string& text, double& value);

// A value as it is stored: "%f".
std::string valueText(double value);

// The element a value input is stored under: its label without the unit it
// names, with the first letter lower-cased ("Systolic (mmHg)" -> "systolic").
std::string elementName(const std::string& label);

// The labels of the value inputs of a "Vitals" variable, in order.
std::vector<std::string> valueLabels(const std::string& variableName);

// The y of the button row for the y of the last value row.
int buttonRowY(int lastValueRowY);

// The element listed by a tab ("Vitals" -> "variable", "Lab" -> "lab",
// "Medicine" -> "drug"), null for any other name; the comparison is exact.
const char* listedElement(const std::string& tabName);

// One value input as the window holds it.
struct ValueField {
    std::string label;  // the input's label; names the element and the series
    std::string shown;  // the name the person sees next to the input
    std::string text;
};

// One value that will be stored.
struct StoredValue {
    std::string element;  // "systolic", "value", ...
    std::string text;     // "%f" of value
    std::string series;   // the chart series that gets the point
    double value = 0;     // in the file's unit
};

// The outcome of checking an entry before anything is written.
struct EntryPlan {
    // Why the entry is refused (NoValueGiven when no input held a number),
    // NotRefused when it is not; a refused plan holds no values.
    Refusal refused = Refusal::NoValueGiven;
    std::string field;  // the input a refusal is about
    std::tm when{};
    std::string time;  // the time in the file's own form, "07:30:00 PM"
    std::vector<StoredValue> values;  // what is stored, in input order
    ReadingDetails details;           // note, arm, position, flag: stored after the time

    bool accepted() const { return refused == Refusal::NotRefused; }
};

// Checks every text of an entry. Over-long texts are refused first, then
// the date and time checks of readWhen, then a date after tomorrow (the
// day after the local date of `now`) as out of range, then each value input
// in order: an empty or blank text is skipped; a text that is not wholly a
// number (blanks around it allowed), a number that is not finite, one too
// large to store, or a negative one of a quantity with plausible limits
// refuses the entry.
// The values are typed in the units of `units` and planned in the file's.
// The details are checked last (ReadingDetails::check) and kept in the plan.
EntryPlan planEntry(const std::string& variableName, const std::string& date, const std::string& time,
                    const std::vector<ValueField>& fields, std::time_t now = std::time(nullptr),
                    const Units::Preferences& units = Units::Preferences(),
                    const ReadingDetails& details = ReadingDetails());

// The local date after that of an instant, worked out once for the many
// readings an import or a check asks about (the platform's conversions are
// slow). Unknown when the platform cannot tell: nothing is after it then.
struct Tomorrow {
    std::tm day{};
    bool known = false;
};
Tomorrow tomorrowOf(std::time_t now);

// planEntry with tomorrow as of `now` already worked out.
EntryPlan planEntry(const std::string& variableName, const std::string& date, const std::string& time,
                    const std::vector<ValueField>& fields, const Tomorrow& tomorrow, const Units::Preferences& units,
                    const ReadingDetails& details = ReadingDetails());

// True when the local calendar date of `when` lies after tomorrow, given as
// such or as of `now`.
bool afterTomorrow(const std::tm& when, const Tomorrow& tomorrow);
bool afterTomorrow(const std::tm& when, std::time_t now);

// The variable element under patient whose name is name, or null
// (VariableLookup::find).
XmlNode* findVariable(XmlNode* patient, const std::string& name);

// The same, creating it (one attribute `name`) as the last child of patient
// when there is none; *created tells which happened.
XmlNode* variableFor(RapidDocument& doc, XmlNode* patient, const std::string& name, bool* created = nullptr);

// The id the next entry of the variable gets.
std::string nextEntryIdOf(XmlNode* variable);

// Stores an accepted plan as the variable's last entry, exactly as the entry
// window does: attribute id (nextEntryIdOf), the value elements ("%f"
// texts), then date and time as typed, then the plan's details when
// given. Every text belongs to doc. Returns
// the entry; null when the plan holds no value.
XmlNode* appendEntry(RapidDocument& doc, XmlNode* variable, const EntryPlan& plan, const std::string& date,
                     const std::string& time);

}  // namespace EntryRules
