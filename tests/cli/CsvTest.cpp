// The CSV reader and writer on their own: what is read from each form of
// text, which faults are refused on which line, and what is written.
#include <gtest/gtest.h>

#include <sstream>

#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"

namespace {

using Cells = std::vector<std::vector<std::string>>;

Cells cellsOf(const std::vector<CsvRow>& rows) {
    Cells cells;
    for (const CsvRow& r : rows) cells.push_back(r.cells);
    return cells;
}

TEST(CsvReader, ReadsEveryFormOfTheSameRecordsAlike) {
    const Cells expected{{"a", "b,c", "say \"hi\""}, {"1", "", "x\ny"}};
    const std::string plain = "a,\"b,c\",\"say \"\"hi\"\"\"\n1,,\"x\ny\"\n";
    std::string crlf = "a,\"b,c\",\"say \"\"hi\"\"\"\r\n1,,\"x\ny\"\r\n";
    for (const std::string& text : {plain, crlf, "\xEF\xBB\xBF" + plain, "\n" + plain + "\n\n",
                                    plain.substr(0, plain.size() - 1)}) {
        std::vector<CsvRow> rows;
        std::string error;
        ASSERT_TRUE(CsvReader::parse(text, rows, error)) << error;
        EXPECT_EQ(cellsOf(rows), expected);
        // Read a record at a time, the same rows.
        std::istringstream in(text);
        CsvReader reader(in);
        std::vector<CsvRow> streamed;
        CsvRow row;
        while (reader.next(row, error) == 1) streamed.push_back(row);
        EXPECT_EQ(cellsOf(streamed), expected) << error;
    }
}

TEST(CsvReader, RowsKnowTheLineTheyStartOn) {
    std::vector<CsvRow> rows;
    std::string error;
    ASSERT_TRUE(CsvReader::parse("a\n\n\"b\nc\"\nd\n", rows, error));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].line, 1);
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_EQ(rows[2].line, 5);
}

TEST(CsvReader, FaultsAreRefusedWithTheirLine) {
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"a,b\n\"open,c\nd\n", "line 2: a quoted field is not closed"},
        {"a,\"b\"c\n", "line 1: text follows a closing quote"},
        {"a\nb\"c\n", "line 2: a quote inside a field that does not start with one"},
        {"a\n\xff\xfe,1\n", "line 2: the text is not UTF-8"},
        {"a\n\xc0\xaf\n", "line 2: the text is not UTF-8"},   // overlong form
        {"\xed\xa0\x80\n", "line 1: the text is not UTF-8"},  // surrogate
        {"a\nb\xe2\x82", "line 2: the text is not UTF-8"},     // cut short
        {std::string("a\0b\n", 4), "line 1: the text holds a zero byte"},
        {"x\n" + std::string(10 * 1024 * 1024, '7'), "line 2: the record is longer than 65536 bytes"},
    };
    for (const auto& c : cases) {
        std::vector<CsvRow> rows;
        std::string error;
        EXPECT_FALSE(CsvReader::parse(c.text, rows, error)) << c.error;
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(rows.empty());
    }
}

TEST(CsvWriter, QuotesWhatNeedsItAndGuardsNamesAgainstFormulas) {
    EXPECT_EQ(CsvWriter::cell("72.000000"), "72.000000");
    EXPECT_EQ(CsvWriter::cell("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvWriter::cell("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvWriter::cell("-5"), "-5");  // numbers are never altered
    EXPECT_EQ(CsvWriter::cell("\xEF\xBB\xBF" "a"), "\"\xEF\xBB\xBF" "a\"");
    for (const char* name : {"=1+2", "+1", "-x", "@SUM(A1)"})
        EXPECT_EQ(CsvWriter::nameCell(name), std::string("'") + name) << name;
    EXPECT_EQ(CsvWriter::nameCell("=a,b"), "\"'=a,b\"");
    EXPECT_EQ(CsvWriter::nameCell("Ann"), "Ann");
    std::string out;
    CsvWriter::appendRow(out, {"a", "b"});
    EXPECT_EQ(out, "a,b\r\n");
}

}  // namespace
