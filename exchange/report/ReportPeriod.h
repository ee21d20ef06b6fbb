// The period a report covers: whole local days from the first day 00:00:00
// to the last day 23:59:59, read from the options --from, --to and --last.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "rules/units/Units.h"

struct ReportPeriod {
    std::tm firstDay{};  // year, month, day (local calendar)
    std::tm lastDay{};
    std::int64_t from = 0;  // first day 00:00:00, local time
    std::int64_t to = 0;    // last day 23:59:59, local time

    // "2026-03-05"
    static std::string dayText(const std::tm& day);
    // A day as the page shows it in the chosen date style: "05.03.2026"
    // for DD.MM.YYYY, "2026-03-05" otherwise (the report's own form).
    static std::string shownDay(const std::tm& day, Units::DateStyle style);
    // A date as recorded ("1950/3/7", year/month/day) as shownDay shows
    // it; a text that names no day of the calendar stays as it is.
    static std::string recordedDayText(const std::string& recorded, Units::DateStyle style);
    std::string fromText() const { return dayText(firstDay); }
    std::string toText() const { return dayText(lastDay); }

    // The instant at which the last `days` calendar days of the period begin
    // (the whole period when it is shorter).
    std::int64_t lastDaysStart(int days) const;

    // Reads a day "YYYY-MM-DD", as export reads it, that exists in the
    // calendar, from 1970 on. False otherwise.
    static bool readDay(const std::string& text, std::tm& day);
    // The same for a day a person typed in the date style shown
    // (ClockStyle::readDate: the style decides which number is the day).
    static bool readTypedDay(const std::string& typed, const Units::Preferences& p, std::tm& day);

    // Builds the period from the option texts (empty when not given);
    // today is the local date the report is made. The default is the 90
    // days up to today. --last ("30d", "90d", "1y": a number of days or
    // years) counts back from --to and cannot be combined with --from.
    // On failure error holds the message and the result is false.
    static bool fromOptions(const std::string& fromOption, const std::string& toOption,
                            const std::string& lastOption, const std::tm& today, ReportPeriod& out,
                            std::string& error);
};
