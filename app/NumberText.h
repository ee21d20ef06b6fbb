// The one reader of numbers in texts: readings typed or stored, limits,
// values of other programs' files. It never looks at the locale (a point is
// the decimal point whatever the system's language says); what else a text
// may hold around its number is told by the caller's Form.
#pragma once

#include <cstddef>
#include <string_view>

class NumberText {
public:
    // What a text may hold besides a plain decimal number ("-72.5", "1e3";
    // "inf" and "nan" read as such, numbers too large as infinite ones).
    struct Form {
        bool blanksBefore = false;  // white space before the number
        bool blanksAfter = false;   // white space after it
        bool decimalComma = false;  // "36,8": one comma, and no point, is the decimal point
        bool hexadecimal = false;   // C's "0x1A" and "0x1.8p3"; without it any x or X refuses the text
        bool exponent = true;       // "1e3"; without it any e or E refuses the text
        bool words = true;          // "inf", "infinity" and "nan", in any case
        bool textAfter = false;     // anything after the number: "72abc" reads 72
        // A word allowed after the number and blanks ("100 mmHg"); null for none.
        const char* unitAfter = nullptr;
    };

    enum class Result { Empty, Unreadable, Read };

    // Reads text by form; value is set only when the result is Read. Empty:
    // nothing but the blanks the form allows. used (when given) receives
    // the length of text up to the end of the number.
    static Result read(std::string_view text, double& value, const Form& form, std::size_t* used = nullptr);
    // Read, and the value is finite.
    static bool readFinite(std::string_view text, double& value, const Form& form);

    // A value as a person writes it, typed in a window or read from another
    // program's file: blanks around it, a decimal comma, and decimal
    // notation only (no exponent, no hexadecimal, no "inf" or "nan").
    static Form typed();
    // A value kept in a diary's file: what typed takes, and the exponent
    // that values typed before it was refused may hold.
    static Form stored();
    // A number as the C library reads it: blanks before, a sign, the
    // hexadecimal form, and (when prefix) whatever follows it.
    static Form library(bool prefix);
};
