#include "platform/DesktopScale.h"

#include <cctype>

namespace DesktopScale {

int dpiFromResources(const std::string& resources) {
    const std::string name = "Xft.dpi:";
    std::size_t at = 0;
    while (at < resources.size()) {
        const std::size_t end = resources.find('\n', at);
        const std::string line = resources.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? resources.size() : end + 1;
        if (line.compare(0, name.size(), name) != 0) continue;
        std::size_t i = name.size();
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        // Whole dots per inch; a fraction ("96.5") is cut, a long run of
        // digits is no scale.
        int dpi = 0;
        std::size_t digits = 0;
        for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i, ++digits) {
            if (digits == 5) return 0;
            dpi = dpi * 10 + (line[i] - '0');
        }
        return digits ? dpi : 0;
    }
    return 0;
}

}  // namespace DesktopScale
