// The person's preferences in the data folder: one small XML file,
// preferences.xml, beside the registry. A folder without it keeps the
// program's first behaviour (stored units, nothing named); a damaged one is
// reported by the caller and the defaults are used, never a failed start.
#pragma once

#include <string>

#include "rules/units/Units.h"

namespace PreferencesFile {

// The file's name in the data folder.
extern const char* const kName;

// The preferences as the file holds them.
std::string print(const Units::Preferences& p);

// Reads the file text: true with p filled (named set), false with error
// saying what is wrong and p left at the defaults.
bool parse(const std::string& text, Units::Preferences& p, std::string& error);

// Reads folder (ending with a separator) + kName. 1 read; 0 no such file
// (defaults); -1 damaged (defaults, error names the file and the fault).
int read(const std::string& folder, Units::Preferences& p, std::string& error);

// Reads the folder's preferences into p: the defaults when there are none or
// they are damaged. Returns what is wrong with damaged ones ("PATH: reason"),
// otherwise empty.
std::string load(const std::string& folder, Units::Preferences& p);

// The preferences a desktop locale suggests ("de_DE.UTF-8", "en-US"), by the
// territory it names: US units where they are the custom, metric elsewhere
// (mmol/L where blood sugar is given so); the 12-hour clock and YYYY/MM/DD
// where the 12-hour clock is the custom, the 24-hour clock and ISO dates
// elsewhere (the decimal mark is left as it is). False, p untouched, when the locale names no territory ("C",
// "POSIX", empty).
bool fromLocale(const std::string& measurementLocale, const std::string& timeLocale, Units::Preferences& p);

// A first start's preferences (folder has no file): those the desktop's
// locales suggest, with the decimal comma where the desktop writes numbers
// so (desktopComma), saved so that this happens once. Returns the notice that
// says what was chosen and where to change it; empty (p untouched) when the
// folder has the file or the locales name no territory.
std::string firstStart(const std::string& folder, const std::string& measurementLocale,
                       const std::string& timeLocale, bool desktopComma, Units::Preferences& p);

// Whether the folder's preferences name a text size (files saved before
// there was one do not; then the desktop's scale is taken).
bool namesTextSize(const std::string& folder);

// A first start's text size (p.textSize, the desktop's scale) other than
// the designed one: saved unless the units' first start saved it already
// (saved), and told in a line of the notice; empty for the designed size.
std::string firstTextSize(const std::string& folder, Units::Preferences& p, bool saved);

// Writes the file safely; false with error naming the file.
bool write(const std::string& folder, const Units::Preferences& p, std::string& error);

}  // namespace PreferencesFile
