#include "exchange/ReadingsImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <streambuf>

#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"
#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "exchange/Utf8Text.h"
#include "app/NumberText.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "rules/time/LocalDayClock.h"
#include "rules/units/Units.h"

namespace {

const std::vector<std::string> kExportHeader = {"user_id",  "first_name", "last_name", "variable", "member",
                                                "datetime", "value",      "unit",      "entry_id"};
// The export's form with the readings' details after those columns.
const std::vector<std::string> kDetailHeader = {"user_id",  "first_name", "last_name", "variable",  "member",
                                                "datetime", "value",      "unit",      "entry_id",  "note",
                                                "arm",      "position",   "irregular"};
// The export's form before it named units: its values are in the files' units.
const std::vector<std::string> kUnitlessHeader = {"user_id",  "first_name", "last_name", "variable",
                                                  "member",   "datetime",   "value",     "entry_id"};

// A file opened through the platform (UTF-8 paths on every system), read
// as a stream a block at a time.
class FileInput : public std::streambuf {
public:
    explicit FileInput(const std::string& path) : file_(platform::openFile(path, "rb")) {}
    ~FileInput() override {
        if (file_) std::fclose(file_);
    }
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;
    bool opened() const { return file_ != nullptr; }
    // A read error puts the stream reading through this buffer in its bad state.
    void tellErrorsTo(std::istream& stream) { stream_ = &stream; }

protected:
    int_type underflow() override {
        const std::size_t n = std::fread(block_, 1, sizeof block_, file_);
        // A read error reaches the stream as its bad state.
        if (n == 0 && std::ferror(file_)) {
            if (stream_) stream_->setstate(std::ios_base::badbit);
            return traits_type::eof();
        }
        if (n == 0) return traits_type::eof();
        setg(block_, block_, block_ + n);
        return traits_type::to_int_type(block_[0]);
    }

private:
    std::FILE* file_;
    std::istream* stream_ = nullptr;
    char block_[65536] = {};
};

// One entry to be made: the user's file it goes to, its variable, its time
// and its value texts by member ("" for a single value).
struct Pending {
    int line = 0;  // -1: refused as a whole
    std::size_t target = 0;
    std::string variable;
    std::string datetime;
    std::string entryId;
    std::string userId;
    std::map<std::string, std::string> values;
    const Units::Unit* unit = nullptr;  // the unit of the values
    ReadingDetails details;
};

// An accepted reading: what its entry stores (the plan's values; the rest
// of the plan is not kept, for the memory of a file of many).
struct Accepted {
    std::string variable, date, time;
    std::vector<EntryRules::StoredValue> values;
    ReadingDetails details;
};

// A user's file that readings go to, with what it already holds.
struct Target {
    UserRecord record;
    XmlDocument own;
    XmlDocument* doc = &own;  // the window's open document, or own read from the file
    bool open = false;        // doc is the window's open document
    std::vector<char> text;
    XmlNode* patient = nullptr;
    std::set<std::string> known;  // variables a reading may go to
    // Readings recorded (and accepted so far): variable -> time -> values.
    std::map<std::string, std::map<std::int64_t, std::map<std::string, std::string>>> recorded;
    std::vector<Accepted> accepted;
};

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// Longest text of the file a finding quotes: a cell may be a megabyte.
constexpr std::size_t kMaxQuoted = 40;

std::string quoted(const std::string& text) {
    if (text.size() <= kMaxQuoted) return text;
    return Utf8Text::cut(text, kMaxQuoted) + "...";
}

// Earliest year a reading may carry.
constexpr int kEarliestYear = 1900;

// A time as spreadsheets write it back ("05.03.2026 08:30", "5.3.2026
// 8:30:15", "2026-03-05 08:30") in the ISO form the import reads; any
// other text unchanged.
std::string isoTimeOf(const std::string& text) {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    char dot1 = 0, dot2 = 0, colon = 0, extra = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%2d%c%2d%c%4d %2d%c%2d%n", &day, &dot1, &month, &dot2, &year, &hour, &colon,
                    &minute, &used) == 8 &&
        dot1 == '.' && dot2 == '.' && colon == ':' && text.find('.') <= 2) {
        const std::string rest = text.substr(static_cast<std::size_t>(used));
        if (!rest.empty() && !(rest[0] == ':' && std::sscanf(rest.c_str(), ":%2d%c", &second, &extra) == 1 &&
                               rest.size() == 3))
            return text;
        char iso[40];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
        return iso;
    }
    return text;
}

