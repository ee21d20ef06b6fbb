#include "exchange/ReadingsExport.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "app/NumberText.h"
#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"
#include "exchange/JsonWriter.h"
#include "exchange/SelectedUsers.h"
#include "exchange/Utf8Text.h"
#include "exchange/fhir/FhirBundle.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/units/Units.h"

namespace {

const char* kHeader[] = {"user_id",  "first_name", "last_name", "variable", "member",
                         "datetime", "value",      "unit",      "entry_id"};
// The columns of the readings' details, after those above when any reading put out has one.
const char* kDetailHeader[] = {"note", "arm", "position", "irregular"};

// The fewest bytes a readable entry takes in a file's text as loaded (blanks
// between tags and the names of closing tags dropped):
// <entry><date>1/1/1</><time>1:1:1AM</></>
constexpr std::size_t kSmallestEntry = 40;
// How much of the text standard output is given at a time.
constexpr std::size_t kPiece = 1 << 16;
// How many rows ahead the copy in time order asks for its rows.
constexpr std::size_t kAhead = 8;

// Pairs of a time and a place (an index or an offset), sorted by time.
using Order = std::vector<std::pair<std::int64_t, std::size_t>>;

// Sorts by key, keeping the given order among equal keys: a radix sort by
// 11-bit digits of the distance from the smallest key (an export sorts one
// pair per reading; digits this small keep each pass within the caches).
void sortByKey(Order& order) {
    if (order.size() < 2 || std::is_sorted(order.begin(), order.end())) return;
    std::int64_t low = order[0].first, high = order[0].first;
    for (const auto& o : order) {
        low = std::min(low, o.first);
        high = std::max(high, o.first);
    }
    const std::uint64_t range = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    constexpr int kBits = 11;
    constexpr std::size_t kDigits = std::size_t(1) << kBits;
    Order other(order.size());
    std::vector<std::size_t> start(kDigits + 1);
    for (int shift = 0; shift < 64 && (range >> shift) != 0; shift += kBits) {
        auto digitOf = [low, shift](std::int64_t key) {
            return static_cast<std::size_t>(((static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(low)) >> shift) &
                                            (kDigits - 1));
        };
        std::fill(start.begin(), start.end(), 0);
        for (const auto& o : order) ++start[digitOf(o.first) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (const auto& o : order) other[start[digitOf(o.first)]++] = o;
        order.swap(other);
    }
}

// Appends the end of one CSV row: member, datetime, value, unit and entry
// id, and the line end (the cells of user and variable come before it).
void appendRowEnd(std::string& out, std::string_view member, std::string_view when, std::string_view text,
                  std::string_view unit, std::string_view id) {
    // Most rows need no quoting: they are put together in one piece (units are plain).
    char line[256];
    const std::size_t size = member.size() + when.size() + text.size() + unit.size() + id.size() + 6;
    if (size <= sizeof line && CsvWriter::isPlain(member) && CsvWriter::isPlain(text) && CsvWriter::isPlain(id)) {
        char* p = line;
        auto put = [&p](std::string_view part) {
            if (part.empty()) return;  // an empty view may hold no pointer at all
            std::memcpy(p, part.data(), part.size());
            p += part.size();
        };
        put(member);
        *p++ = ',';
        put(when);
        *p++ = ',';
        put(text);
        *p++ = ',';
        put(unit);
        *p++ = ',';
        put(id);
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, static_cast<std::size_t>(p - line));
        return;
    }
    CsvWriter::appendCell(out, member);
    out += ',';
    out += when;
    out += ',';
    CsvWriter::appendCell(out, text);
    out += ',';
    out += unit;
    out += ',';
    CsvWriter::appendCell(out, id);
    out += "\r\n";
}

// A text of a file that holds bytes that are not UTF-8, made UTF-8.
std::string_view utf8(std::string_view text, bool repair, std::string& kept) {
    if (!repair || Utf8Text::valid(text)) return text;
    kept = Utf8Text::repaired(text);
    return kept;
}

// Whatever a file holds, the text put out is UTF-8: other bytes become
// U+FFFD, told with their file and line. The names of the registry are
// repaired here; for each user, whether the texts of its file need it.
std::vector<bool> repairTexts(SelectedUsers& selected, Diagnostics& tell) {
    std::vector<bool> repair(selected.users.size(), false);
    for (std::size_t i = 0; i < selected.users.size(); ++i) {
        UserRecord& r = selected.users[i].record;
        if (!Utf8Text::valid(r.first) || !Utf8Text::valid(r.last)) {
            tell.error() << selected.folder.path() << "config.hma:" << r.line << ": user " << r.id
                         << ": text that is not UTF-8, written with U+FFFD" << std::endl;
            r.first = Utf8Text::repaired(r.first);
            r.last = Utf8Text::repaired(r.last);
        }
        repair[i] = !selected.validText(i);
        if (repair[i]) Utf8Text::warn(tell, selected.folder.path() + r.file, selected.folder.notUtf8Lines(r.file));
    }
    return repair;
}

// The readings asked for: the variables and days of the request, and only
// entries whose date and time can be read (each other one is told, and
// makes the export's status kProblem).
class ChosenReadings {
public:
    ChosenReadings(const ExportRequest& request, const std::string& folder, int status, Diagnostics& tell)
        : request_(request), wanted_(request.variables.begin(), request.variables.end()), folder_(folder),
          status_(status), tell_(tell) {}

