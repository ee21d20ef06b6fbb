// quorvel-data export: the chosen readings, in time order, as CSV or JSON,
// to standard output or atomically to a file.
#include <algorithm>
#include <iostream>
#include <set>

#include "cli/Commands.h"
#include "cli/CsvWriter.h"
#include "cli/JsonWriter.h"
#include "cli/SelectedUsers.h"
#include "platform/Platform.h"
#include "store/SafeWriter.h"

namespace cli {

namespace {

const char* kHeader[] = {"user_id", "first_name", "last_name", "variable", "member", "datetime", "value", "entry_id"};

struct Row {
    std::int64_t key;
    const UserReadings* user;
    const VariableReadings* variable;
    const EntryReading* entry;
};

// Splits an output path into its folder (with separator) and file name.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.find_last_of(std::string("/") + platform::pathSeparator());
    folder = slash == std::string::npos ? std::string(".") + platform::pathSeparator() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

int dayKey(int year, int month, int day) { return year * 10000 + month * 100 + day; }

}  // namespace

int runExport(const ExportOptions& options) {
    int fromDay = 0, toDay = 0;
    int y = 0, m = 0, d = 0;
    if (!options.from.empty()) {
        if (!readings::readIsoDay(options.from, y, m, d)) {
            std::cerr << "quorvel-data: --from " << options.from << ": expected a date YYYY-MM-DD" << std::endl;
            return kUsage;
        }
        fromDay = dayKey(y, m, d);
    }
    if (!options.to.empty()) {
        if (!readings::readIsoDay(options.to, y, m, d)) {
            std::cerr << "quorvel-data: --to " << options.to << ": expected a date YYYY-MM-DD" << std::endl;
            return kUsage;
        }
        toDay = dayKey(y, m, d);
    }
    std::string outFolder, outName;
    if (!options.output.empty()) {
        splitPath(options.output, outFolder, outName);
        if (outName.empty() || !platform::pathExists(outFolder)) {
            std::cerr << "quorvel-data: " << options.output << ": the output folder does not exist; nothing written"
                      << std::endl;
            return kUsage;
        }
    }

    SelectedUsers selected;
    int status = selected.load(options.dataDir, options.users);
    if (status != kOk) return status;

    std::set<std::string> wanted(options.variables.begin(), options.variables.end());
    for (const std::string& v : options.variables) {
        bool known = false;
        for (const UserReadings& u : selected.users)
            for (const VariableReadings& var : u.variables) known = known || var.name == v;
        if (!known) {
            std::cerr << "quorvel-data: no chosen user has a variable \"" << v << "\"; nothing written" << std::endl;
            return kProblem;
        }
    }

    std::vector<Row> rows;
    for (const UserReadings& u : selected.users)
        for (const VariableReadings& v : u.variables) {
            if (!wanted.empty() && !wanted.count(v.name)) continue;
            for (const EntryReading& e : v.entries) {
                if (e.readable != 0) {
                    std::cerr << "quorvel-data: " << selected.folder.path() << u.record.file << ": variable " << v.name
                              << ": entry " << e.id << ": its date or time cannot be read; left out" << std::endl;
                    status = kProblem;
                    continue;
                }
                const int day = dayKey(e.typedYear, e.when.tm_mon + 1, e.when.tm_mday);
                if ((fromDay && day < fromDay) || (toDay && day > toDay)) continue;
                rows.push_back({e.key, &u, &v, &e});
            }
        }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.key < b.key; });

    std::string out;
    if (options.format == "json") {
        std::vector<UserReadings> chosen;
        for (const UserReadings& u : selected.users) {
            UserReadings copy;
            copy.record = u.record;
            for (const VariableReadings& v : u.variables) {
                if (!wanted.empty() && !wanted.count(v.name)) continue;
                VariableReadings variable;
                variable.name = v.name;
                variable.node = v.node;
                for (const Row& r : rows)
                    if (r.variable == &v) variable.entries.push_back(*r.entry);
                copy.variables.push_back(variable);
            }
            chosen.push_back(copy);
        }
        out = JsonWriter::exportUsers(chosen);
    } else {
        out.reserve(rows.size() * 80 + 128);
        CsvWriter::appendRow(out, std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
        std::vector<std::string> cells(8);
        for (const Row& r : rows) {
            cells[0] = CsvWriter::cell(r.user->record.id);
            cells[1] = CsvWriter::nameCell(r.user->record.first);
            cells[2] = CsvWriter::nameCell(r.user->record.last);
            cells[3] = CsvWriter::nameCell(r.variable->name);
            cells[5] = readings::isoText(*r.entry);
            cells[7] = CsvWriter::cell(r.entry->id);
            for (const StoredValue& s : r.entry->values) {
                cells[4] = CsvWriter::cell(s.member);
                cells[6] = CsvWriter::cell(s.text);
                CsvWriter::appendRow(out, cells);
            }
        }
    }

    if (options.output.empty()) {
        std::cout << out;
        std::cout.flush();
        return status;
    }
    std::string error;
    if (!SafeWriter::write(outFolder, outName, out, error)) {
        std::cerr << "quorvel-data: " << options.output << ": " << error << "; nothing written" << std::endl;
        return kProblem;
    }
    return status;
}

}  // namespace cli
