// quorvel-data users: one line per registry record, never skipping one whose
// file is missing or damaged.
#include <iostream>

#include "cli/Commands.h"
#include "exchange/CsvWriter.h"
#include "exchange/JsonWriter.h"
#include "exchange/UserSummaries.h"

namespace cli {

int runUsers(const UsersOptions& options) {
    Diagnostics tell(std::cerr, "quorvel-data: ");
    std::vector<UserSummary> list;
    const int status = UserSummaries::read(options.dataDir, list, tell);
    if (status != kOk && list.empty()) return status;  // the folder could not be read
    if (options.json) {
        JsonWriter::users(list, std::cout);
    } else {
        // A row at a time: a registry may hold very long texts.
        std::string row;
        CsvWriter::appendRow(row, {"id", "first_name", "last_name", "file", "entries", "first_reading",
                                   "last_reading", "status"});
        std::cout << row;
        for (const UserSummary& s : list) {
            std::string counts;
            for (const auto& c : s.counts) counts += (counts.empty() ? "" : "; ") + c.first + "=" + std::to_string(c.second);
            row.clear();
            row.reserve(s.record.id.size() + s.record.first.size() + s.record.last.size() + s.record.file.size() +
                        counts.size() + s.status.size() + 128);
            CsvWriter::appendCell(row, s.record.id);
            for (const std::string* name : {&s.record.first, &s.record.last, &s.record.file}) {
                row += ',';
                CsvWriter::appendNameCell(row, *name);
            }
            CsvWriter::appendRow(row, {std::string(), CsvWriter::cell(counts), s.firstReading, s.lastReading,
                                       CsvWriter::cell(s.status)});
            std::cout << row;
        }
    }
    return status;
}

}  // namespace cli