    bool variable(const VariableReadings& v) const { return wanted_.empty() || wanted_.count(v.name) != 0; }

    bool entry(const UserReadings& u, const VariableReadings& v, const EntryReading& e) {
        if (!e.readable) {
            tell_.error() << folder_ << u.record.file << ": variable " << v.name << ": entry " << e.id
                          << ": its date or time cannot be read; left out" << std::endl;
            status_ = exchange::kProblem;
            return false;
        }
        const int day = ReadingsExport::dayKey(e.typedYear, e.when.tm_mon + 1, e.when.tm_mday);
        if ((request_.fromDay && day < request_.fromDay) || (request_.toDay && day > request_.toDay)) return false;
        if (!request_.grep.empty() && !ReadingDetails::of(e.node).noteHolds(request_.grep)) return false;
        ++count_;
        return true;
    }

    int status() const { return status_; }
    // The entries chosen so far: each is asked about once.
    std::size_t count() const { return count_; }

private:
    const ExportRequest& request_;
    std::set<std::string> wanted_;
    const std::string& folder_;
    int status_;
    Diagnostics& tell_;
    std::size_t count_ = 0;
};

// False (told) when a variable asked for is one no chosen user has.
bool variablesKnown(const std::vector<std::string>& variables, const SelectedUsers& selected, Diagnostics& tell) {
    for (const std::string& v : variables) {
        bool known = false;
        for (const UserReadings& u : selected.users)
            for (const VariableReadings& var : u.variables) known = known || var.name == v;
        if (!known) {
            tell.error() << "no chosen user has a variable \"" << v << "\"; nothing written" << std::endl;
            return false;
        }
    }
    return true;
}

// The chosen readings of each user, each variable's in time order. The
// users' records are moved into them (a long name is not held twice), and
// each variable's entries in file order are given back once sorted, so that
// the entries are held about once.
std::vector<UserReadings> inTimeOrder(SelectedUsers& selected, ChosenReadings& chosen) {
    std::vector<UserReadings> users;
    for (UserReadings& u : selected.users) {
        UserReadings copy;
        for (VariableReadings& v : u.variables) {
            if (!chosen.variable(v)) continue;
            VariableReadings variable;
            variable.name = v.name;
            variable.node = v.node;
            Order order;
            for (const EntryReading& e : v.entries)
                if (chosen.entry(u, v, e)) order.push_back({e.key, static_cast<std::size_t>(&e - v.entries.data())});
            sortByKey(order);
            variable.entries.reserve(order.size());
            for (const auto& o : order) variable.entries.push_back(v.entries[o.second]);
            std::vector<EntryReading>().swap(v.entries);
            copy.variables.push_back(std::move(variable));
        }
        copy.record = std::move(u.record);
        users.push_back(std::move(copy));
    }
    return users;
}

// The JSON or FHIR text of the chosen readings, written as it is made: given
// to the stream a piece at a time, or held in out. False when the stream
// cannot be written.
bool writeJson(const ExportRequest& request, SelectedUsers& selected, ChosenReadings& chosen, std::string& out,
               std::ostream* stream) {
    // Each user's file element, for the FHIR Patient's name, birth date and gender.
    std::vector<const XmlNode*> patients;
    for (const UserReadings& u : selected.users)
        patients.push_back(u.variables.empty() ? nullptr : u.variables.front().node->parent());
    const std::vector<UserReadings> users = inTimeOrder(selected, chosen);
    if (!stream) out.reserve(selected.fileBytes());
    if (request.fhir) {
        JsonStream json(out, stream, '\t', 1);
        FhirBundle::write(users, patients, json);
        return json.finish();
    }
    JsonStream json(out, stream, ' ', 2);
    JsonWriter::exportUsers(users, request.units, json);
    return json.finish();
}

// The CSV rows of the chosen entries, made in file order, where the files'
// texts are read one after the other, to be put out in time order (sorting
// small pairs of time and place is much cheaper than rows). Each entry's
// rows are kept after their length in bytes and the number of their
// variable's cells. The cells that repeat are made once, kept apart from
// the rows: a user's id and names once per user, the variable's name once
// per variable. A long name is never copied into every row.
struct CsvRows {
    std::string inFileOrder;
    Order order;  // time, place in inFileOrder
    std::vector<std::string> userCells;
    std::vector<std::pair<std::size_t, std::string>> variableCells;  // user, "variable,"
    std::size_t wholeSize = 128;  // the text put out, header and all
    bool withDetails = false;     // a row has a note, arm, position or flag

