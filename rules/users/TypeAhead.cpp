#include "rules/users/TypeAhead.h"

#include <cctype>

namespace TypeAhead {

namespace {

bool startsWith(const std::string& name, const std::string& typed) {
    if (typed.size() > name.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const int a = std::tolower(static_cast<unsigned char>(name[i]));
        const int b = std::tolower(static_cast<unsigned char>(typed[i]));
        if (a != b) return false;
    }
    return true;
}

}  // namespace

int firstMatch(const std::vector<std::string>& names, const std::string& typed) {
    if (typed.empty()) return -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (startsWith(names[i], typed)) return static_cast<int>(i);
    return -1;
}

std::string extend(const std::vector<std::string>& names, const std::string& typed, char next) {
    std::string longer = typed + next;
    if (firstMatch(names, longer) >= 0) return longer;
    return std::string(1, next);
}

}  // namespace TypeAhead
