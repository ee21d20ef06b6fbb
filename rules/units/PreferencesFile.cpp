#include "rules/units/PreferencesFile.h"

#include <cctype>
#include <initializer_list>
#include <vector>

#include "platform/Platform.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/TextSize.h"
#include "store/SafeWriter.h"
#include "store/XmlDocument.h"
#include "store/XmlFile.h"

namespace PreferencesFile {

const char* const kName = "preferences.xml";

namespace {

// One setting: its element and the texts it may hold (default first).
struct Setting {
    const char* element;
    std::initializer_list<const char*> texts;
};

// The date style is kept twice: <date> holds one of the two styles every
// version reads (YYYY-MM-DD standing in for DD.MM.YYYY), <dateStyle> the
// style itself, which wins where both are given. So a file written here
// still reads, with ISO dates, where <dateStyle> is not known, and a file
// from before it keeps its meaning. <decimalMark> left out is the point.
const Setting kSettings[] = {
    {"temperature", {"[degF]", "Cel"}},
    {"weight", {"[lb_av]", "kg"}},
    {"length", {"[in_i]", "cm"}},
    {"bloodSugar", {"mg/dL", "mmol/L"}},
    {"clock", {"12", "24"}},
    {"date", {"YYYY/MM/DD", "YYYY-MM-DD"}},
    {"dateStyle", {"YYYY/MM/DD", "YYYY-MM-DD", "DD.MM.YYYY"}},
    {"decimalMark", {"point", "comma"}},
};

// The choice of setting i: 0 the default, 1 the second text, 2 the third.
int chosen(const Units::Preferences& p, int i) {
    switch (i) {
        case 0: return p.temperature == Units::Temperature::Celsius;
        case 1: return p.mass == Units::Mass::Kilogram;
        case 2: return p.length == Units::Length::Centimetre;
        case 3: return p.sugar == Units::Sugar::MillimolesPerLitre;
        case 4: return p.clock24;
        case 5: return p.dateStyle != Units::DateStyle::File;
        case 6: return static_cast<int>(p.dateStyle);
        default: return p.decimalComma;
    }
}

void choose(Units::Preferences& p, int i, int choice) {
    switch (i) {
        case 0: p.temperature = choice ? Units::Temperature::Celsius : Units::Temperature::Fahrenheit; break;
        case 1: p.mass = choice ? Units::Mass::Kilogram : Units::Mass::Pound; break;
        case 2: p.length = choice ? Units::Length::Centimetre : Units::Length::Inch; break;
        case 3: p.sugar = choice ? Units::Sugar::MillimolesPerLitre : Units::Sugar::MilligramsPerDecilitre; break;
        case 4: p.clock24 = choice != 0; break;
        case 5: p.dateStyle = choice ? Units::DateStyle::Iso : Units::DateStyle::File; break;
        case 6: p.dateStyle = static_cast<Units::DateStyle>(choice); break;
        default: p.decimalComma = choice != 0; break;
    }
}

}  // namespace

std::string print(const Units::Preferences& p) {
    std::string text = "<preferences>\n";
    int i = 0;
    for (const Setting& s : kSettings) {
        text += std::string("\t<") + s.element + ">" + s.texts.begin()[chosen(p, i)] + "</" + s.element + ">\n";
        ++i;
    }
    text += "\t<textSize>" + std::to_string(p.textSize) + "</textSize>\n";
    return text + "</preferences>\n";
}

bool parse(const std::string& text, Units::Preferences& p, std::string& error) {
    p = Units::Preferences();
    std::vector<char> buffer;
    XmlFile::joinLines(text.data(), text.size(), buffer);
    XmlDocument doc;
    if (!XmlFile::parse(buffer, doc, error)) return false;
    const XmlNode* root = doc->first_node();
    if (!root || std::string(root->name()) != "preferences") {
        error = "the root element is not <preferences>";
        return false;
    }
    Units::Preferences read;
    int i = 0;
    for (const Setting& s : kSettings) {
        // A setting left out keeps its default.
        if (const XmlNode* n = root->first_node(s.element)) {
            const std::string value = n->value();
            int choice = 0;
            while (choice < static_cast<int>(s.texts.size()) && value != s.texts.begin()[choice]) ++choice;
            if (choice == static_cast<int>(s.texts.size())) {
                error = std::string("<") + s.element + "> holds \"" + value + "\", not ";
                for (std::size_t k = 0; k < s.texts.size(); ++k)
                    error += std::string(k == 0 ? "" : k + 1 == s.texts.size() ? " or " : ", ") + "\"" +
                             s.texts.begin()[k] + "\"";
                return false;
            }
            choose(read, i, choice);
        }
        ++i;
    }
    if (const XmlNode* n = root->first_node("textSize")) {
        const std::string value = n->value();
        const int percent = value.size() == 3 && std::isdigit(static_cast<unsigned char>(value[0])) &&
                                    std::isdigit(static_cast<unsigned char>(value[1])) &&
                                    std::isdigit(static_cast<unsigned char>(value[2]))
                                ? std::stoi(value)
                                : 0;
        if (!TextSize::offered(percent)) {
            error = "<textSize> holds \"" + value + "\", not 100, 125, 150, 175 or 200";
            return false;
        }
        read.textSize = percent;
    }
    read.named = true;
    p = read;
    return true;
}

int read(const std::string& folder, Units::Preferences& p, std::string& error) {
    p = Units::Preferences();
    const std::string path = folder + kName;
    if (!platform::pathExists(path)) return 0;
    std::vector<char> raw;
    std::string reason;
    if (!XmlFile::readRaw(path, raw, reason) || !parse(std::string(raw.begin(), raw.end()), p, reason)) {
        error = path + ": " + reason;
        return -1;
    }
    return 1;
}

std::string load(const std::string& folder, Units::Preferences& p) {
    std::string error;
    return read(folder, p, error) < 0 ? error : std::string();
}

namespace {

// The territory of a locale name: "DE" of "de_DE.UTF-8@euro" or "de-DE";
// empty when it names none.
std::string territory(const std::string& locale) {
    const std::size_t sep = locale.find_first_of("_-");
    if (sep == std::string::npos) return std::string();
    std::string t;
    for (std::size_t i = sep + 1; i < locale.size() && std::isalpha(static_cast<unsigned char>(locale[i])); ++i)
        t += static_cast<char>(std::toupper(static_cast<unsigned char>(locale[i])));
    return t.size() == 2 ? t : std::string();
}

bool among(const std::string& t, std::initializer_list<const char*> territories) {
    for (const char* each : territories)
        if (t == each) return true;
    return false;
}

}  // namespace

bool fromLocale(const std::string& measurementLocale, const std::string& timeLocale, Units::Preferences& p) {
    const std::string measures = territory(measurementLocale);
    const std::string times = territory(timeLocale);
    if (measures.empty() && times.empty()) return false;
    if (!measures.empty()) {
        const bool us = among(measures, {"US", "LR", "MM"});
        p.temperature = us ? Units::Temperature::Fahrenheit : Units::Temperature::Celsius;
        p.mass = us ? Units::Mass::Pound : Units::Mass::Kilogram;
        p.length = us ? Units::Length::Inch : Units::Length::Centimetre;
        const bool mmol = among(measures, {"GB", "IE", "CA", "AU", "NZ", "NL", "SE", "NO", "DK", "FI", "IS", "CH",
                                           "CZ", "SK", "PL", "HU", "RU", "UA", "CN", "HK", "ZA", "EE", "LV", "LT"});
        p.sugar = mmol ? Units::Sugar::MillimolesPerLitre : Units::Sugar::MilligramsPerDecilitre;
    }
    if (!times.empty()) {
        p.clock24 = !among(times, {"US", "CA", "AU", "NZ", "IN", "PH", "PK", "EG", "SA", "MY", "CO", "MX"});
        p.dateStyle = times != "US" ? Units::DateStyle::Iso : Units::DateStyle::File;
    }
    p.named = true;
    return true;
}

std::string firstStart(const std::string& folder, const std::string& measurementLocale,
                       const std::string& timeLocale, bool desktopComma, Units::Preferences& p) {
    Units::Preferences found;
    std::string error;
    if (read(folder, found, error) != 0) return std::string();
    Units::Preferences chosen = p;
    if (!fromLocale(measurementLocale, timeLocale, chosen)) return std::string();
    chosen.decimalComma = desktopComma;
    p = chosen;
    std::string notice = "Values are shown in " + std::string(Units::shown(Units::Quantity::Weight, p).shown) + ", " +
                         Units::shown(Units::Quantity::Length, p).shown + ", " +
                         Units::shown(Units::Quantity::Temperature, p).shown + " and " +
                         Units::shown(Units::Quantity::BloodSugar, p).shown + ", times with the " +
                         (p.clock24 ? "24-hour" : "12-hour") + " clock and dates as " +
                         ClockStyle::dateLetters(p) + (p.decimalComma ? " and a decimal comma" : "") +
                         ", as the desktop's settings suggest.\nChange them in Edit \342\206\222 Preferences\342\200\246";
    // Saved, so that the choice is offered once; a failed save only means
    // the same notice at the next start.
    if (!write(folder, p, error)) notice += "\n(" + error + ")";
    return notice;
}

bool namesTextSize(const std::string& folder) {
    std::vector<char> raw;
    std::string reason;
    if (!XmlFile::readRaw(folder + kName, raw, reason)) return false;
    std::vector<char> buffer;
    XmlFile::joinLines(raw.data(), raw.size(), buffer);
    XmlDocument doc;
    if (!XmlFile::parse(buffer, doc, reason)) return false;
    const XmlNode* root = doc->first_node("preferences");
    return root && root->first_node("textSize");
}

std::string firstTextSize(const std::string& folder, Units::Preferences& p, bool saved) {
    if (p.textSize == TextSize::kDesigned) return std::string();
    std::string notice = std::string(saved ? "\n" : "") + "Text is shown at " + std::to_string(p.textSize) +
                         " %, as the desktop's scale suggests.\nChange it in Edit \342\206\222 Preferences\342\200\246 "
                         "or with Ctrl+plus, Ctrl+minus and Ctrl+0.";
    std::string error;
    if (!saved && !write(folder, p, error)) notice += "\n(" + error + ")";
    return notice;
}

bool write(const std::string& folder, const Units::Preferences& p, std::string& error) {
    std::string reason;
    if (SafeWriter::write(folder, kName, print(p), reason)) return true;
    error = folder + kName + ": " + reason;
    return false;
}

}  // namespace PreferencesFile
