// Writes comma-separated text as RFC 4180 describes it (CRLF line ends,
// fields quoted when they hold a comma, a quote or a line break), and keeps
// spreadsheets from running names as formulas.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace CsvWriter {

// One field, quoted when it needs to be (a comma, a quote, a line break,
// or a leading byte-order mark).
std::string cell(const std::string& text);

// True when the text is written as it is (cell() would not quote it).
bool isPlain(std::string_view text);

// The same, appended to out.
void appendCell(std::string& out, std::string_view text);
// The same for cells separated by another character (';'), quoted when they hold it.
void appendCell(std::string& out, std::string_view text, char separator);

// A name: a leading `=`, `+`, `-` or `@` would make a spreadsheet run it as
// a formula, so such a name gets a leading `'` (and so does a name that
// already starts with `'` and one of those, so that reading it back is
// exact). Then quoted as cell().
std::string nameCell(const std::string& text);

// The same, appended to out.
void appendNameCell(std::string& out, std::string_view text);

// A name cell as read back: the `'` that nameCell put in front taken off.
std::string nameOfCell(const std::string& cell);

// Appends one record of ready-made cells and its CRLF.
void appendRow(std::string& out, const std::vector<std::string>& cells);

}  // namespace CsvWriter