// The member names a variable's values are stored under ("" for `value`).
const std::vector<std::string>& membersOf(const std::string& variable) {
    static std::map<std::string, std::vector<std::string>> known;
    auto found = known.find(variable);
    if (found != known.end()) return found->second;
    std::vector<std::string>& members = known[variable];
    for (const std::string& label : EntryRules::valueLabels(variable)) {
        const std::string element = EntryRules::elementName(label);
        members.push_back(element == "value" ? std::string() : element);
    }
    return members;
}

std::set<std::string> variableNames(const XmlNode* patient) {
    std::set<std::string> names;
    for (const XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable"))
        if (v->first_attribute()) names.insert(std::string(v->first_attribute()->value(), v->first_attribute()->value_size()));
    return names;
}

std::string personText(const std::string& first, const std::string& last, const std::string& id) {
    return first + " " + last + " (id " + id + ")";
}

// The import: the rows read into entries for their users' files, then each
// entry planned against its file, then the files written.
class Import {
public:
    Import(const ImportRequest& request, Diagnostics& tell) : request_(request), tell_(tell) {}

    int run(ImportSummary& summary);

private:
    // Opens the folder and (unless a dry run) takes its lock; with a user
    // given, makes that user's file the first target.
    bool openFolder(int& status);
    // The target of a record, its file read; nullptr after telling why not.
    Target* targetFor(const UserRecord& record, std::size_t& index);
    // The person a row of the export goes to: false (the row refused) when
    // it names someone else.
    bool personOf(const CsvRow& row, const std::string& first, const std::string& last, std::size_t& target,
                  bool& failed);
    void addExportRow(const CsvRow& row, bool& failed);
    void addPlainRow(const CsvRow& row, bool first);
    // A reading another format's reader made; all of one person.
    void addReading(ImportReading&& reading);
    // The people another format's file says it holds, against the user.
    void comparePeople();
    // The CSV's rows, or the readings another format's reader made, into
    // pending_, the folder opened: kOk, or the status of what stopped it (told).
    int readRows();
    int takeReadings();
    // With a variable given for one user: false (told) when the user's file cannot hold it.
    bool variableKnown();
    void plan(const Pending& p, const EntryRules::Tomorrow& tomorrow);
    bool write();

    void refuse(int line, const std::string& reason) {
        // A reason quoting a huge cell is told in part.
        constexpr std::size_t kMaxReason = 400;
        tell_.finding() << request_.file << (request_.readings ? ": " + request_.placeName + " " : ":") << line
                        << ": " << (reason.size() > kMaxReason ? Utf8Text::cut(reason, kMaxReason) + "..." : reason)
                        << std::endl;
        ++refused_;
    }
    void refusePerson(int line, const std::string& reason) {
        refuse(line, reason);
        ++otherPerson_;
    }

    const ImportRequest& request_;
    Diagnostics& tell_;
    DataFolder folder_;
    std::set<std::string> templateVariables_;
    std::vector<std::unique_ptr<Target>> targets_;
    std::vector<Pending> pending_;
    bool withUnits_ = false;  // the export's form names each value's unit
    bool withDetails_ = false;  // and gives each reading's details
    std::string rowPerson_;  // with --allow-other-person, or of another format: the person the readings are of
    std::string separatorNote_;  // ", the file uses ';' between values"
    int refused_ = 0;
    int implausible_ = 0;
    int otherPerson_ = 0;
    int present_ = 0;
    std::map<std::string, ImportSummary::Counts> counts_;
};

bool Import::openFolder(int& status) {
    status = exchange::kProblem;
    UserRecord user;
    if (request_.user.empty()) {
        const Expected<void> opened = folder_.open(request_.dataDir);
        if (!opened) {
            tell_.error() << opened.error().reason << std::endl;
            return false;
        }
    } else {
        Expected<UserRecord> opened = folder_.openUser(request_.dataDir, request_.user, false);
        if (!opened) {
            tell_.error() << opened.error().reason << std::endl;
            return false;
        }
        user = std::move(*opened);
    }
    // The window works under the lock the program took at start-up.
    if (!request_.dryRun && !request_.openDocument.doc) {
        const Expected<void> locked = folder_.lock();
        if (!locked) {
            tell_.error() << locked.error().reason << "; nothing written" << std::endl;
            return false;
        }
    }
    XmlDocument templateDoc;
    std::vector<char> templateText;
    if (folder_.loadFile("template_new.xml", templateDoc, templateText))
        templateVariables_ = variableNames(templateDoc->first_node("patient"));
    std::size_t index = 0;
    if (!request_.user.empty() && !targetFor(user, index)) return false;
    status = exchange::kOk;
    return true;
}

Target* Import::targetFor(const UserRecord& record, std::size_t& index) {
    for (index = 0; index < targets_.size(); ++index)
        if (targets_[index]->record.line == record.line && targets_[index]->record.id == record.id)
            return targets_[index].get();
    const std::string problem = folder_.fileProblem(record);
    if (!problem.empty()) {
        tell_.error() << folder_.path() << "config.hma: line " << record.line << ": user " << record.id << ": "
                      << problem << "; nothing written" << std::endl;
        return nullptr;
    }
    auto target = std::make_unique<Target>();
    target->record = record;
    if (request_.openDocument.doc && record.file == request_.openDocument.file) {
        target->doc = request_.openDocument.doc;
        target->open = true;
    } else if (const Expected<void> loaded = folder_.loadFile(record.file, target->own, target->text); !loaded) {
        tell_.error() << loaded.error().reason << std::endl;
        return nullptr;
    }
    target->patient = (*target->doc)->first_node("patient");
    if (!target->patient) {
        tell_.error() << folder_.path() << record.file << ": line 1: no patient element" << std::endl;
        return nullptr;
    }
    // Variables a reading may go to: the user's own, and those the template gives every new user.
    target->known = variableNames(target->patient);
    target->known.insert(templateVariables_.begin(), templateVariables_.end());
    // A reading stored at a time the clock skips (02:30 as daylight saving
    // begins) is the reading another program gives at the instant that time
    // stands for (03:30): known under that time too.
    LocalDayClock clock;
    std::vector<std::pair<std::string, std::pair<std::int64_t, std::map<std::string, std::string>>>> skipped;
    for (const XmlNode* v = target->patient->first_node("variable"); v; v = v->next_sibling("variable")) {
        if (!v->first_attribute()) continue;
        const std::string name(v->first_attribute()->value(), v->first_attribute()->value_size());
        auto& times = target->recorded[name];
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            const EntryReading entry = readings::readEntry(e);
            if (!entry.readable) continue;
            times.emplace(entry.key, readings::valuesOf(entry));
            std::tm shown{};
            if (entry.typedYear >= 1970 && clock.skipped(entry.when, shown))
                skipped.push_back({name, {readings::keyOf(shown, shown.tm_year + 1900), readings::valuesOf(entry)}});
        }
    }

    for (auto& s : skipped) target->recorded[s.first].emplace(s.second.first, std::move(s.second.second));
    targets_.push_back(std::move(target));
    return targets_.back().get();
}

