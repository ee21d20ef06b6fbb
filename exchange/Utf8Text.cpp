#include "exchange/Utf8Text.h"

#include "exchange/CsvReader.h"

namespace Utf8Text {

namespace {

// The length of the UTF-8 at text[at]; 0 when the bytes there are not UTF-8.
std::size_t lengthAt(std::string_view text, std::size_t at) {
    if (static_cast<unsigned char>(text[at]) < 0x80) return 1;
    return CsvReader::utf8Length(reinterpret_cast<const unsigned char*>(text.data() + at), text.size() - at);
}

}  // namespace

bool valid(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = lengthAt(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string repaired(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = lengthAt(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::vector<int> badLines(std::string_view raw) {
    std::vector<int> lines;
    int line = 1;
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t n = lengthAt(raw, i);
        if (n == 0 && (lines.empty() || lines.back() != line)) lines.push_back(line);
        if (raw[i] == '\n') ++line;
        i += n == 0 ? 1 : n;
    }
    return lines;
}

void warn(Diagnostics& tell, const std::string& path, const std::vector<int>& lines) {
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < lines.size() && i < kNamed; ++i)
        tell.error() << path << ":" << lines[i] << ": text that is not UTF-8, written with U+FFFD" << std::endl;
    if (lines.size() > kNamed)
        tell.error() << path << ": and " << lines.size() - kNamed << " more lines with text that is not UTF-8"
                     << std::endl;
}

std::string cut(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return std::string(text);
    std::size_t end = bytes;
    // Back to the first byte of a character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

}  // namespace Utf8Text
