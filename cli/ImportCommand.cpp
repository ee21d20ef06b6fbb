// quorvel-data import: readings from a CSV file, each checked and stored
// exactly as the entry window checks and stores an entry, saved once.
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
    request.dryRun = options.dryRun;
    request.skipBad = options.skipBad;
    Diagnostics tell(std::cerr, "quorvel-data: ");
    ImportSummary summary;
    std::string details;  // another format's summary per variable, and what it left out
    const int status = options.format == "csv" ? ReadingsImport::run(request, summary, tell)
                                               : importFormat(options, request, summary, details, tell);
    if (!summary.done) return status;
    const std::string counts =
        ", already present " + std::to_string(summary.present) + ", refused " + std::to_string(summary.refused);
    if (options.dryRun)
        std::cout << "would add " << summary.accepted << counts << " (dry run: nothing written)" << std::endl;
    else if (!summary.written && summary.refused > 0)
        std::cout << "added 0" << counts << " (nothing written; --skip-bad stores the " << summary.accepted
                  << " good readings)" << std::endl;
    else
        std::cout << "added " << summary.accepted << counts << std::endl;
    std::cout << details << std::flush;
    return status;
}

}  // namespace cli