bool Import::personOf(const CsvRow& row, const std::string& first, const std::string& last, std::size_t& target,
                      bool& failed) {
    const std::string& id = row.cells[0];
    if (!request_.user.empty()) {
        target = 0;
        const UserRecord& user = targets_[0]->record;
        if (request_.otherPerson) {
            // Readings copied into a re-created record: all of one person.
            const std::string person = personText(first, last, id);
            if (rowPerson_.empty()) rowPerson_ = person;
            if (person == rowPerson_) return true;
            refusePerson(row.line, "the file holds the readings of more than one person (" + rowPerson_ + ", " + person + ")");
            return false;
        }
        if (id == user.id && first == user.first && last == user.last) return true;
        refusePerson(row.line, "the row is for " + personText(first, last, id) + ", not " +
                                   personText(user.first, user.last, user.id));
        return false;
    }
    // A whole-folder restore: the row's own person, as the registry has them.
    const UserRecord* found = nullptr;
    for (const UserRecord& r : folder_.users())
        if (r.id == id) {
            if (found) {
                refusePerson(row.line, "the registry holds more than one person with the id " + id);
                return false;
            }
            found = &r;
        }
    if (!found) {
        refusePerson(row.line, "the row is for " + personText(first, last, id) + ", and the registry has no id " + id);
        return false;
    }
    if (found->first != first || found->last != last) {
        refusePerson(row.line, "the row is for " + personText(first, last, id) + ", but the registry's id " + id +
                                   " is " + found->first + " " + found->last);
        return false;
    }
    if (!targetFor(*found, target)) failed = true;
    return !failed;
}

