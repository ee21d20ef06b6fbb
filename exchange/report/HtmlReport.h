// The doctor's report as one self-contained HTML page: no script, nothing
// fetched, readable on screen and printable on A4 and Letter. Per variable
// with readings: its chart, its statistics, for blood pressure the averages
// by time of day and of the last week, and its readings (newest first,
// out-of-range values marked) in a table that opens when printed.
#pragma once

#include <string>
#include <vector>

#include "exchange/report/ReportData.h"
#include "exchange/report/ReportPeriod.h"

struct ReportHeader {
    std::string firstName;
    std::string lastName;
    std::string dateOfBirth;  // as recorded
    std::string folder;       // the data folder the readings come from
    std::string madeOn;       // "2026-12-07"
    ReportPeriod period;
};

namespace HtmlReport {

// The closing line of every report.
extern const char* const kClosingLine;

std::string page(const ReportHeader& header, const std::vector<ReportVariable>& variables);

// A stored value as the report shows it: "72", "98.6", "7.25".
std::string valueText(double value);

}  // namespace HtmlReport
