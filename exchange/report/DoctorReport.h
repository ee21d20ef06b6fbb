// One user's readings over a period as a page for the doctor (HTML with its
// charts): what `quorvel-data report` writes and what the window writes.
#pragma once

#include <ctime>
#include <string>

#include "exchange/Diagnostics.h"
#include "exchange/Status.h"
#include "exchange/report/ReportPeriod.h"
#include "rules/units/Units.h"

struct ReportRequest {
    std::string dataDir;  // empty: the program's own data folder
    std::string user;     // id or "First Last"
    ReportPeriod period;
    std::tm madeOn{};     // the local day the report is made
    bool showFolder = false;  // name the data folder (its path holds the login name) on the page
    Units::Preferences units;  // the units values are shown in
};

class DoctorReport {
public:
    // Reads the user's file and makes the page; fileName is the name the page
    // is saved under unless the person chooses another (defaultName). kOk;
    // kProblem (told) when the user or the file cannot be read.
    static int make(const ReportRequest& request, std::string& page, std::string& fileName, Diagnostics& tell);

    // <First>-<Last>-<last day>.html, with characters that cannot stand in a
    // file name replaced by "_", never starting with "." or "-".
    static std::string defaultName(const std::string& first, const std::string& last, const std::string& toDay);
};