// The export gives one row per value, so the rows of one entry (same user,
// variable, time and entry id) come together.
void Import::addExportRow(const CsvRow& row, bool& failed) {
    const std::vector<std::string>& c = row.cells;
    const std::size_t columns =
        withDetails_ ? kDetailHeader.size() : withUnits_ ? kExportHeader.size() : kUnitlessHeader.size();
    if (c.size() != columns) {
        refuse(row.line, "expected " + std::to_string(columns) + " columns, found " + std::to_string(c.size()) +
                             separatorNote_);
        return;
    }
    const std::string variable = CsvWriter::nameOfCell(c[3]);
    if (!request_.variable.empty() && variable != request_.variable) return;
    // Values are in the unit the row names (the files' own in the older form).
    const Units::Quantity quantity = Units::quantityOf(variable);
    const std::string unitCode = withUnits_ ? c[7] : Units::stored(quantity).ucum;
    const std::string& entryId = withUnits_ ? c[8] : c[7];
    const Units::Unit* unit = Units::byCode(quantity, unitCode);
    if (!unit) {
        refuse(row.line, "unknown unit \"" + quoted(unitCode) + "\" for " + quoted(variable));
        return;
    }
    ReadingDetails details;
    if (withDetails_) {
        details.note = CsvWriter::nameOfCell(c[9]);
        details.arm = c[10];
        details.position = c[11];
        details.irregular = c[12] == "yes";
        if (!details.irregular && !c[12].empty()) {
            refuse(row.line, "irregular \"" + quoted(c[12]) + "\" is neither yes nor empty");
            return;
        }
    }
    std::size_t target = 0;
    if (!personOf(row, CsvWriter::nameOfCell(c[1]), CsvWriter::nameOfCell(c[2]), target, failed)) return;
    Pending* last = pending_.empty() ? nullptr : &pending_.back();
    if (!(last && last->line > 0 && last->target == target && last->userId == c[0] && last->variable == variable &&
          last->datetime == isoTimeOf(c[5]) && last->entryId == entryId && last->unit == unit)) {
        pending_.push_back(Pending());
        last = &pending_.back();
        last->line = row.line;
        last->target = target;
        last->userId = c[0];
        last->variable = variable;
        last->datetime = isoTimeOf(c[5]);
        last->entryId = entryId;
        last->unit = unit;
        last->details = details;
    } else if (last->details != details) {
        refuse(row.line, "the rows of one entry give it different notes, arms, positions or flags");
        last->line = -1;  // refused as a whole
        return;
    }
    if (last->values.count(c[4])) {
        refuse(row.line, "the entry holds a " + (c[4].empty() ? std::string("value") : c[4]) + " twice");
        last->line = -1;  // refused as a whole
        return;
    }
    last->values[c[4]] = c[6];
}

void Import::addPlainRow(const CsvRow& row, bool first) {
    const std::vector<std::string>& c = row.cells;
    if (first && !c.empty() && (c[0] == "datetime" || c[0] == "\xEF\xBB\xBF" "datetime")) return;  // a header row
    const std::vector<std::string>& members = membersOf(request_.variable);
    const std::size_t wantedColumns = 1 + members.size();
    if (c.size() < 2 || c.size() > wantedColumns) {
        refuse(row.line, "expected " + std::to_string(wantedColumns) + " columns for " + request_.variable + ", found " +
                             std::to_string(c.size()) + separatorNote_);
        return;
    }
    Pending p;
    p.line = row.line;
    p.variable = request_.variable;
    // Plain rows are in the units the person chose.
    p.unit = &Units::shown(Units::quantityOf(p.variable), request_.units);
    p.datetime = isoTimeOf(c[0]);
    for (std::size_t k = 1; k < c.size(); ++k) p.values[members[k - 1]] = c[k];
    pending_.push_back(std::move(p));
}

