#include "rules/units/ClockStyle.h"

#include <cstdio>

#include "rules/readings/EntryRules.h"

namespace ClockStyle {

std::string date(int year, int month, int day, const Units::Preferences& p) {
    char text[48];
    switch (p.dateStyle) {
        case Units::DateStyle::Iso: std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day); break;
        case Units::DateStyle::DayFirst: std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year); break;
        case Units::DateStyle::File: std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day); break;
    }
    return text;
}

std::string date(const std::tm& t, const Units::Preferences& p) {
    return date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, p);
}

std::string time(const std::tm& t, const Units::Preferences& p) {
    if (!p.clock24) return EntryRules::initialTimeText(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

const char* dateOrder(const Units::Preferences& p) {
    switch (p.dateStyle) {
        case Units::DateStyle::Iso: return "year-month-day";
        case Units::DateStyle::DayFirst: return "day.month.year";
        case Units::DateStyle::File: break;
    }
    return "year/month/day";
}

const char* dateLetters(const Units::Preferences& p) {
    switch (p.dateStyle) {
        case Units::DateStyle::Iso: return "YYYY-MM-DD";
        case Units::DateStyle::DayFirst: return "DD.MM.YYYY";
        case Units::DateStyle::File: break;
    }
    return "YYYY/MM/DD";
}

namespace {

// Three numbers with `mark` between them and nothing else but blanks around.
bool readThree(const std::string& text, char mark, int& a, int& b, int& c) {
    const char format[] = {' ', '%', 'd', mark, '%', 'd', mark, '%', 'd', ' ', '%', 'n', '\0'};
    int end = 0;
    return std::sscanf(text.c_str(), format, &a, &b, &c, &end) == 3 && static_cast<std::size_t>(end) == text.size() &&
           a >= 0 && b >= 0 && c >= 0;
}

}  // namespace

bool readDate(const std::string& typed, const Units::Preferences& p, int& year, int& month, int& day) {
    if (p.dateStyle == Units::DateStyle::DayFirst) return readThree(typed, '.', day, month, year);
    return readThree(typed, '-', year, month, day) || readThree(typed, '/', year, month, day);
}

std::string fileDate(const std::string& typed, const Units::Preferences& p) {
    if (p.dateStyle == Units::DateStyle::File) return typed;
    int year = 0, month = 0, day = 0;
    if (!readDate(typed, p, year, month, day)) {
        std::string refused = typed;
        for (char& c : refused)
            if (c == '/') c = '.';
        return p.dateStyle == Units::DateStyle::Iso ? typed : refused;
    }
    Units::Preferences file = p;
    file.dateStyle = Units::DateStyle::File;
    return date(year, month, day, file);
}

std::string shownDate(const std::string& fileDate, const Units::Preferences& p) {
    int year = 0, month = 0, day = 0;
    Units::Preferences file = p;
    file.dateStyle = Units::DateStyle::File;
    if (p.dateStyle == Units::DateStyle::File || !readDate(fileDate, file, year, month, day)) return fileDate;
    return date(year, month, day, p);
}

std::string shownTime(const std::string& fileTime, const Units::Preferences& p) {
    std::tm t{};
    if (!p.clock24 || EntryRules::readFields("2000/1/1", fileTime, t) != EntryRules::Refusal::NotRefused)
        return fileTime;
    return time(t, p);
}

}  // namespace ClockStyle
