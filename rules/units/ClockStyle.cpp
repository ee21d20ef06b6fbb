#include "rules/units/ClockStyle.h"

#include <cstdio>

#include "rules/readings/EntryRules.h"

namespace ClockStyle {

std::string date(const std::tm& t, const Units::Preferences& p) {
    std::string text = EntryRules::initialDateText(t);
    if (p.isoDate)
        for (char& c : text)
            if (c == '/') c = '-';
    return text;
}

std::string time(const std::tm& t, const Units::Preferences& p) {
    if (!p.clock24) return EntryRules::initialTimeText(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string fileDate(const std::string& typed) {
    int year = 0, month = 0, day = 0, end = 0;
    if (std::sscanf(typed.c_str(), " %d-%d-%d %n", &year, &month, &day, &end) != 3 ||
        static_cast<std::size_t>(end) != typed.size() || year < 0 || month < 0 || day < 0)
        return typed;
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day);
    return text;
}

std::string shownDate(const std::string& fileDate, const Units::Preferences& p) {
    int year = 0, month = 0, day = 0;
    if (!p.isoDate || std::sscanf(fileDate.c_str(), "%d/%d/%d", &year, &month, &day) != 3) return fileDate;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string shownTime(const std::string& fileTime, const Units::Preferences& p) {
    std::tm t{};
    if (!p.clock24 || EntryRules::readFields("2000/1/1", fileTime, t) != EntryRules::Refusal::NotRefused)
        return fileTime;
    return time(t, p);
}

}  // namespace ClockStyle
