// quorvel-data export: the chosen readings, in time order, as CSV or JSON,
// to standard output or atomically to a file.
#include <algorithm>
#include <cstring>
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

using Order = std::vector<std::pair<std::int64_t, std::uint32_t>>;

// Sorts by key, keeping the given order among equal keys: a radix sort by
// 16-bit digits of the distance from the smallest key (an export sorts one
// pair per reading).
void sortByKey(Order& order) {
    if (order.size() < 2 || std::is_sorted(order.begin(), order.end())) return;
    std::int64_t low = order[0].first, high = order[0].first;
    for (const auto& o : order) {
        low = std::min(low, o.first);
        high = std::max(high, o.first);
    }
    const std::uint64_t range = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    Order other(order.size());
    for (int shift = 0; shift < 64 && (range >> shift) != 0; shift += 16) {
        std::vector<std::size_t> start(65537, 0);
        auto digitOf = [low, shift](std::int64_t key) {
            return static_cast<std::size_t>(((static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(low)) >> shift) &
                                            0xFFFF);
        };
        for (const auto& o : order) ++start[digitOf(o.first) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (const auto& o : order) other[start[digitOf(o.first)]++] = o;
        order.swap(other);
    }
}

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
    // In time order; readings of the same time keep their order in the files.
    // (Sorting small pairs of key and position is much cheaper than rows.)
    Order order(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) order[i] = {rows[i].key, static_cast<std::uint32_t>(i)};
    sortByKey(order);

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
                for (const auto& o : order)
                    if (rows[o.second].variable == &v) variable.entries.push_back(*rows[o.second].entry);
                copy.variables.push_back(variable);
            }
            chosen.push_back(copy);
        }
        out = JsonWriter::exportUsers(chosen);
    } else {
        out.reserve(rows.size() * 80 + 128);
        CsvWriter::appendRow(out, std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
        // The cells that repeat (user and variable) are made once per change.
        std::string prefix;
        const UserReadings* user = nullptr;
        const VariableReadings* variable = nullptr;
        for (const auto& o : order) {
            const Row& r = rows[o.second];
            if (r.user != user || r.variable != variable) {
                user = r.user;
                variable = r.variable;
                prefix.clear();
                CsvWriter::appendRow(prefix, {CsvWriter::cell(user->record.id), CsvWriter::nameCell(user->record.first),
                                              CsvWriter::nameCell(user->record.last),
                                              CsvWriter::nameCell(variable->name), std::string()});
                prefix.resize(prefix.size() - 2);  // without its line end, ending with the comma before member
            }
            char whenText[32];
            const std::string_view when(whenText, readings::isoText(*r.entry, whenText));
            const std::string_view id(r.entry->id);
            readings::forEachValue(*r.entry, [&](std::string_view member, std::string_view text) {
                // Most rows need no quoting: they are put together in one piece.
                char line[256];
                const std::size_t size = prefix.size() + member.size() + when.size() + text.size() + id.size() + 5;
                if (size <= sizeof line && CsvWriter::isPlain(member) && CsvWriter::isPlain(text) &&
                    CsvWriter::isPlain(id)) {
                    char* p = line;
                    auto put = [&p](std::string_view part) {
                        std::memcpy(p, part.data(), part.size());
                        p += part.size();
                    };
                    put(prefix);
                    put(member);
                    *p++ = ',';
                    put(when);
                    *p++ = ',';
                    put(text);
                    *p++ = ',';
                    put(id);
                    *p++ = '\r';
                    *p++ = '\n';
                    out.append(line, static_cast<std::size_t>(p - line));
                    return;
                }
                out += prefix;
                CsvWriter::appendCell(out, member);
                out += ',';
                out += when;
                out += ',';
                CsvWriter::appendCell(out, text);
                out += ',';
                CsvWriter::appendCell(out, id);
                out += "\r\n";
            });
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
