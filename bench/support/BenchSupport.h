// What several benchmarks share: a user file with a long pulse history.
// (The benchmarks also use the tests' support, for instance removeTree.)
#pragma once

#include <string>

namespace bench {

// A complete user file (id 0, Ann Lee) whose Pulse variable holds the given
// number of entries, printed as the program prints its files, followed by an
// empty Mood variable.
std::string pulseUserFile(int entries);

}  // namespace bench
