#include "exchange/CsvWriter.h"

#include <string>

namespace CsvWriter {

bool isPlain(std::string_view text) {
    if (text.size() >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF') return false;
    for (char c : text)
        // The four characters quoted are ',' or below: digits and letters pass at the first test.
        if (static_cast<unsigned char>(c) <= ',' && (c == ',' || c == '"' || c == '\r' || c == '\n')) return false;
    return true;
}

namespace {

// The text in double quotes, each quote inside doubled.
void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

void appendCell(std::string& out, std::string_view text) {
    if (isPlain(text)) {
        out += text;
        return;
    }
    appendQuoted(out, text);
}

void appendCell(std::string& out, std::string_view text, char separator) {
    if (separator == ',') {
        appendCell(out, text);
        return;
    }
    const bool bom = text.size() >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF';
    if (!bom && text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos) {
        out += text;
        return;
    }
    appendQuoted(out, text);
}

std::string cell(const std::string& text) {
    std::string out;
    appendCell(out, text);
    return out;
}

namespace {

bool startsFormula(std::string_view text) {
    return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
}

// A text that gets the leading `'`, and the one nameOfCell takes it off.
bool guarded(std::string_view text) {
    return startsFormula(text) || (text.size() > 1 && text[0] == '\'' && startsFormula(text.substr(1)));
}

}  // namespace

void appendNameCell(std::string& out, std::string_view text) {
    if (!guarded(text)) {
        appendCell(out, text);
        return;
    }
    const bool quoted = !isPlain(text);
    if (quoted) out += '"';
    out += '\'';
    for (char c : text) {
        if (quoted && c == '"') out += '"';
        out += c;
    }
    if (quoted) out += '"';
}

std::string nameCell(const std::string& text) {
    std::string out;
    appendNameCell(out, text);
    return out;
}

std::string nameOfCell(const std::string& cell) {
    return cell.size() > 1 && cell[0] == '\'' && guarded(std::string_view(cell).substr(1)) ? cell.substr(1) : cell;
}

void appendRow(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) out += ',';
        out += cells[i];
    }
    out += "\r\n";
}

}  // namespace CsvWriter
