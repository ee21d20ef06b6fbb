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
        std::cout << JsonWriter::users(list);
    } else {
        std::string out;
        CsvWriter::appendRow(out, {"id", "first_name", "last_name", "file", "entries", "first_reading",
                                   "last_reading", "status"});
        for (const UserSummary& s : list) {
            std::string counts;
            for (const auto& c : s.counts) counts += (counts.empty() ? "" : "; ") + c.first + "=" + std::to_string(c.second);
            CsvWriter::appendRow(out, {CsvWriter::cell(s.record.id), CsvWriter::nameCell(s.record.first),
                                       CsvWriter::nameCell(s.record.last), CsvWriter::cell(s.record.file),
                                       CsvWriter::cell(counts), s.firstReading, s.lastReading,
                                       CsvWriter::cell(s.status)});
        }
        std::cout << out;
    }
    std::cout.flush();
    return status;
}

}  // namespace cli
