#include "app/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// A number beyond what a double holds: infinite when its magnitude is large,
// zero when it is small. The magnitude is told by the power of ten (or, in
// the hexadecimal form, of two) its text names.
double outOfRange(std::string_view number, bool hexadecimal) {
    auto isDigit = [hexadecimal](char c) {
        return digit(c) || (hexadecimal && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    };
    const char mark = hexadecimal ? 'p' : 'e';
    std::size_t i = 0;
    long long power = 0;
    bool significant = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        significant = significant || number[i] != '0';
        if (significant) ++power;
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            if (!significant && number[i] == '0') --power;
            significant = significant || number[i] != '0';
        }
    }
    if (i < number.size() && (number[i] == mark || number[i] == mark - 32)) {
        ++i;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
        long long exponent = 0;
        for (; i < number.size() && digit(number[i]); ++i)
            if (exponent < 1000000000) exponent = exponent * 10 + (number[i] - '0');
        power += negative ? -exponent : exponent;
    }
    return power > 0 ? HUGE_VAL : 0.0;
}

}  // namespace

NumberText::Result NumberText::read(std::string_view text, double& value, const Form& form, std::size_t* used) {
    std::size_t first = 0;
    if (form.blanksBefore)
        while (first < text.size() && blank(text[first])) ++first;
    std::size_t last = text.size();
    if (form.blanksAfter)
        while (last > first && blank(text[last - 1])) --last;
    if (first == last) return Result::Empty;
    // Hexadecimal forms are not how anybody writes a reading.
    if (!form.hexadecimal && text.find_first_of("xX") != std::string_view::npos) return Result::Unreadable;
    if (!form.exponent && text.find_first_of("eE") != std::string_view::npos) return Result::Unreadable;

    std::string withPoint;
    std::string_view rest = text.substr(first, last - first);
    if (form.decimalComma) {
        // A comma beside a point, or a second comma, leaves the text
        // unreadable rather than guessed at.
        const std::size_t comma = rest.find(',');
        if (comma != std::string_view::npos) {
            if (rest.find(',', comma + 1) != std::string_view::npos || rest.find('.') != std::string_view::npos)
                return Result::Unreadable;
            withPoint.assign(rest.data(), rest.size());
            withPoint[comma] = '.';
            rest = withPoint;
        }
    }

    const bool negative = !rest.empty() && rest[0] == '-';
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) rest.remove_prefix(1);
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') return Result::Unreadable;
    if (!form.words && !digit(rest[0]) && rest[0] != '.') return Result::Unreadable;

    double read = 0;
    const char* end = nullptr;
    const bool hexadecimal =
        form.hexadecimal && rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
    if (hexadecimal) {
        const std::string_view digits = rest.substr(2);
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), read, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) {
            // "0x" with no hexadecimal digit after it: the C library reads the 0.
            read = 0;
            end = rest.data() + 1;
        } else {
            end = r.ptr;
            if (r.ec == std::errc::result_out_of_range) read = outOfRange(digits.substr(0, r.ptr - digits.data()), true);
        }
    } else {
        const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), read);
        if (r.ec == std::errc::invalid_argument) return Result::Unreadable;
        end = r.ptr;
        if (r.ec == std::errc::result_out_of_range) read = outOfRange(rest.substr(0, r.ptr - rest.data()), false);
    }

    if (!form.textAfter) {
        std::string_view after(end, static_cast<std::size_t>(rest.data() + rest.size() - end));
        if (form.unitAfter && !after.empty()) {
            std::size_t i = 0;
            while (i < after.size() && blank(after[i])) ++i;
            const std::string_view unit(form.unitAfter);
            if (!unit.empty() && after.substr(i) == unit) after = std::string_view();
        }
        if (!after.empty()) return Result::Unreadable;
    }
    value = negative ? -read : read;
    if (used) *used = first + static_cast<std::size_t>(end - (withPoint.empty() ? text.data() + first : withPoint.data()));
    return Result::Read;
}

bool NumberText::readFinite(std::string_view text, double& value, const Form& form) {
    double v = 0;
    if (read(text, v, form) != Result::Read || !std::isfinite(v)) return false;
    value = v;
    return true;
}

NumberText::Form NumberText::typed() {
    Form form;
    form.blanksBefore = true;
    form.blanksAfter = true;
    form.decimalComma = true;
    form.exponent = false;
    form.words = false;
    return form;
}

NumberText::Form NumberText::stored() {
    Form form = typed();
    form.exponent = true;
    form.words = true;
    return form;
}

NumberText::Form NumberText::library(bool prefix) {
    Form form;
    form.blanksBefore = true;
    form.hexadecimal = true;
    form.textAfter = prefix;
    return form;
}
