// The time axis of the report's charts: ticks on whole hours, days or
// months of the local calendar, as far apart as their labels need so that
// no two labels touch. A short period labels days ("2026-11-06"), a long one
// months ("Nov 2026") or years; a period of a day or two labels hours, with
// the date under the first tick of each day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/units/Units.h"

struct TimeTick {
    std::int64_t instant = 0;
    std::string label;   // the first line: "2026-11-06", "Nov 2026", "2026", "06:00"
    std::string second;  // under hours, the date at the first tick of a day; else empty
};

struct TimeTicks {
    enum class Kind { Hours, Days, Months };
    Kind kind = Kind::Days;
    int step = 1;  // hours, days or months between ticks
    std::vector<TimeTick> ticks;

    // Ticks within [from, to] on an axis `width` units wide whose labels are
    // written with fontSize units: the smallest step whose labels stay at
    // least a gap apart; the coarsest step when none does.
    // Days are labelled as ReportPeriod::shownDay labels them in `dates`.
    static TimeTicks choose(std::int64_t from, std::int64_t to, double width, double fontSize,
                            Units::DateStyle dates = Units::DateStyle::Iso);

    // The width of a label in DejaVu Sans at fontSize, a little generous.
    static double labelWidth(const std::string& text, double fontSize);
    // The least room between two labels.
    static double gap(double fontSize) { return 0.8 * fontSize; }
};
