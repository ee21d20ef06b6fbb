// Typing the first letters of a name in a list jumps to the first name that
// starts with them; letters are compared without regard to case.
#pragma once

#include <string>
#include <vector>

namespace TypeAhead {

// The index of the first name that starts with `typed`, or -1 when none does.
int firstMatch(const std::vector<std::string>& names, const std::string& typed);

// The typed text after one more character: extended while some name still
// starts with it, otherwise started again from that character alone (so
// "a", "l" finds "Alan", and a second "a" then jumps to the next name with "A").
std::string extend(const std::vector<std::string>& names, const std::string& typed, char next);

}  // namespace TypeAhead
