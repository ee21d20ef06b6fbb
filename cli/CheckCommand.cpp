// quorvel-data check: every finding about the folder's files, never a write.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "exchange/FolderCheck.h"
#include "exchange/JsonWriter.h"

namespace cli {

int runCheck(const CheckOptions& options) {
    Diagnostics tell(std::cerr, "quorvel-data: ");
    std::vector<Finding> findings;
    const int status = FolderCheck::run(options.dataDir, findings, tell);
    const int errors = FolderCheck::problems(findings);
    if (status != kOk && errors == 0) return status;  // the folder could not be read
    if (options.json) {
        JsonWriter::findings(findings, std::cout);
    } else {
        for (const Finding& f : findings) {
            std::cout << f.file;
            if (f.line > 0) std::cout << ":" << f.line;
            std::cout << ": ";
            if (!f.variable.empty()) std::cout << "variable " << f.variable << ": ";
            if (!f.entry.empty()) std::cout << "entry " << f.entry << ": ";
            std::cout << f.message << "\n";
        }
        std::cout << (errors ? std::to_string(errors) + " problem(s) found" : std::string("no problems found"))
                  << std::endl;
    }
    return status;
}

}  // namespace cli
