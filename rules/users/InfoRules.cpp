#include "rules/users/InfoRules.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "app/NumberText.h"
#include "rules/time/LocalDayClock.h"
#include "rules/units/ClockStyle.h"

namespace InfoRules {

namespace {

void skipBlanks(const char*& p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
}

// scanf's %d: blanks, an optional sign, at least one digit. Values beyond
// the range of int saturate (they are refused later as dates that do not exist).
bool readInt(const char*& p, long long& out) {
    const char* q = p;
    skipBlanks(q);
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    if (!std::isdigit(static_cast<unsigned char>(*q))) return false;
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*q))) {
        if (value < LLONG_MAX / 100) value = value * 10 + (*q - '0');
        ++q;
    }
    out = negative ? -value : value;
    p = q;
    return true;
}

// scanf's %f: blanks, then the longest prefix the C library reads as a
// number (NumberText::library), and the text is taken up to its end.
bool readFloat(const char*& p, double& out) {
    const char* q = p;
    skipBlanks(q);
    double value = 0;
    std::size_t used = 0;
    if (NumberText::read(q, value, NumberText::library(true), &used) != NumberText::Result::Read) return false;
    out = value;
    p = q + used;
    return true;
}

bool literal(const char*& p, const char* word) {
    const char* q = p;
    for (; *word; ++word, ++q)
        if (*q != *word) return false;
    p = q;
    return true;
}

}  // namespace

int readDate(const std::string& text, long long& year, long long& month, long long& day) {
    const char* p = text.c_str();
    if (!readInt(p, year)) return 0;
    if (!literal(p, "/") || !readInt(p, month)) return 1;
    if (!literal(p, "/") || !readInt(p, day)) return 2;
    return 3;
}

int readHeight(const std::string& text, long long& feet, double& inches) {
    const char* p = text.c_str();
    if (!readInt(p, feet)) return 0;
    skipBlanks(p);
    if (!literal(p, "ft")) return 1;
    if (!readFloat(p, inches)) return 1;
    return 2;
}

bool dateExists(long long year, long long month, long long day) {
    if (year > kLatestYear) return false;
    if (month < 1 || month > 12) return false;
    return day >= 1 && day <= LocalDayClock::daysInMonth(year, static_cast<int>(month));
}

Check checkName(const std::string& first, const std::string& last) {
    return first.empty() || last.empty() ? Check::IncompleteName : Check::Ok;
}

Check checkDob(const std::string& dob) {
    if (dob.empty()) return Check::Ok;
    long long year = 0, month = 0, day = 0;
    if (readDate(dob, year, month, day) < 3) return Check::UnreadableDob;
    // Any year up to kLatestYear is checked on its own calendar, so a birthday
    // on the 29th of February of a leap year before 1970 is accepted.
    if (dateExists(year, month, day)) return Check::Ok;
    const bool dayOfMonth = year >= 1 && year <= kLatestYear && month >= 1 && month <= 12 && day >= 1 && day <= 31;
    return dayOfMonth ? Check::DobNoSuchDay : Check::DobOutOfRange;
}

Check checkHeight(const std::string& height) {
    if (height.empty()) return Check::Ok;
    long long feet = 0;
    double inches = 0;
    return readHeight(height, feet, inches) < 2 ? Check::UnreadableHeight : Check::Ok;
}

Check checkAll(const std::string& first, const std::string& last, const std::string& dob,
               const std::string& height) {
    Check c = checkName(first, last);
    if (c == Check::Ok) c = checkDob(dob);
    if (c == Check::Ok) c = checkHeight(height);
    return c;
}

std::string alertText(Check check) {
    switch (check) {
        case Check::Ok:
            return std::string();
        case Check::IncompleteName:
            return "Enter a value for first AND last name\nPlease try again";
        case Check::UnreadableDob:
            return "The date of birth you entered could not be read.\nThe correct format is: YYYY/MM/DD\n"
                   "Please try again or hit \"Cancel\"";
        case Check::DobOutOfRange:
            return "Incorrect range for date of birth.\nThe correct format is: YYYY/MM/DD\n"
                   "Please try again or hit \"Cancel\"";
        case Check::DobNoSuchDay:
            return "The date of birth names a day that does not exist in that month.\n"
                   "Please try again or hit \"Cancel\"";
        case Check::UnreadableHeight:
            return "The value you entered for height could not be read.\n"
                   "The correct format is for example: 5 ft 7.5 in\nPlease try again or hit \"Cancel\"";
    }
    return std::string();
}

std::string alertText(Check check, const Units::Preferences& style) {
    std::string text = alertText(check);
    const std::string form = "YYYY/MM/DD";
    const std::size_t at = text.find(form);
    if (at != std::string::npos)
        text.replace(at, form.size(),
                     std::string(ClockStyle::dateOrder(style)) + ", for example " + ClockStyle::date(1950, 6, 15, style));
    return text;
}

std::string traceText(Check check, const std::string& typed) {
    switch (check) {
        case Check::Ok:
            return std::string();
        case Check::IncompleteName:
            return "User tried to enter an incomplete name";
        case Check::UnreadableDob:
        case Check::DobOutOfRange:
        case Check::DobNoSuchDay:
            return "User tried to enter an incorrect dob: " + typed;
        case Check::UnreadableHeight:
            return "User tried to enter an incorrect height: " + typed;
    }
    return std::string();
}

}  // namespace InfoRules
