#include "rules/units/Units.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/NumberText.h"
#include "store/VariableTable.h"

namespace Units {

namespace {

constexpr double kGlucose = VariableTable::kGlucoseFactor;
// One pound is 0.45359237 kg; one inch 2.54 cm.
constexpr double kPound = 0.45359237;
constexpr double kInch = 2.54;

const Unit kNone{"", "", 1, 0, 1};
const Unit kPerMinute{"/min", "/min", 1, 0, 0};
const Unit kMmHg{"mmHg", "mm[Hg]", 1, 0, 0};
const Unit kPercent{"%", "%", 1, 0, 0};
const Unit kFahrenheit{"\xC2\xB0" "F", "[degF]", 1, 0, 1};
const Unit kCelsius{"\xC2\xB0" "C", "Cel", 1 / 1.8, -32 / 1.8, 1};
const Unit kPoundUnit{"lb", "[lb_av]", 1, 0, 1};
const Unit kKilogram{"kg", "kg", kPound, 0, 1};
const Unit kInchUnit{"in", "[in_i]", 1, 0, 1};
const Unit kCentimetre{"cm", "cm", kInch, 0, 0};
const Unit kMgPerDl{"mg/dL", "mg/dL", 1, 0, 0};
const Unit kMmolPerL{"mmol/L", "mmol/L", 1 / kGlucose, 0, 1};

}  // namespace

bool Preferences::operator==(const Preferences& o) const {
    return temperature == o.temperature && mass == o.mass && length == o.length && sugar == o.sugar &&
           clock24 == o.clock24 && dateStyle == o.dateStyle && decimalComma == o.decimalComma && named == o.named &&
           textSize == o.textSize;
}

Quantity quantityOf(const std::string& variableOrSeries) {
    static const Quantity kQuantities[] = {
#define VARIABLE(Id, name, quantity, ...) Quantity::quantity,
#include "store/Variables.def"
    };
    const Variable* v = VariableTable::findByNameOrLabel(variableOrSeries);
    return v ? kQuantities[static_cast<std::size_t>(v->id)] : Quantity::Unitless;
}

const Unit& stored(Quantity q) {
    switch (q) {
        case Quantity::Pulse: return kPerMinute;
        case Quantity::Pressure: return kMmHg;
        case Quantity::Saturation: return kPercent;
        case Quantity::Temperature: return kFahrenheit;
        case Quantity::Weight: return kPoundUnit;
        case Quantity::BloodSugar: return kMgPerDl;
        case Quantity::Length: return kInchUnit;
        case Quantity::Unitless: break;
    }
    return kNone;
}

const Unit& shown(Quantity q, const Preferences& p) {
    switch (q) {
        case Quantity::Temperature: return p.temperature == Temperature::Celsius ? kCelsius : kFahrenheit;
        case Quantity::Weight: return p.mass == Mass::Kilogram ? kKilogram : kPoundUnit;
        case Quantity::BloodSugar: return p.sugar == Sugar::MillimolesPerLitre ? kMmolPerL : kMgPerDl;
        case Quantity::Length: return p.length == Length::Centimetre ? kCentimetre : kInchUnit;
        default: return stored(q);
    }
}

const Unit* byCode(Quantity q, const std::string& ucum) {
    Preferences other;
    other.temperature = Temperature::Celsius;
    other.mass = Mass::Kilogram;
    other.length = Length::Centimetre;
    other.sugar = Sugar::MillimolesPerLitre;
    for (const Unit* u : {&stored(q), &shown(q, other)})
        if (ucum == u->ucum) return u;
    return nullptr;
}

bool isStored(Quantity q, const Preferences& p) { return &shown(q, p) == &stored(q); }

// The stored unit leaves a value as it is, bit for bit (-0 stays -0).
double toUnit(double storedValue, const Unit& u) {
    return u.scale == 1 && u.offset == 0 ? storedValue : storedValue * u.scale + u.offset;
}
double fromUnit(double value, const Unit& u) { return u.scale == 1 && u.offset == 0 ? value : (value - u.offset) / u.scale; }
double toShown(Quantity q, double storedValue, const Preferences& p) { return toUnit(storedValue, shown(q, p)); }
double toStored(Quantity q, double shownValue, const Preferences& p) { return fromUnit(shownValue, shown(q, p)); }

std::string fixed(double value, int decimals) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

std::string trimmed(double value, int decimals) {
    std::string text = fixed(value, decimals);
    // The short form of a value too long for fixed decimals stays as it is.
    if (text.find_first_of("eE") != std::string::npos) return text;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

std::string readingText(Quantity q, double storedValue, const Preferences& p) {
    const Unit& u = shown(q, p);
    const double value = toUnit(storedValue, u);
    if (isStored(q, p) || !std::isfinite(value)) return marked(trimmed(value, kReadingDecimals), p);
    // The fewest decimals that give the stored reading back to the digits it
    // has: a reading typed in this unit shows as typed (38.5), one typed in
    // the stored unit without digits it never had (97.4 °F as 36.33 °C).
    const std::string own = trimmed(storedValue, kReadingDecimals);
    const std::size_t point = own.find('.');
    const int digits = point == std::string::npos ? 0 : static_cast<int>(own.size() - point - 1);
    const double tolerance = 0.5 * std::pow(10.0, -digits) * (1 + 1e-9);
    for (int d = u.decimals; d < kReadingDecimals; ++d) {
        const double scale = std::pow(10.0, d);
        if (std::fabs(fromUnit(std::round(value * scale) / scale, u) - storedValue) <= tolerance)
            return marked(trimmed(value, d), p);
    }
    return marked(trimmed(value, kReadingDecimals), p);
}

std::string limitText(Quantity q, double storedValue, const Preferences& p) {
    const Unit& u = shown(q, p);
    return marked(trimmed(toUnit(storedValue, u), u.decimals), p);
}

std::string shownText(Quantity q, const std::string& storedText, const Preferences& p, int decimals) {
    if (isStored(q, p) || storedText.empty()) return storedText;
    double value = 0;
    if (!NumberText::readFinite(storedText, value, NumberText::library(false))) return storedText;
    return trimmed(toShown(q, value, p), decimals);
}

std::string marked(std::string numberText, const Preferences& p) {
    if (p.decimalComma)
        for (char& c : numberText)
            if (c == '.') c = ',';
    return numberText;
}

std::string storedText(double storedValue) { return trimmed(storedValue, kReadingDecimals); }

std::string label(const std::string& name, Quantity q, const Preferences& p) {
    const Unit& u = shown(q, p);
    return p.named && *u.shown ? name + " (" + u.shown + ")" : name;
}

std::string withUnit(const std::string& numberText, Quantity q, const Preferences& p) {
    return withUnit(numberText, shown(q, p).shown);
}

std::string withUnit(const std::string& numberText, const char* unit) {
    if (!unit || !*unit) return numberText;
    if (std::strcmp(unit, "%") == 0) return numberText + unit;
    return numberText + " " + unit;
}

}  // namespace Units
