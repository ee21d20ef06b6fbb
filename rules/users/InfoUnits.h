// The personal measures of the information panel and its edit window in the
// chosen units. The file keeps weight in pounds, height as "F ft I in" and
// step size in inches; in kg and cm the window shows and takes plain numbers
// with at most one decimal, and stores them converted.
#pragma once

#include <string>

#include "rules/units/Units.h"

namespace InfoUnits {

enum class Measure { Weight, Height, StepSize };

// True when the measure is shown as the file holds it (pounds, feet and
// inches): then every text below is the stored one, as typed.
bool asStored(Measure m, const Units::Preferences& p);

// True when a stored text reads as its measure (a number; "F ft I in").
bool reads(Measure m, const std::string& stored);

// The stored text as shown: converted (70.5, 163) when it reads, otherwise
// as stored.
std::string shown(Measure m, const std::string& stored, const Units::Preferences& p);

// True when a typed text may be stored: empty, or wholly one number (a
// comma stands for the decimal point; nothing is dropped), with at most one
// decimal in kg or cm. A height in feet and inches is checked elsewhere.
bool readable(Measure m, const std::string& typed, const Units::Preferences& p);

// The question to ask before storing a readable text whose weight or height
// no person can have ("Body weight 705 kg is outside ..."); empty when the
// value is plausible, empty or not read.
std::string question(Measure m, const std::string& typed, const Units::Preferences& p);

// What to store for the text typed over `shownText` (shown(stored)): the
// stored text when nothing changed, otherwise the typed value converted
// (pounds with up to six decimals, "5 ft 4.173228 in", inches); a number
// typed in the file's unit is stored with a point ("154,5" as 154.5).
std::string stored(Measure m, const std::string& typed, const std::string& shownText, const std::string& storedText,
                   const Units::Preferences& p);

// The unit after a shown value in the panel (" lbs", " kg", " in", " cm",
// none for a height in feet and inches) and the edit window's hint.
std::string suffix(Measure m, const Units::Preferences& p);
std::string hint(Measure m, const Units::Preferences& p);

// The alert for a typed text that is not readable(), in the chosen units.
std::string alertText(Measure m, const Units::Preferences& p);

}  // namespace InfoUnits
