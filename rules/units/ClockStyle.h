// The clock and the date style the windows show (12-hour with AM/PM or
// 24-hour; the file's YYYY/MM/DD or ISO YYYY-MM-DD). The files keep their
// own forms: a date typed in ISO style is stored as YYYY/MM/DD, and the time
// is stored on the 12-hour clock whatever was typed.
#pragma once

#include <ctime>
#include <string>

#include "rules/units/Units.h"

namespace ClockStyle {

// "2024/03/05" or "2024-03-05".
std::string date(const std::tm& t, const Units::Preferences& p);
// "07:30:00 PM" or "19:30:00".
std::string time(const std::tm& t, const Units::Preferences& p);

// A date typed in ISO style ("2024-03-05", blanks around it allowed) in the
// file's form ("2024/03/05"); any other text unchanged.
std::string fileDate(const std::string& typed);

// A file's date and time texts as the windows show them: unchanged in the
// file's own style or when they do not read.
std::string shownDate(const std::string& fileDate, const Units::Preferences& p);
std::string shownTime(const std::string& fileTime, const Units::Preferences& p);

}  // namespace ClockStyle
