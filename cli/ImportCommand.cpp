// quorvel-data import: readings from a CSV file (or standard input), each
// checked and stored exactly as the entry window checks and stores an entry,
// saved once.
#include <iostream>

#include "cli/Commands.h"
#include "exchange/ReadingsImport.h"

namespace cli {

int runImport(const ImportOptions& options) {
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
    Diagnostics tell(std::cerr, "quorvel-data: ");
    ImportSummary summary;
    const int status = ReadingsImport::run(request, summary, tell);
    if (!summary.done) return status;
    const std::string counts =
        ", already present " + std::to_string(summary.present) + ", refused " + std::to_string(summary.refused);
    if (options.dryRun)
        std::cout << "would add " << summary.accepted << counts << " (dry run: nothing written)" << std::endl;
    else if (!summary.written && summary.otherPerson > 0)
        std::cout << "added 0" << counts
                  << (options.user.empty()
                          ? " (nothing written: rows name people the registry does not have)"
                          : " (nothing written: the file holds readings of another person; "
                            "--allow-other-person stores them under --user)")
                  << std::endl;
    else if (!summary.written && summary.refused > 0)
        std::cout << "added 0" << counts << " (nothing written; --skip-bad stores the " << summary.accepted
                  << " good readings)" << std::endl;
    else
        std::cout << "added " << summary.accepted << counts << std::endl;
    return status;
}

}  // namespace cli
