// quorvel-data report: one user's readings over a period as a page for the
// doctor, written atomically to a regular file, or to standard output.
#pragma once

#include <ostream>
#include <string>

#include "rules/units/Units.h"

namespace cli {

struct ReportOptions {
    std::string dataDir;  // empty: the program's own data folder
    std::string user;     // id or "First Last"
    std::string from;     // YYYY-MM-DD, empty when not given
    std::string to;
    std::string last;     // "30d", "90d", "1y"
    std::string output;   // empty: <First>-<Last>-<to>.html in the current folder; "-": out
    bool showFolder = false;  // name the data folder on the page
    Units::Preferences units;  // the folder's preferences (the program's start reads them)
};

// Returns the exit status: 0 written, 1 a problem with the data or the
// output (unknown user, unreadable file, output not writable), 2 a usage
// error. Messages go to err, the name of the written file to out.
int runReport(const ReportOptions& options, std::ostream& out, std::ostream& err);
int runReport(const ReportOptions& options);

}  // namespace cli
