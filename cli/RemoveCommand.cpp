// quorvel-data remove: takes back one mistyped reading, after showing it and
// asking (unless --yes), under the folder's lock, saved once.
#include <iostream>

#include "cli/Commands.h"
#include "exchange/ReadingRemoval.h"

namespace cli {

int runRemove(const RemoveOptions& options) {
    Diagnostics tell(std::cerr, "quorvel-data: ");
    ReadingRemoval removal;
    const int found = removal.find(options.dataDir, options.user, options.variable, options.entry, tell);
    if (found != kOk) return found;
    std::cout << removal.description(options.units) << std::endl;
    if (!options.yes) {
        std::cout << "Remove this entry? [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
            std::cout << "Not removed." << std::endl;
            return kProblem;
        }
    }
    const int removed = removal.remove(tell);
    if (removed != kOk) return removed;
    std::cout << "Removed." << std::endl;
    return kOk;
}

}  // namespace cli
