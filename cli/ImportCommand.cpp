// quorvel-data import: readings from a CSV file (or standard input), a FHIR
// Bundle or a phone's health export, each checked and stored exactly as the
// entry window checks and stores an entry, saved once.
#include <iostream>

#include "cli/Commands.h"
#include "exchange/ReadingsImport.h"

namespace cli {

int runImport(const ImportOptions& options) {
    const bool csv = options.format == "csv";
    if (!csv && options.user.empty()) {
        std::cerr << "quorvel-data: import --format " << options.format << " needs --user to say whose readings they are"
                  << std::endl;
        return kUsage;
    }
    if (options.format == "apple-health" && options.otherPerson) {
        std::cerr << "quorvel-data: --allow-other-person is for the export's CSV and FHIR Bundles; a "
                  << options.format << " file's readings go to --user" << std::endl;
        return kUsage;
    }
    if (options.format == "apple-health" && options.file == "-") {
        std::cerr << "quorvel-data: a phone's health export is read from a file, not standard input" << std::endl;
        return kUsage;
    }
    ImportRequest request;
    request.dataDir = options.dataDir;
    request.user = options.user;
    request.variable = options.variable;
    request.file = options.file;
    if (options.file == "-") {
        request.file = "standard input";
        request.input = &std::cin;
    }
    request.dryRun = options.dryRun;
    request.skipBad = options.skipBad;
    request.otherPerson = options.otherPerson;
    request.bloodSugarMember = options.bloodSugarMember;
    request.units = options.units;
    Diagnostics tell(std::cerr, "quorvel-data: ");
    ImportSummary summary;
    std::string details;  // another format's summary per variable, and what it left out
    const int status =
        csv ? ReadingsImport::run(request, summary, tell) : importFormat(options, request, summary, details, tell);
    if (!summary.done) return status;
    const std::string counts =
        ", already present " + std::to_string(summary.present) + ", refused " + std::to_string(summary.refused);
    if (options.dryRun)
        std::cout << "would add " << summary.accepted << counts << " (dry run: nothing written)" << std::endl;
    else if (!summary.written && summary.otherPerson > 0)
        std::cout << "added 0" << counts
                  << (!csv ? " (nothing written: the file holds the readings of another person or of more than one; "
                             "--allow-other-person stores another person's under --user)"
                      : options.user.empty()
                          ? " (nothing written: rows name people the registry does not have)"
                          : " (nothing written: the file holds readings of another person; "
                            "--allow-other-person stores them under --user)")
                  << std::endl;
    else if (!summary.written && summary.refused > 0)
        std::cout << "added 0" << counts << " (nothing written; --skip-bad stores the " << summary.accepted
                  << " good readings)" << std::endl;
    else
        std::cout << "added " << summary.accepted << counts << std::endl;
    std::cout << details << std::flush;
    return status;
}

}  // namespace cli
