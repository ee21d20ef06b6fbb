// The doctor's report as one self-contained HTML page: no script, nothing
// fetched, readable on screen and printable on A4 and Letter. First a
// summary (blood pressure at home by the guideline's protocol against its
// home threshold, then one line for each other variable), then per variable
// its chart with its legend and statistics (for blood pressure the averages
// by time of day and of the last week), and last all the readings (newest
// first, out-of-range values marked) in lists that open when printed. Every
// printed page names the person, the date of birth and "page N of M" in its
// margins; values carry their variable's unit.
#pragma once

#include <string>
#include <vector>

#include "exchange/report/ReportData.h"
#include "exchange/report/ReportPeriod.h"

struct ReportHeader {
    std::string firstName;
    std::string lastName;
    std::string dateOfBirth;  // "1950-03-07" (as dates), or as recorded when it names no day
    std::string folder;       // the data folder the readings come from; empty: not named
    std::string madeOn;       // "2026-12-07" (as dates)
    ReportPeriod period;
    Units::DateStyle dates = Units::DateStyle::Iso;  // the days' style (ReportPeriod::shownDay)
};

namespace HtmlReport {

// The closing line of every report.
extern const char* const kClosingLine;

std::string page(const ReportHeader& header, const std::vector<ReportVariable>& variables);

}  // namespace HtmlReport
