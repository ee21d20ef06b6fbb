#include "store/ConflictCopy.h"

#include <regex>
#include <vector>

namespace {

struct Pattern {
    const char* tool;
    std::regex re;  // group 1: the stem, group 2: the extension
};

const std::vector<Pattern>& patterns() {
    static const std::vector<Pattern> all = {
        {"Syncthing", std::regex(R"(^(.+)\.sync-conflict-[0-9]{8}-[0-9]{6}-[A-Z0-9]{7}(\.hma)$)")},
        {"Nextcloud", std::regex(R"(^(.+) \(conflicted copy [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{6}\)(\.hma)$)")},
        {"Dropbox", std::regex(R"(^(.+) \(.*conflicted copy [0-9]{4}-[0-9]{2}-[0-9]{2}(?: \([0-9]+\))?\)(\.hma)$)")},
    };
    return all;
}

}  // namespace

std::string ConflictCopy::originalOf(const std::string& name) {
    std::smatch m;
    for (const Pattern& p : patterns())
        if (std::regex_match(name, m, p.re)) return m[1].str() + m[2].str();
    return std::string();
}

std::string ConflictCopy::toolOf(const std::string& name) {
    for (const Pattern& p : patterns())
        if (std::regex_match(name, p.re)) return p.tool;
    return std::string();
}
