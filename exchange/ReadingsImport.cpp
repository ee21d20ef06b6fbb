#include "exchange/ReadingsImport.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

#include "exchange/CsvReader.h"
#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "store/Global.h"

namespace {

const std::vector<std::string> kExportHeader = {"user_id",  "first_name", "last_name", "variable",
                                                "member",   "datetime",   "value",     "entry_id"};

// One entry to be made: its variable, its time and its value texts by
// member ("" for a single value).
struct Pending {
    int line = 0;
    std::string variable;
    std::string datetime;
    std::string entryId;
    std::string userId;
    std::map<std::string, std::string> values;
};

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

bool readWholeFile(const std::string& path, std::string& out) {
    std::FILE* in = platform::openFile(path, "rb");
    if (!in) return false;
    out.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.append(buffer, n);
    const bool ok = !std::ferror(in);
    std::fclose(in);
    return ok;
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

}  // namespace

int ReadingsImport::run(const ImportRequest& request, ImportSummary& summary, Diagnostics& tell) {
    summary = ImportSummary();
    const std::string& file = request.file;
    const bool fed = request.readings != nullptr;  // made by another format's reader
    std::string content;
    if (!fed && !readWholeFile(file, content)) {
        tell.error() << file << ": cannot be read" << std::endl;
        return exchange::kProblem;
    }
    std::vector<CsvRow> rows;
    std::string error;
    if (!fed && !CsvReader::parse(content, rows, error)) {
        tell.error() << file << ": " << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    content.clear();
    const bool exportForm = !rows.empty() && rows[0].cells == kExportHeader;
    if (!fed && !exportForm && request.variable.empty()) {
        tell.error() << file
                  << ": not the export's CSV (its header row is missing); give --variable for datetime,value rows"
                  << std::endl;
        return exchange::kUsage;
    }

    DataFolder folder;
    UserRecord user;
    if (!folder.openUser(request.dataDir, request.user, !request.dryRun, user, error)) {
        tell.error() << error << std::endl;
        return exchange::kProblem;
    }
    XmlDocument doc;
    std::vector<char> text;
    if (!folder.loadFile(user.file, doc, text, error)) {
        tell.error() << error << std::endl;
        return exchange::kProblem;
    }
    XmlNode* patient = doc->first_node("patient");
    if (!patient) {
        tell.error() << folder.path() << user.file << ": line 1: no patient element" << std::endl;
        return exchange::kProblem;
    }
    // Variables a reading may go to: the user's own, and those the template
    // gives every new user.
    std::set<std::string> known = variableNames(patient);
    {
        XmlDocument templateDoc;
        std::vector<char> templateText;
        std::string ignored;
        if (folder.loadFile("template_new.xml", templateDoc, templateText, ignored)) {
            const std::set<std::string> more = variableNames(templateDoc->first_node("patient"));
            known.insert(more.begin(), more.end());
        }
    }
    if (!request.variable.empty() && !known.count(request.variable)) {
        tell.error() << folder.path() << user.file << ": no variable \"" << request.variable
                  << "\"; nothing written" << std::endl;
        return exchange::kProblem;
    }

    int refused = 0;
    auto refuse = [&](int line, const std::string& reason) {
        tell.finding() << file << (fed ? ": " + request.placeName + " " : ":") << line << ": " << reason << std::endl;
        ++refused;
    };

    // Rows into entries: the export gives one row per value, so the rows of
    // one entry (same user, variable, time and entry id) come together.
    std::vector<Pending> pending;
    for (std::size_t i = exportForm ? 1 : 0; i < rows.size(); ++i) {
        const CsvRow& row = rows[i];
        const std::vector<std::string>& c = row.cells;
        if (exportForm) {
            if (c.size() != kExportHeader.size()) {
                refuse(row.line, "expected 8 columns, found " + std::to_string(c.size()));
                continue;
            }
            if (!request.variable.empty() && c[3] != request.variable) continue;
            Pending* last = pending.empty() ? nullptr : &pending.back();
            if (!(last && last->line > 0 && last->userId == c[0] && last->variable == c[3] && last->datetime == c[5] &&
                  last->entryId == c[7])) {
                pending.push_back(Pending());
                last = &pending.back();
                last->line = row.line;
                last->userId = c[0];
                last->variable = c[3];
                last->datetime = c[5];
                last->entryId = c[7];
            }
            if (last->values.count(c[4])) {
                refuse(row.line, "the entry holds a " + (c[4].empty() ? std::string("value") : c[4]) + " twice");
                last->line = -1;  // refused as a whole
                continue;
            }
            last->values[c[4]] = c[6];
        } else {
            if (i == 0 && !c.empty() && c[0] == "datetime") continue;  // a header row
            const std::size_t wantedColumns = 1 + membersOf(request.variable).size();
            if (c.size() < 2 || c.size() > wantedColumns) {
                refuse(row.line, "expected " + std::to_string(wantedColumns) + " columns for " + request.variable +
                                     ", found " + std::to_string(c.size()));
                continue;
            }
            Pending p;
            p.line = row.line;
            p.variable = request.variable;
            p.datetime = c[0];
            const std::vector<std::string>& members = membersOf(request.variable);
            for (std::size_t k = 1; k < c.size(); ++k) p.values[members[k - 1]] = c[k];
            pending.push_back(p);
        }
    }

    if (fed)
        for (const ImportReading& r : *request.readings) {
            if (!request.variable.empty() && r.variable != request.variable) continue;
            if (!r.refusal.empty()) {
                refuse(r.place, r.refusal);
                continue;
            }
            Pending p;
            p.line = r.place;
            p.variable = r.variable;
            p.datetime = r.datetime;
            p.values = r.values;
            p.userId = r.userId;
            pending.push_back(std::move(p));
        }

    // Times already recorded, per variable.
    std::map<std::string, std::set<std::int64_t>> recorded;
    for (const XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable")) {
        if (!v->first_attribute()) continue;
        std::set<std::int64_t>& keys = recorded[std::string(v->first_attribute()->value(), v->first_attribute()->value_size())];
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            std::tm when{};
            int year = 0;
            if (EntryRules::readFields(Global::childText(e, "date"), Global::childText(e, "time"), when, &year) == 0)
                keys.insert(readings::keyOf(when, year));
        }
    }

    struct Accepted {
        std::string variable, date, time;
        EntryRules::EntryPlan plan;
    };
    std::vector<Accepted> accepted;
    int present = 0;
    const std::time_t now = std::time(nullptr);
    const std::string firstUser = pending.empty() ? std::string() : pending[0].userId;
    for (const Pending& p : pending) {
        if (p.line < 0) continue;
        if (!known.count(p.variable)) {
            refuse(p.line, "no variable \"" + p.variable + "\" in " + user.file);
            continue;
        }
        if (p.userId != firstUser) {
            refuse(p.line, "the file holds the readings of more than one user (user_id " + p.userId + ")");
            continue;
        }
        const std::vector<std::string>& members = membersOf(p.variable);
        std::string stray;
        for (const auto& v : p.values)
            if (std::find(members.begin(), members.end(), v.first) == members.end()) stray = v.first;
        if (!stray.empty() || (members.size() == 1 && p.values.count("") == 0)) {
            refuse(p.line, "\"" + stray + "\" is not a member of " + p.variable);
            continue;
        }
        std::tm when{};
        if (!readings::readIsoTime(p.datetime, when)) {
            refuse(p.line, "the datetime \"" + p.datetime + "\" is not of the form 2026-03-05T08:30:00");
            continue;
        }
        Accepted a;
        a.variable = p.variable;
        a.date = readings::windowDate(when);
        a.time = readings::windowTime(when);
        std::vector<EntryRules::ValueField> fields;
        const std::vector<std::string> labels = EntryRules::valueLabels(p.variable);
        for (std::size_t k = 0; k < labels.size(); ++k) {
            auto found = p.values.find(members[k]);
            fields.push_back({labels[k], labels[k], found == p.values.end() ? std::string() : found->second});
        }
        a.plan = EntryRules::planEntry(p.variable, a.date, a.time, fields, now);
        if (a.plan.result <= 0) {
            refuse(p.line, oneLine(EntryRules::message(a.plan.result, a.plan.field)));
            continue;
        }
        std::set<std::int64_t>& keys = recorded[p.variable];
        if (!keys.insert(readings::keyOf(a.plan.when, when.tm_year + 1900)).second) {
            ++present;
            ++summary.byVariable[p.variable].present;
            continue;
        }
        ++summary.byVariable[p.variable].accepted;
        accepted.push_back(std::move(a));
    }

    const bool write = !request.dryRun && !accepted.empty() && (refused == 0 || request.skipBad);
    if (write) {
        RapidDocument& d = doc.get();
        for (const Accepted& a : accepted)
            EntryRules::appendEntry(d, EntryRules::variableFor(d, patient, a.variable), a.plan, a.date, a.time);
        if (!folder.save(user.file, doc, error)) {
            tell.error() << error << std::endl;
            return exchange::kProblem;
        }
    }
    summary.accepted = accepted.size();
    summary.present = present;
    summary.refused = refused;
    summary.written = write;
    summary.done = true;
    return refused > 0 ? exchange::kProblem : exchange::kOk;
}
