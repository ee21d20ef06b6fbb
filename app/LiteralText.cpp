#include "app/LiteralText.h"

namespace LiteralText {

std::string label(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '@') out += '@';
    }
    return out;
}

std::string fromLabel(const std::string& label) {
    std::string out;
    out.reserve(label.size());
    for (std::size_t i = 0; i < label.size(); ++i) {
        out += label[i];
        if (label[i] == '@' && i + 1 < label.size() && label[i + 1] == '@') ++i;
    }
    return out;
}

std::string listLine(const std::string& text) {
    if (!text.empty() && text[0] == '@') return "@." + text;
    return text;
}

std::string fromListLine(const std::string& line) {
    if (line.size() >= 3 && line.compare(0, 3, "@.@") == 0) return line.substr(2);
    return line;
}

}  // namespace LiteralText
