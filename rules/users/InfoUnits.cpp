#include "rules/users/InfoUnits.h"

#include <cmath>

#include "app/NumberText.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "rules/users/InfoRules.h"

namespace InfoUnits {

namespace {

Units::Quantity quantityOf(Measure m) {
    return m == Measure::Weight ? Units::Quantity::Weight : Units::Quantity::Length;
}

// Inches from a stored text: a number, or "F ft I in" for the height.
bool storedInches(Measure m, const std::string& text, double& value) {
    if (m != Measure::Height) return NumberText::read(text, value, NumberText::stored()) == NumberText::Result::Read;
    long long feet = 0;
    double inches = 0;
    if (InfoRules::readHeight(text, feet, inches) != 2) return false;
    value = static_cast<double>(feet) * 12 + inches;
    return std::isfinite(value);
}

// The heights a person can have, in inches (30.5 cm to 274.3 cm).
constexpr double kLowestHeight = 12;
constexpr double kHighestHeight = 108;

}  // namespace

bool reads(Measure m, const std::string& stored) {
    double value = 0;
    return storedInches(m, stored, value);
}

bool asStored(Measure m, const Units::Preferences& p) { return Units::isStored(quantityOf(m), p); }

std::string shown(Measure m, const std::string& stored, const Units::Preferences& p) {
    double value = 0;
    if (asStored(m, p) || !storedInches(m, stored, value)) return stored;
    return Units::marked(Units::trimmed(Units::toShown(quantityOf(m), value, p), 1), p);
}

bool readable(Measure m, const std::string& typed, const Units::Preferences& p) {
    if (typed.find_first_not_of(" \t") == std::string::npos) return true;
    const bool stored = asStored(m, p);
    if (stored && m == Measure::Height) return true;
    double value = 0;
    if (EntryRules::readValue(typed, value) != EntryRules::ValueRead::Number || !std::isfinite(value) || value < 0)
        return false;
    if (value >= 1e6) return false;
    if (stored) return true;
    const double tenths = value * 10;
    return std::fabs(tenths - std::round(tenths)) < 1e-6;
}

std::string question(Measure m, const std::string& typed, const Units::Preferences& p) {
    if (m == Measure::StepSize || !readable(m, typed, p)) return std::string();
    double inFile = 0;
    if (!storedInches(m, stored(m, typed, std::string(), std::string(), p), inFile)) return std::string();
    const Units::Quantity q = quantityOf(m);
    const Units::Unit& unit = Units::shown(q, p);
    auto number = [&](double v) { return Units::marked(Units::trimmed(Units::toUnit(v, unit), 1), p); };
    // Weight: the readings' own limits; height: a newborn's to the tallest
    // person's ever measured, with room on both sides.
    const double low = m == Measure::Weight ? Plausibility::limitsFor("Weight")->low : kLowestHeight;
    const double high = m == Measure::Weight ? Plausibility::limitsFor("Weight")->high : kHighestHeight;
    if (inFile >= low && inFile <= high) return std::string();
    const std::string value =
        m == Measure::Height && asStored(m, p) ? typed : Units::withUnit(number(inFile), unit.shown);
    return std::string(m == Measure::Weight ? "Body weight " : "Height ") + value +
           " is outside what a person can have (" + number(low) + " to " +
           Units::withUnit(number(high), unit.shown) + "). Save it anyway?";
}

std::string stored(Measure m, const std::string& typed, const std::string& shownText, const std::string& storedText,
                   const Units::Preferences& p) {
    if (typed == shownText) return storedText;
    double value = 0;
    if (EntryRules::readValue(typed, value) != EntryRules::ValueRead::Number) return typed;
    // A height in feet and inches is a text of its own; a number in the
    // file's unit is stored as the files write numbers.
    if (asStored(m, p)) return m == Measure::Height ? typed : Units::storedText(value);
    const double inFile = Units::toStored(quantityOf(m), value, p);
    if (m != Measure::Height) return Units::storedText(inFile);
    const double feet = std::floor(inFile / 12);
    return Units::trimmed(feet, 0) + " ft " + Units::storedText(inFile - feet * 12) + " in";
}

std::string suffix(Measure m, const Units::Preferences& p) {
    if (!asStored(m, p)) return std::string(" ") + Units::shown(quantityOf(m), p).shown;
    if (m == Measure::Weight) return " lbs";
    return m == Measure::StepSize ? " in" : "";
}

std::string hint(Measure m, const Units::Preferences& p) {
    if (!asStored(m, p)) return m == Measure::Weight ? "(in kg, for example 70.5)" : "(in cm)";
    if (m == Measure::Weight) return "(in lbs)";
    return m == Measure::StepSize ? "(in inches)" : "(format: 5 ft 7.5 in)";
}

std::string alertText(Measure m, const Units::Preferences& p) {
    const char* what = m == Measure::Weight ? "weight" : m == Measure::Height ? "height" : "step size";
    std::string how;
    if (!asStored(m, p))
        how = std::string(m == Measure::Weight ? "kilograms" : "centimetres") +
              " with at most one decimal, for example " + (m == Measure::Weight ? "70.5" : "163");
    else
        how = m == Measure::Weight ? "pounds as a number, for example 155.5" : "inches as a number, for example 26";
    return std::string("The value you entered for ") + what + " could not be read.\nEnter " + how +
           ".\nPlease try again or hit \"Cancel\"";
}

}  // namespace InfoUnits
