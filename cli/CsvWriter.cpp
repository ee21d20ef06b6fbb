#include "cli/CsvWriter.h"

namespace CsvWriter {

std::string cell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
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
