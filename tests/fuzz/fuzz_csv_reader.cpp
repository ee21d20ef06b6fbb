// libFuzzer target for the CSV reader of quorvel-data: any bytes are either
// refused with a reason or read into rows that write back and read again
// to the same cells; read a record at a time, they give the same rows or
// the same refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<CsvRow> rows;
    std::string error;
    const bool parsed = CsvReader::parse(text, rows, error);
    std::istringstream in(text);
    CsvReader reader(in);
    CsvRow row;
    std::string streamError;
    std::size_t streamed = 0;
    int read = 0;
    while ((read = reader.next(row, streamError)) == 1) {
        if (parsed && (streamed >= rows.size() || row.cells != rows[streamed].cells || row.line != rows[streamed].line))
            std::abort();
        ++streamed;
    }
    if ((read < 0) == parsed || (parsed && streamed != rows.size())) std::abort();
    if (!parsed) {
        if (error.empty() || !rows.empty()) std::abort();
        return 0;
    }
    std::string written;
    std::vector<std::vector<std::string>> kept;
    for (const CsvRow& row : rows) {
        if (row.line < 1 || row.cells.empty()) std::abort();
        // A lone empty cell writes as a blank line, which reads as nothing.
        if (row.cells.size() == 1 && row.cells[0].empty()) continue;
        std::vector<std::string> cells;
        for (const std::string& c : row.cells) cells.push_back(CsvWriter::cell(c));
        CsvWriter::appendRow(written, cells);
        kept.push_back(row.cells);
    }
    std::vector<CsvRow> again;
    if (!CsvReader::parse(written, again, error) || again.size() != kept.size()) std::abort();
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (again[i].cells != kept[i]) std::abort();
    return 0;
}
