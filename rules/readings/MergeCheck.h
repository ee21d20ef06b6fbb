// The checks a reading brought in by a merge passes, the same a typed or
// imported one passes: its values are the variable's members (one at least,
// each a plausible number, never negative where the quantity has limits),
// its date and time are readable and exist, the date is not after
// tomorrow. A value outside what can be measured on a person is refused
// too (nobody is there to answer the entry window's question about it)
// unless the person was asked already: the window's own readings.
#pragma once

#include <ctime>

#include "store/UserMerge.h"

namespace MergeCheck {

// The check for UserMerge, with tomorrow as of now; its reasons name the
// values in the file's units.
UserMerge::Check asOf(std::time_t now, bool refuseImplausible = true);

}  // namespace MergeCheck
