#include "rules/units/HelpText.h"

#include "rules/units/ClockStyle.h"

namespace HelpText {

namespace {

void replace(std::string& text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
}

}  // namespace

std::string styled(std::string text, const Units::Preferences& p) {
    if (p.dateStyle != Units::DateStyle::File)
        replace(text, "year/month/day, for example 1975/04/23 (format YYYY/MM/DD)",
                std::string(ClockStyle::dateOrder(p)) + ", for example " + ClockStyle::date(1975, 4, 23, p));
    if (p.mass == Units::Mass::Kilogram)
        replace(text, "Body Weight: in pounds, for example 165.5",
                "Body Weight: in kilograms, for example 70.5 (or 70,5)");
    if (p.length == Units::Length::Centimetre) {
        replace(text, "Height: feet and inches, for example 5 ft 7.5 in",
                "Height: in centimetres, for example 163.5 (or 163,5)");
        replace(text, "Step size: in inches, for example 30", "Step size: in centimetres, for example 76");
    }
    return text;
}

}  // namespace HelpText
