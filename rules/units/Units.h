// The units values are shown and typed in. The data files hold every value in
// one unit per quantity (°F, lb, mg/dL, inches; see docs/data-format.md);
// the person's preferences choose the unit each quantity is shown in, and
// every window, report and export converts at its edge with these rules.
#pragma once

#include <string>

namespace Units {

// The quantities that have a unit; a variable a person added has none.
enum class Quantity { Unitless, Pulse, Pressure, Saturation, Temperature, Weight, BloodSugar, Length };

enum class Temperature { Fahrenheit, Celsius };
enum class Mass { Pound, Kilogram };
enum class Length { Inch, Centimetre };
enum class Sugar { MilligramsPerDecilitre, MillimolesPerLitre };

// How dates are shown and typed: the file's own 2024/03/05, ISO 2024-03-05,
// or day first 05.03.2024.
enum class DateStyle { File, Iso, DayFirst };

// What the person chose. The defaults are the units of the data files, the
// 12-hour clock, the file's YYYY/MM/DD dates and the decimal point.
struct Preferences {
    Temperature temperature = Temperature::Fahrenheit;
    Mass mass = Mass::Pound;
    Length length = Length::Inch;
    Sugar sugar = Sugar::MilligramsPerDecilitre;
    bool clock24 = false;  // 19:30 rather than 07:30 PM
    DateStyle dateStyle = DateStyle::File;
    bool decimalComma = false;  // 36,8 rather than 36.8 in what the windows and the report show
    // Whether the windows name units at all: only once preferences were
    // saved, so that a folder without them looks as it always did.
    bool named = false;
    // The size text and windows are drawn at, in percent of their designed
    // size (rules/units/TextSize).
    int textSize = 100;
    bool operator==(const Preferences& o) const;
    bool operator!=(const Preferences& o) const { return !(*this == o); }
};

// One unit: shown = stored * scale + offset.
struct Unit {
    const char* shown;  // "°C"; empty for a quantity without unit
    const char* ucum;   // "Cel"; the code the export names
    double scale;
    double offset;
    int decimals;  // the usual decimals of a value in this unit (statistics, ranges)
};

// Most decimals a reading is shown with: those of the stored "%f" text.
constexpr int kReadingDecimals = 6;

// The quantity of a variable or a series: "Temperature", "Blood Sugar",
// "Fasting", "Systolic", ... (Unitless for Mood and any name a person gave).
Quantity quantityOf(const std::string& variableOrSeries);

// The unit the files hold a quantity in, and the one the preferences show.
const Unit& stored(Quantity q);
const Unit& shown(Quantity q, const Preferences& p);
// The unit of a quantity whose UCUM code is given, null when the code
// names no unit of that quantity.
const Unit* byCode(Quantity q, const std::string& ucum);
// True when the preferences show the quantity in its stored unit.
bool isStored(Quantity q, const Preferences& p);

// Conversions between a unit and the stored unit.
double toUnit(double storedValue, const Unit& u);
double fromUnit(double value, const Unit& u);
double toShown(Quantity q, double storedValue, const Preferences& p);
double toStored(Quantity q, double shownValue, const Preferences& p);

// A value printed with at most `decimals` decimals and no trailing zeros:
// 72, 38.5, 0 (never -0).
std::string trimmed(double value, int decimals);
// A value with a fixed number of decimals ("72.50"); a value too long to
// show so, in its short form ("1e+300").
std::string fixed(double value, int decimals);
// A stored value as the person sees it (with the chosen decimal mark): converted, with the fewest decimals
// (up to kReadingDecimals) that give the stored value back to the digits it
// has, so a reading typed in the shown unit reads back as typed, and one
// typed in the stored unit shows no digits it never had (97.4 °F: 36.33 °C).
std::string readingText(Quantity q, double storedValue, const Preferences& p);
// A stored limit as the person sees it (with the chosen decimal mark): converted, trimmed at the unit's
// usual decimals (96.9 °F as 36.1 °C, not 36.06).
std::string limitText(Quantity q, double storedValue, const Preferences& p);
// A number text (or a text of numbers, "120.5/80.5") with the decimal mark
// the person chose: every point a comma when they chose the comma.
std::string marked(std::string numberText, const Preferences& p);

// Decimals of a converted value put out for other programs: enough that
// reading it back and storing it with six decimals gives the stored text.
constexpr int kExchangeDecimals = 9;

// A value text of a file in the shown unit: unchanged in the stored unit or
// when it is not wholly a number, otherwise converted and trimmed at
// `decimals` (always with a decimal point: what other programs read).
std::string shownText(Quantity q, const std::string& storedText, const Preferences& p,
                      int decimals = kReadingDecimals);
// The text the files keep for a value converted to the stored unit (limits
// and personal information): trimmed at kReadingDecimals.
std::string storedText(double storedValue);

// "Temperature (°C)"; the name alone for a quantity without unit, or when
// the preferences do not name units.
std::string label(const std::string& name, Quantity q, const Preferences& p);
// "38.5 °C", "96%", "7": a number text with its unit.
std::string withUnit(const std::string& numberText, Quantity q, const Preferences& p);
// The same with the unit's text: the percent sign follows the number
// directly, every other unit after a space; no unit, the number alone.
std::string withUnit(const std::string& numberText, const char* unit);

}  // namespace Units
