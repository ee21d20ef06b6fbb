#include "exchange/CsvReader.h"

std::size_t CsvReader::utf8Length(const unsigned char* p, std::size_t left) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned int min = 0, code = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (n > left) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

bool CsvReader::parse(const std::string& text, std::vector<CsvRow>& rows, std::string& error) {
    return parseFrom(text, 1, rows, error);
}

bool CsvReader::parseFrom(const std::string& text, int firstLine, std::vector<CsvRow>& rows, std::string& error,
                          char separator) {
    rows.clear();
    const std::size_t size = text.size();
    std::size_t i = 0;
    if (firstLine == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
    int line = firstLine;
    auto fail = [&](int at, const std::string& reason) {
        error = "line " + std::to_string(at) + ": " + reason;
        rows.clear();
        return false;
    };

    while (i < size) {
        CsvRow row;
        row.line = line;
        const std::size_t recordStart = i;
        std::string cell;
        bool endOfRecord = false;
        while (!endOfRecord) {
            cell.clear();
            if (i < size && text[i] == '"') {
                const int quoteLine = line;
                ++i;
                for (;;) {
                    if (i >= size) return fail(quoteLine, "a quoted field is not closed");
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < size && text[i + 1] == '"') {
                            cell += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n') ++line;
                    if (c == '\0') return fail(line, "the text holds a zero byte");
                    const std::size_t n = utf8Length(reinterpret_cast<const unsigned char*>(&text[i]), size - i);
                    if (n == 0) return fail(line, "the text is not UTF-8");
                    cell.append(text, i, n);
                    i += n;
                    if (i - recordStart > kMaxRecord)
                        return fail(row.line, "the record is longer than " + std::to_string(kMaxRecord) + " bytes");
                }
                if (i < size && text[i] != separator && text[i] != '\n' && !(text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') &&
                    !(text[i] == '\r' && i + 1 == size))
                    return fail(line, "text follows a closing quote");
            } else {
                while (i < size && text[i] != separator && text[i] != '\n' &&
                       !(text[i] == '\r' && (i + 1 == size || text[i + 1] == '\n'))) {
                    // A run of plain ASCII is taken in one piece.
                    std::size_t end = i;
                    while (end < size && static_cast<unsigned char>(text[end]) >= 0x20 &&
                           static_cast<unsigned char>(text[end]) < 0x80 && text[end] != separator && text[end] != '"')
                        ++end;
                    if (end > i) {
                        if (end - recordStart > kMaxRecord)
                            return fail(row.line, "the record is longer than " + std::to_string(kMaxRecord) + " bytes");
                        cell.append(text, i, end - i);
                        i = end;
                        continue;
                    }
                    const char c = text[i];
                    if (c == '"') return fail(line, "a quote inside a field that does not start with one");
                    if (c == '\0') return fail(line, "the text holds a zero byte");
                    const std::size_t n = utf8Length(reinterpret_cast<const unsigned char*>(&text[i]), size - i);
                    if (n == 0) return fail(line, "the text is not UTF-8");
                    cell.append(text, i, n);
                    i += n;
                    if (i - recordStart > kMaxRecord)
                        return fail(row.line, "the record is longer than " + std::to_string(kMaxRecord) + " bytes");
                }
            }
            row.cells.push_back(cell);
            if (i >= size) {
                endOfRecord = true;
            } else if (text[i] == separator) {
                ++i;
            } else {
                if (text[i] == '\r') ++i;
                ++i;  // the line feed
                ++line;
                endOfRecord = true;
            }
        }
        // A blank line is one empty cell: skipped.
        if (!(row.cells.size() == 1 && row.cells[0].empty() && text[recordStart] != '"')) rows.push_back(row);
    }
    return true;
}

int CsvReader::next(CsvRow& row, std::string& error) {
    constexpr std::size_t kBlock = 64 * 1024;
    std::vector<CsvRow> rows;
    for (;;) {
        // The record ends at the first line feed outside quotes, or a CR
        // not followed by one (a doubled quote inside a quoted field turns
        // quoting off and on again).
        std::size_t end = std::string::npos;
        std::size_t scanTo = text_.size();
        for (std::size_t i = scanned_; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == '"') {
                quoted_ = !quoted_;
            } else if (c == '\n' && !quoted_) {
                end = i + 1;
                break;
            } else if (c == '\r' && !quoted_) {
                if (i + 1 == text_.size() && in_.good()) {
                    scanTo = i;  // the next block tells whether a line feed follows
                    break;
                }
                if (i + 1 == text_.size() || text_[i + 1] != '\n') {
                    end = i + 1;
                    break;
                }
            }
        }
        const bool ended = end == std::string::npos && !in_.good();
        if (end == std::string::npos && !ended) {
            scanned_ = scanTo;
            // Longer than any record: refused before the rest is read (a
            // byte-order mark and a CR LF do not count).
            if (scanned_ - start_ > kMaxRecord + 5) {
                error = "line " + std::to_string(line_) + ": the record is longer than " + std::to_string(kMaxRecord) +
                        " bytes";
                return -1;
            }
            text_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
            char block[kBlock];
            in_.read(block, kBlock);
            text_.append(block, static_cast<std::size_t>(in_.gcount()));
            if (in_.bad()) {
                error = "cannot be read";
                return -1;
            }
            continue;
        }
        if (ended) end = text_.size();
        if (end == start_) return 0;  // nothing left
        std::string record = text_.substr(start_, end - start_);
        const int firstLine = line_;
        for (std::size_t i = 0; i < record.size(); ++i)
            line_ += record[i] == '\n' || (record[i] == '\r' && (i + 1 == record.size() || record[i + 1] != '\n')) ? 1 : 0;
        // A record ended by a CR alone is read as one ended by a line feed.
        if (!record.empty() && record.back() == '\r') record.back() = '\n';
        if (separator_ == 0) {
            bool quoted = false;
            separator_ = ',';
            for (char c : record) {
                if (c == '"') quoted = !quoted;
                if (c == ';' && !quoted) separator_ = ';';
            }
        }
        start_ = scanned_ = end;
        quoted_ = false;
        // The whole text's rules, applied to this record (on line 1, a byte-order mark is skipped).
        if (!parseFrom(record, firstLine, rows, error, separator_)) return -1;
        if (!rows.empty()) {
            row = std::move(rows[0]);
            return 1;
        }
    }
}