    // Space is set aside by the size of the files' texts, about what the
    // rows take (it grows when they take more; space never used costs nothing).
    explicit CsvRows(std::size_t fileBytes) {
        inFileOrder.reserve(fileBytes);
        order.reserve(fileBytes / kSmallestEntry);
    }

    // "id,first,last," of a user.
    void addUser(const UserRecord& record) {
        std::string cells;
        cells.reserve(record.id.size() + record.first.size() + record.last.size() + 16);
        CsvWriter::appendCell(cells, record.id);
        for (const std::string* name : {&record.first, &record.last}) {
            cells += ',';
            CsvWriter::appendNameCell(cells, *name);
        }
        cells += ',';
        userCells.push_back(std::move(cells));
    }

    // "variable," of the last user's variable.
    void addVariable(std::string_view name) {
        std::string cells;
        CsvWriter::appendNameCell(cells, name);
        cells += ',';
        variableCells.push_back({userCells.size() - 1, std::move(cells)});
    }

    // One row of the last variable: its end, after its length and the number
    // of its cells (twice it, plus one when the row ends with its details'
    // cells, given as ",note,arm,position,irregular" or empty).
    void addRow(std::int64_t key, std::string_view member, std::string_view when, std::string_view value,
                std::string_view unit, std::string_view id, const std::string& details) {
        const std::size_t place = inFileOrder.size();
        const std::size_t prefix = 2 * (variableCells.size() - 1) + (details.empty() ? 0 : 1);
        inFileOrder.append(2 * sizeof(std::size_t), '\0');
        appendRowEnd(inFileOrder, member, when, value, unit, id);
        if (!details.empty()) {
            inFileOrder.resize(inFileOrder.size() - 2);
            inFileOrder += details;
            inFileOrder += "\r\n";
            withDetails = true;
        }
        const std::size_t length = inFileOrder.size() - place - 2 * sizeof length;
        std::memcpy(&inFileOrder[place], &length, sizeof length);
        std::memcpy(&inFileOrder[place + sizeof length], &prefix, sizeof prefix);
        order.push_back({key, place});
        wholeSize += userCells.back().size() + variableCells.back().second.size() + length;
    }
};

// The rows of a user's variable, in the unit the preferences show, which
// the rows name. The user's cells are made with its first row.
void addVariableRows(CsvRows& rows, const UserReadings& u, const VariableReadings& v, bool repair, bool& userMade,
                     ChosenReadings& chosen, const Units::Preferences& shownUnits, const ExportRequest& sheet) {
    // A file has its own decimal mark (a spreadsheet the desktop's), not the one the windows show.
    Units::Preferences units = shownUnits;
    units.decimalComma = false;
    bool variableMade = false;
    const Units::Quantity quantity = Units::quantityOf(v.name);
    const bool convert = !Units::isStored(quantity, units);
    const std::string_view unit = Units::shown(quantity, units).ucum;
    std::string converted;
    std::string kept[4];
    for (const XmlNode* node = v.node->first_node("entry", 5); node; node = node->next_sibling("entry", 5)) {
        const EntryReading e = readings::readEntry(node);
        if (!chosen.entry(u, v, e)) continue;
        if (!userMade) {
            rows.addUser(u.record);
            userMade = true;
        }
        if (!variableMade) {
            rows.addVariable(utf8(v.name, repair, kept[0]));
            variableMade = true;
        }
        char whenText[32];
        const std::string_view when(whenText, readings::isoText(e, whenText));
        // A spreadsheet reads a date and time with a blank between them in every language.
        if (sheet.spreadsheet && when.size() > 10 && whenText[10] == 'T') whenText[10] = ' ';
        const std::string_view id = utf8(e.id, repair, kept[1]);
        const ReadingDetails details = ReadingDetails::of(node);
        std::string detailCells;
        if (!details.empty()) {
            // A note is free text: kept from running as a formula, as a name is.
            std::string keptNote;
            detailCells += ',';
            CsvWriter::appendNameCell(detailCells, utf8(details.note, repair, keptNote));
            for (const std::string* cell : {&details.arm, &details.position}) {
                detailCells += ',';
                CsvWriter::appendCell(detailCells, *cell);
            }
            detailCells += details.irregular ? ",yes" : ",";
        }
        readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
            std::string_view value = utf8(text, repair, kept[3]);
            double number = 0;
            if (sheet.spreadsheet && NumberText::readFinite(value, number, NumberText::typed())) {
                // As the windows show it: 70.5, not 70.500000072.
                converted = Units::readingText(quantity, number, units);
                if (sheet.decimalComma)
                    for (char& c : converted)
                        if (c == '.') c = ',';
                value = converted;
            } else if (convert) {
                converted = Units::shownText(quantity, std::string(value), units, Units::kExchangeDecimals);
                value = converted;
            }
            rows.addRow(e.key, utf8(member, repair, kept[2]), when, value, unit, id, detailCells);
        });
    }
}

