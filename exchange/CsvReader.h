// Reads comma-separated text as RFC 4180 describes it, strictly: fields
// may be quoted (a doubled quote inside stands for one), records end with
// CRLF or LF (a stream's records also with a CR alone, as old spreadsheets
// write them), the text must be UTF-8. A stream may be read with the
// separator its first record uses (';' where a spreadsheet writes a decimal
// comma). A UTF-8 byte-order mark at the start
// is skipped and blank lines are ignored. Knows nothing of what the cells
// mean.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

struct CsvRow {
    int line = 0;  // the line the record starts on, from 1
    std::vector<std::string> cells;
};

class CsvReader {
public:
    // Longest record accepted; a longer one is refused, never cut.
    static constexpr std::size_t kMaxRecord = 64 * 1024;

    // Reads records from in one at a time, holding no more than one record
    // (and a block) of the text: a record longer than kMaxRecord is refused
    // as soon as that much of it has been read.
    explicit CsvReader(std::istream& in) : in_(in) {}
    // separator 0: ';' when the first record holds one outside quotes, ',' otherwise.
    CsvReader(std::istream& in, char separator) : in_(in), separator_(separator) {}

    // The separator the records are read with (0 until the first is read, when detected).
    char separator() const { return separator_; }

    // 1: row holds the next record; 0: the text has ended; -1: a fault, told
    // in error as parse tells it ("line L: reason"), or the text cannot be
    // read.
    int next(CsvRow& row, std::string& error);

    // Parses the whole text into rows. False with error "line L: reason"
    // (and rows cleared) at the first fault: a quote left open, text after a
    // closing quote, a quote inside an unquoted field, bytes that are not
    // UTF-8, a zero byte, or a record longer than kMaxRecord.
    static bool parse(const std::string& text, std::vector<CsvRow>& rows, std::string& error);

    // The length of the valid UTF-8 sequence at p (at most `left` bytes), or
    // 0 when the bytes there are not UTF-8.
    static std::size_t utf8Length(const unsigned char* p, std::size_t left);

private:
    // parse, with the text's first line numbered firstLine.
    static bool parseFrom(const std::string& text, int firstLine, std::vector<CsvRow>& rows, std::string& error,
                          char separator = ',');

    std::istream& in_;
    std::string text_;       // read and not yet taken
    std::size_t start_ = 0;  // where the next record begins in text_
    std::size_t scanned_ = 0;  // how far text_ was searched for the record's end
    bool quoted_ = false;    // inside quotes at scanned_
    int line_ = 1;           // the line the next record begins on
    char separator_ = ',';
};
