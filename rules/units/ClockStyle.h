// The clock and the date style the windows show (12-hour with AM/PM or
// 24-hour; the file's YYYY/MM/DD, ISO YYYY-MM-DD or DD.MM.YYYY). The files
// keep their own forms: a date typed in another style is stored as
// YYYY/MM/DD, and the time is stored on the 12-hour clock whatever was typed.
#pragma once

#include <ctime>
#include <string>

#include "rules/units/Units.h"

namespace ClockStyle {

// "2024/03/05", "2024-03-05" or "05.03.2024".
std::string date(const std::tm& t, const Units::Preferences& p);
std::string date(int year, int month, int day, const Units::Preferences& p);
// "07:30:00 PM" or "19:30:00".
std::string time(const std::tm& t, const Units::Preferences& p);

// The style's form in words and as letters: "year-month-day",
// "YYYY-MM-DD".
const char* dateOrder(const Units::Preferences& p);
const char* dateLetters(const Units::Preferences& p);

// Reads a date typed in the style shown (blanks around it allowed): the
// style alone decides which number is the day, so "05.03.2024" is the 5th
// of March and nothing else. The two year-first styles read each other's
// form (YYYY/MM/DD, YYYY-MM-DD), which cannot be read otherwise. True with the three numbers;
// the day is not checked against the calendar.
bool readDate(const std::string& typed, const Units::Preferences& p, int& year, int& month, int& day);

// A date typed in the style shown in the file's form ("2024/03/05"). In
// the file's style the text is unchanged; a text that does not read in the
// style is given back with its slashes made dots, so that no reader of the
// file's form takes it (an empty text stays empty).
std::string fileDate(const std::string& typed, const Units::Preferences& p);

// A file's date and time texts as the windows show them: unchanged in the
// file's own style or when they do not read.
std::string shownDate(const std::string& fileDate, const Units::Preferences& p);
std::string shownTime(const std::string& fileTime, const Units::Preferences& p);

}  // namespace ClockStyle
