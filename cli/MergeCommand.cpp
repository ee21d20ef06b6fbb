// quorvel-data merge: the sync tools' conflict copies merged into their
// files, each copy kept as .old.
#include <ctime>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "exchange/ConflictCopies.h"
#include "exchange/Diagnostics.h"
#include "rules/readings/MergeCheck.h"

namespace cli {

int runMerge(const MergeOptions& options) {
    Diagnostics tell(std::cerr, "quorvel-data: ");
    const UserMerge::Side side = options.keep == "copy" ? UserMerge::Side::Other : UserMerge::Side::Kept;
    UserMerge::Resolve resolve = [side](const UserMerge::Conflict&) { return side; };
    const UserMerge::Check check = MergeCheck::asOf(std::time(nullptr));
    // Refused readings and differences are listed first; nothing is written while there are any.
    const Expected<ConflictCopies::Result> planned =
        ConflictCopies::merge(options.dataDir, resolve, false, std::string(), check, options.skipBad);
    if (!planned) {
        tell.error() << planned.error().reason << std::endl;
        return kProblem;
    }
    for (const UserMerge::Refused& r : planned->refused) tell.error() << r.what << ": " << r.reason << std::endl;
    if (!planned->refused.empty() && !options.skipBad) {
        std::cout << planned->refused.size()
                  << " reading(s) refused; nothing was written (--skip-bad merges the rest, the copies kept as .old "
                     "still hold the refused ones)"
                  << std::endl;
        return kProblem;
    }
    if (options.keep.empty()) {
        if (!planned->conflicts.empty()) {
            for (const UserMerge::Conflict& c : planned->conflicts)
                std::cout << c.what << ": the file has " << c.kept << ", the copy " << c.other << "\n";
            std::cout << planned->conflicts.size()
                      << " difference(s) to decide; nothing was written (choose with --keep file or --keep copy)"
                      << std::endl;
            return kProblem;
        }
    }
    const Expected<ConflictCopies::Result> done =
        ConflictCopies::merge(options.dataDir, resolve, true, std::string(), check, options.skipBad);
    if (!done) {
        tell.error() << done.error().reason << std::endl;
        return kProblem;
    }
    for (const RegistryMerge::Moved& m : done->moved)
        std::cout << m.first << " " << m.last << " (id " << m.oldId << " on the other computer) is now id " << m.newId
                  << ", file " << m.newFile << "\n";
    for (std::size_t i = 0; i < done->merged.size(); ++i)
        std::cout << "merged " << done->merged[i] << " (kept as " << done->keptAs[i] << ")\n";
    std::cout << done->merged.size() << " conflict copy(ies) merged, " << done->added << " reading(s) brought in";
    if (!done->refused.empty())
        std::cout << ", " << done->refused.size() << " refused (still in the copies kept as .old)";
    std::cout << std::endl;
    return done->refused.empty() ? kOk : kProblem;
}

}  // namespace cli
