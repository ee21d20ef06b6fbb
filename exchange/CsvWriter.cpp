#include "exchange/CsvWriter.h"

namespace CsvWriter {

bool isPlain(std::string_view text) {
    if (text.size() >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF') return false;
    for (char c : text)
        // The four characters quoted are ',' or below: digits and letters pass at the first test.
        if (static_cast<unsigned char>(c) <= ',' && (c == ',' || c == '"' || c == '\r' || c == '\n')) return false;
    return true;
}

void appendCell(std::string& out, std::string_view text) {
    if (isPlain(text)) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string cell(const std::string& text) {
    std::string out;
    appendCell(out, text);
    return out;
}

std::string nameCell(const std::string& text) {
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        return cell("'" + text);
    return cell(text);
}

void appendRow(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) out += ',';
        out += cells[i];
    }
    out += "\r\n";
}

}  // namespace CsvWriter