void Import::addReading(ImportReading&& r) {
    if (!request_.variable.empty() && r.variable != request_.variable) return;
    if (!r.refusal.empty()) {
        refuse(r.place, r.refusal);
        return;
    }
    if (pending_.empty()) rowPerson_ = r.userId;
    if (r.userId != rowPerson_) {
        refusePerson(r.place, "the file holds the readings of more than one person (" + rowPerson_ + ", " + r.userId +
                                  ")");
        return;
    }
    Pending p;
    p.line = r.place;
    p.variable = std::move(r.variable);
    p.datetime = std::move(r.datetime);
    p.values = std::move(r.values);
    p.userId = r.userId;
    p.details = r.details;
    pending_.push_back(std::move(p));
}

namespace {

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// "1950/3/7" as "1950-03-07"; empty when it is not a date.
std::string isoDay(const std::string& date) {
    int y = 0, m = 0, d = 0;
    char extra = 0;
    if (std::sscanf(date.c_str(), "%d/%d/%d%c", &y, &m, &d, &extra) != 3) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

}  // namespace

void Import::comparePeople() {
    if (!request_.people) return;
    const UserRecord& user = targets_[0]->record;
    const XmlNode* info = targets_[0]->patient ? targets_[0]->patient->first_node("info") : nullptr;
    const XmlNode* dob = info ? info->first_node("dob") : nullptr;
    const std::string born = dob ? isoDay(std::string(dob->value(), dob->value_size())) : std::string();
    for (const ImportPerson& person : *request_.people) {
        std::string differs;
        if (!person.id.empty() && person.id != user.id) differs = "id " + quoted(person.id);
        if ((!person.first.empty() || !person.last.empty()) &&
            !(sameText(person.first, user.first) && sameText(person.last, user.last)))
        {
            std::string name = quoted(person.first);
            name.append(" ").append(quoted(person.last));
            if (!differs.empty()) name.append(" (").append(differs).append(")");
            differs = std::move(name);
        }
        if (!person.born.empty() && !born.empty() && person.born != born)
            differs.append(differs.empty() ? "" : ", ").append("born ").append(quoted(person.born));
        if (differs.empty()) continue;
        if (request_.otherPerson) {
            tell_.finding() << request_.file << ": " << request_.placeName << " " << person.place << ": the file is for "
                         << differs << "; its readings go to " << personText(user.first, user.last, user.id)
                         << " as asked" << std::endl;
            continue;
        }
        refusePerson(person.place, "the file is for " + differs + ", not " + personText(user.first, user.last, user.id) +
                                       (born.empty() ? "" : " born " + born));
    }
}

void Import::plan(const Pending& p, const EntryRules::Tomorrow& tomorrow) {
    Target& target = *targets_[p.target];
    if (!target.known.count(p.variable)) {
        refuse(p.line, "no variable \"" + p.variable + "\" in " + target.record.file);
        return;
    }
    const std::vector<std::string>& members = membersOf(p.variable);
    std::string stray;
    for (const auto& v : p.values)
        if (std::find(members.begin(), members.end(), v.first) == members.end()) stray = v.first;
    if (!stray.empty() || (members.size() == 1 && p.values.count("") == 0)) {
        refuse(p.line, "\"" + quoted(stray) + "\" is not a member of " + p.variable);
        return;
    }
    std::tm when{};
    if (!readings::readIsoTime(p.datetime, when)) {
        refuse(p.line, "the datetime \"" + quoted(p.datetime) +
                           "\" is not of the form 2026-03-05T08:30:00 (or 05.03.2026 08:30)");
        return;
    }
    if (when.tm_year + 1900 < kEarliestYear) {
        refuse(p.line, "the year " + p.datetime.substr(0, 4) + " is before " + std::to_string(kEarliestYear));
        return;
    }
    // Numbers as a person writes them: no exponent (the entry's checks refuse
    // the hexadecimal form and any other text).
    for (const auto& v : p.values) {
        double value = 0;
        if (NumberText::read(v.second, value, NumberText::stored()) == NumberText::Result::Read &&
            NumberText::read(v.second, value, NumberText::typed()) == NumberText::Result::Unreadable) {
            refuse(p.line, "the " + (v.first.empty() ? std::string("value") : v.first) + " \"" + quoted(v.second) +
                               "\" is not a number written with decimals");
            return;
        }
    }
    Accepted a;
    a.variable = p.variable;
    a.date = readings::windowDate(when);
    a.time = readings::windowTime(when);
    std::vector<EntryRules::ValueField> fields;
    const std::vector<std::string> labels = EntryRules::valueLabels(p.variable);
    for (std::size_t k = 0; k < labels.size(); ++k) {
        auto found = p.values.find(members[k]);
        std::string text = found == p.values.end() ? std::string() : found->second;
        double value = 0;
        // Checked and stored in the files' unit.
        if (p.unit && EntryRules::readValue(text, value) == EntryRules::ValueRead::Number && std::isfinite(value))
            text = EntryRules::valueText(Units::fromUnit(value, *p.unit));
        fields.push_back({labels[k], labels[k], text});
    }
    EntryRules::EntryPlan plan =
        EntryRules::planEntry(p.variable, a.date, a.time, fields, tomorrow, Units::Preferences(), p.details);
    if (!plan.accepted()) {
        // The data tool has no buttons: the reason alone.
        refuse(p.line, oneLine(EntryRules::refusal(plan.refused, plan.field).reason));
        return;
    }
    // What the entry window asks about before storing, the import refuses unless asked to store it.
    for (const EntryRules::StoredValue& v : plan.values)
        if (!request_.implausible && Plausibility::outside(v.series, v.value)) {
            refuse(p.line, Plausibility::importReason(v.series, v.value, p.unit, request_.units));
            ++implausible_;
            return;
        }
    std::map<std::string, std::string> values;
    for (const EntryRules::StoredValue& v : plan.values)
        values[v.element == "value" ? std::string() : v.element] = v.text;
    auto& times = target.recorded[p.variable];
    const auto placed = times.emplace(readings::keyOf(plan.when, when.tm_year + 1900), values);
    if (!placed.second) {
        // The same reading is there already; another one at that time is never merged with it.
        if (placed.first->second == values) {
            ++present_;
            ++counts_[p.variable].present;
        } else {
            refuse(p.line, "a reading at that time with another value exists");
        }
        return;
    }
    ++counts_[p.variable].accepted;
    a.values = std::move(plan.values);
    a.details = std::move(plan.details);
    target.accepted.push_back(std::move(a));
}

bool Import::write() {
    for (const std::unique_ptr<Target>& target : targets_) {
        if (target->accepted.empty()) continue;
        RapidDocument& d = target->doc->get();
        for (Accepted& a : target->accepted) {
            EntryRules::EntryPlan plan;
            plan.refused = EntryRules::Refusal::NotRefused;
            plan.values = std::move(a.values);
            plan.details = std::move(a.details);
            EntryRules::appendEntry(d, EntryRules::variableFor(d, target->patient, a.variable), plan, a.date, a.time);
        }
        if (target->open) {
            // Saved as the window saves: a failure is shown there, the readings stay in the document.
            if (!request_.openDocument.save()) {
                tell_.error() << folder_.path() << target->record.file << ": the readings could not be saved" << std::endl;
                return false;
            }
        } else if (const Expected<void> saved = folder_.save(target->record.file, *target->doc); !saved) {
            tell_.error() << saved.error().reason << std::endl;
            return false;
        }
    }
    return true;
}

bool Import::variableKnown() {
    if (request_.variable.empty() || targets_[0]->known.count(request_.variable)) return true;
    tell_.error() << folder_.path() << targets_[0]->record.file << ": no variable \"" << request_.variable
                  << "\"; nothing written" << std::endl;
    return false;
}

int Import::readRows() {
    const std::string& file = request_.file;
    FileInput fileInput(request_.input ? std::string() : file);
    std::istream fromFile(&fileInput);
    fileInput.tellErrorsTo(fromFile);
    if (!request_.input && !fileInput.opened()) {
        tell_.error() << file << ": cannot be read" << std::endl;
        return exchange::kProblem;
    }
    std::istream& in = request_.input ? *request_.input : fromFile;
    CsvReader reader(in, 0);
    CsvRow row;
    std::string error;
    auto readRow = [&]() {
        const int read = reader.next(row, error);
        if (read < 0)
            tell_.error() << file << ": " << error
                          << (error.find("not UTF-8") != std::string::npos
                                  ? " (a spreadsheet's Windows-1252 text?): save it again as \"CSV UTF-8\""
                                  : "")
                          << "; nothing written" << std::endl;
        return read;
    };
    int read = readRow();
    if (read < 0) return exchange::kProblem;
    if (reader.separator() == ';') separatorNote_ = "; the file uses ';' between values";
    // A byte-order mark before the header, as spreadsheets write it.
    if (read == 1 && !row.cells.empty() && row.cells[0].compare(0, 3, "\xEF\xBB\xBF") == 0) row.cells[0].erase(0, 3);
    withDetails_ = read == 1 && row.cells == kDetailHeader;
    withUnits_ = withDetails_ || (read == 1 && row.cells == kExportHeader);
    const bool exportForm = withUnits_ || (read == 1 && row.cells == kUnitlessHeader);
    if (!exportForm && request_.variable.empty()) {
        tell_.error() << file << ": not the export's CSV (its header row is missing" << separatorNote_
                      << "); give --variable for datetime,value rows" << std::endl;
        return exchange::kUsage;
    }
    if (!exportForm && request_.user.empty()) {
        tell_.error() << file << ": datetime,value rows need --user to say whose they are" << std::endl;
        return exchange::kUsage;
    }
    int status = exchange::kOk;
    if (!openFolder(status)) return status;
    if (!exportForm && !variableKnown()) return exchange::kProblem;
    if (exportForm) read = readRow();
    for (bool first = true; read == 1; first = false, read = readRow()) {
        bool failed = false;
        if (exportForm)
            addExportRow(row, failed);
        else
            addPlainRow(row, first);
        if (failed) return exchange::kProblem;
    }
    return read < 0 ? exchange::kProblem : exchange::kOk;
}

int Import::takeReadings() {
    if (request_.user.empty()) {
        tell_.error() << request_.file << ": its readings need --user to say whose they are" << std::endl;
        return exchange::kUsage;
    }
    int status = exchange::kOk;
    if (!openFolder(status)) return status;
    if (!variableKnown()) return exchange::kProblem;
    comparePeople();
    // Taken over one by one, and the reader's list given back: a file of
    // a hundred thousand readings is held once.
    pending_.reserve(pending_.size() + request_.readings->size());
    for (ImportReading& r : *request_.readings) addReading(std::move(r));
    std::vector<ImportReading>().swap(*request_.readings);
    if (request_.untoldRefusals > 0) {
        tell_.finding() << request_.file << ": and " << request_.untoldRefusals << " more "
                        << request_.placeName << "s refused, not told one by one" << std::endl;
        refused_ += static_cast<int>(request_.untoldRefusals);
    }
    return exchange::kOk;
}

int Import::run(ImportSummary& summary) {
    summary = ImportSummary();
    const int status = request_.readings ? takeReadings() : readRows();
    if (status != exchange::kOk) return status;

    const EntryRules::Tomorrow tomorrow = EntryRules::tomorrowOf(std::time(nullptr));
    if (targets_.size() == 1) targets_[0]->accepted.reserve(pending_.size());
    for (const Pending& p : pending_)
        if (p.line > 0) plan(p, tomorrow);
    // What was read is planned: only the plans are kept while the file grows.
    std::vector<Pending>().swap(pending_);
    for (const std::unique_ptr<Target>& target : targets_) target->recorded.clear();

    std::size_t accepted = 0;
    for (const std::unique_ptr<Target>& target : targets_) accepted += target->accepted.size();
    // Rows of another person are never left behind by --skip-bad: the file was meant for someone else.
    const bool blocked = otherPerson_ > 0 || (refused_ > 0 && !request_.skipBad);
    const bool writing = !request_.dryRun && accepted > 0 && !blocked;
    if (writing && !write()) return exchange::kProblem;
    summary.accepted = accepted;
    summary.present = present_;
    summary.refused = refused_;
    summary.otherPerson = otherPerson_;
    summary.implausible = implausible_;
    summary.byVariable = counts_;
    summary.written = writing;
    summary.done = true;
    return refused_ > 0 ? exchange::kProblem : exchange::kOk;
}

}  // namespace

int ReadingsImport::run(const ImportRequest& request, ImportSummary& summary, Diagnostics& tell) {
    Import import(request, tell);
    return import.run(summary);
}
