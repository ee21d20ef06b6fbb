// quorvel-data users: one line per registry record, never skipping one whose
// file is missing or damaged.
#include <algorithm>
#include <iostream>

#include "cli/Commands.h"
#include "cli/CsvWriter.h"
#include "cli/JsonWriter.h"
#include "platform/Platform.h"

namespace cli {

int runUsers(const UsersOptions& options) {
    DataFolder folder;
    std::string error;
    if (!folder.open(options.dataDir, error)) {
        std::cerr << "quorvel-data: " << error << std::endl;
        return kProblem;
    }
    std::vector<UserSummary> list;
    int status = kOk;
    for (const UserRecord& r : folder.users()) {
        UserSummary s;
        s.record = r;
        XmlDocument doc;
        std::vector<char> text;
        if (!platform::isRegularFile(folder.path() + r.file)) {
            s.status = "missing file";
        } else if (!folder.loadFile(r.file, doc, text, error)) {
            s.status = "damaged file: " + error;
        } else if (!doc->first_node("patient")) {
            s.status = "damaged file: no patient element";
        } else {
            s.status = "ok";
            const UserReadings user = readings::read(r, doc->first_node("patient"));
            const EntryReading* first = nullptr;
            const EntryReading* last = nullptr;
            for (const VariableReadings& v : user.variables) {
                s.counts.push_back({v.name, static_cast<int>(v.entries.size())});
                for (const EntryReading& e : v.entries) {
                    if (e.readable != 0) continue;
                    if (!first || e.key < first->key) first = &e;
                    if (!last || e.key > last->key) last = &e;
                }
            }
            if (first) s.firstReading = readings::isoText(*first);
            if (last) s.lastReading = readings::isoText(*last);
        }
        if (s.status != "ok") {
            std::cerr << "quorvel-data: " << folder.path() << "config.hma: line " << r.line << ": user " << r.id
                      << ": " << s.status << std::endl;
            status = kProblem;
        }
        list.push_back(s);
    }
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
