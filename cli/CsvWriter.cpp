#include "cli/CsvWriter.h"

namespace CsvWriter {

std::string cell(const std::string& text) {
    // A leading byte-order mark is quoted, or a reader would take it for the file's.
    if (text.find_first_of(",\"\r\n") == std::string::npos && text.compare(0, 3, "\xEF\xBB\xBF") != 0) return text;
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