// Puts the rows out in time order after the header: a text kept whole in
// out, or given to the stream a piece at a time. False when the stream
// cannot be written (a full disk): it takes nothing more.
bool putCsv(const CsvRows& rows, bool bom, std::string& out, std::ostream* stream) {
    const bool whole = stream == nullptr;
    out.reserve(whole ? rows.wholeSize : 2 * kPiece);
    if (bom) out += "\xEF\xBB\xBF";
    std::vector<std::string> header(std::begin(kHeader), std::end(kHeader));
    if (rows.withDetails) header.insert(header.end(), std::begin(kDetailHeader), std::end(kDetailHeader));
    CsvWriter::appendRow(out, header);
    const Order& order = rows.order;
    const std::string& inFileOrder = rows.inFileOrder;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // The rows are read in an order of their own: asking for them a
        // little ahead hides the wait for memory.
        if (i + kAhead < order.size()) __builtin_prefetch(inFileOrder.data() + order[i + kAhead].second);
        std::size_t length = 0, prefix = 0;
        std::memcpy(&length, inFileOrder.data() + order[i].second, sizeof length);
        std::memcpy(&prefix, inFileOrder.data() + order[i].second + sizeof length, sizeof prefix);
        const bool ownDetails = (prefix & 1) != 0;
        prefix /= 2;
        const std::string& user = rows.userCells[rows.variableCells[prefix].first];
        if (!whole && user.size() > kPiece) {
            // A long name goes to the stream as it is, never through the buffer.
            stream->write(out.data(), static_cast<std::streamsize>(out.size()));
            stream->write(user.data(), static_cast<std::streamsize>(user.size()));
            out.clear();
        } else {
            out += user;
        }
        out += rows.variableCells[prefix].second;
        if (rows.withDetails && !ownDetails) {
            // Empty detail cells before the line end.
            out.append(inFileOrder, order[i].second + 2 * sizeof length, length - 2);
            out += ",,,,\r\n";
        } else {
            out.append(inFileOrder, order[i].second + 2 * sizeof length, length);
        }
        if (!whole && out.size() >= kPiece) {
            stream->write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
            if (!*stream) return false;
        }
    }
    return true;
}

