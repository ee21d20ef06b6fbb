#include "rules/users/InfoUnits.h"

#include <cmath>

#include "rules/readings/EntryRules.h"
#include "rules/users/InfoRules.h"

namespace InfoUnits {

namespace {

Units::Quantity quantityOf(Measure m) {
    return m == Measure::Weight ? Units::Quantity::Weight : Units::Quantity::Length;
}

// Inches from a stored text: a number, or "F ft I in" for the height.
bool storedInches(Measure m, const std::string& text, double& value) {
    if (m != Measure::Height) return EntryRules::readValue(text, value) == EntryRules::ValueRead::Number;
    long long feet = 0;
    double inches = 0;
    if (InfoRules::readHeight(text, feet, inches) != 2) return false;
    value = static_cast<double>(feet) * 12 + inches;
    return std::isfinite(value);
}

}  // namespace

bool reads(Measure m, const std::string& stored) {
    double value = 0;
    return storedInches(m, stored, value);
}

bool asStored(Measure m, const Units::Preferences& p) { return Units::isStored(quantityOf(m), p); }

std::string shown(Measure m, const std::string& stored, const Units::Preferences& p) {
    double value = 0;
    if (asStored(m, p) || !storedInches(m, stored, value)) return stored;
    return Units::trimmed(Units::toShown(quantityOf(m), value, p), 1);
}

bool readable(Measure m, const std::string& typed, const Units::Preferences& p) {
    if (asStored(m, p) || typed.find_first_not_of(" \t") == std::string::npos) return true;
    double value = 0;
    if (EntryRules::readValue(typed, value) != EntryRules::ValueRead::Number || !std::isfinite(value) || value < 0)
        return false;
    const double tenths = value * 10;
    return std::fabs(tenths - std::round(tenths)) < 1e-6 && value < 1e6;
}

std::string stored(Measure m, const std::string& typed, const std::string& shownText, const std::string& storedText,
                   const Units::Preferences& p) {
    if (typed == shownText) return storedText;
    double value = 0;
    if (asStored(m, p) || EntryRules::readValue(typed, value) != EntryRules::ValueRead::Number) return typed;
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

std::string alertText(Measure m) {
    const char* what = m == Measure::Weight ? "weight" : m == Measure::Height ? "height" : "step size";
    return std::string("The value you entered for ") + what + " could not be read.\nEnter " +
           (m == Measure::Weight ? "kilograms" : "centimetres") + " with at most one decimal, for example " +
           (m == Measure::Weight ? "70.5" : "163") + ".\nPlease try again or hit \"Cancel\"";
}

}  // namespace InfoUnits