// The CSV of the chosen readings (see putCsv).
bool writeCsv(const ExportRequest& request, const SelectedUsers& selected, const std::vector<bool>& repair,
              ChosenReadings& chosen, std::string& out, std::ostream* stream) {
    CsvRows rows(selected.fileBytes());
    for (std::size_t i = 0; i < selected.users.size(); ++i) {
        bool userMade = false;
        for (const VariableReadings& v : selected.users[i].variables)
            if (chosen.variable(v))
                addVariableRows(rows, selected.users[i], v, repair[i], userMade, chosen, request.units, request);
    }
    sortByKey(rows.order);
    if (!request.spreadsheet) return putCsv(rows, request.bom, out, stream);
    // For a spreadsheet: the rows made whole, then written again with the
    // separator the person's spreadsheet reads.
    std::string whole;
    putCsv(rows, false, whole, nullptr);
    std::vector<CsvRow> records;
    std::string error;
    if (!CsvReader::parse(whole, records, error)) return false;
    std::string().swap(whole);
    const char separator = request.decimalComma ? ';' : ',';
    out = "\xEF\xBB\xBF";
    for (const CsvRow& r : records) {
        for (std::size_t k = 0; k < r.cells.size(); ++k) {
            if (k) out += separator;
            CsvWriter::appendCell(out, r.cells[k], separator);
        }
        out += "\r\n";
        if (stream && out.size() >= kPiece) {
            stream->write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
            if (!*stream) return false;
        }
    }
    return true;
}

}  // namespace

int ReadingsExport::write(const ExportRequest& request, std::string& out, std::ostream* stream, Diagnostics& tell,
                          std::size_t* readings) {
    out.clear();
    if (readings) *readings = 0;
    const bool json = request.json || request.fhir;
    SelectedUsers selected;
    const int status = selected.load(request.dataDir, request.users, tell,
                                     json ? readings::Depth::WithEntries : readings::Depth::VariablesOnly);
    if (status != exchange::kOk) return status;
    const std::vector<bool> repair = repairTexts(selected, tell);
    if (!variablesKnown(request.variables, selected, tell)) return exchange::kProblem;
    ChosenReadings chosen(request, selected.folder.path(), status, tell);
    if (json) {
        if (!writeJson(request, selected, chosen, out, stream)) return exchange::kProblem;
    } else if (!writeCsv(request, selected, repair, chosen, out, stream)) {
        return exchange::kProblem;
    }
    if (stream) {
        stream->write(out.data(), static_cast<std::streamsize>(out.size()));
        out.clear();
    }
    if (readings) *readings = chosen.count();
    return chosen.status();
}
