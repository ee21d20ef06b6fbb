#include "exchange/FolderCheck.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <set>

#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "exchange/Utf8Text.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "rules/units/Units.h"
#include "store/ConflictCopy.h"
#include "store/VariableTable.h"
#include "store/Global.h"

namespace {

// A stored number: wholly a number, and finite.
bool isNumber(const std::string& text, double& value) {
    return EntryRules::readValue(text, value) == EntryRules::ValueRead::Number && std::isfinite(value);
}

class Checker {
public:
    explicit Checker(const DataFolder& folder) : folder_(folder) {}

    void add(const std::string& file, int line, const std::string& variable, const std::string& entry,
             const std::string& message, bool leftover = false) {
        findings.push_back({folder_.path() + file, line, variable, entry, message, leftover});
    }

    // A range limit must be empty or a number; low must not be above high.
    void checkRanges(const std::string& file, const VariableReadings& v) {
        std::map<std::string, std::map<std::string, double>> limits;  // member -> limit -> value
        for (const char* name : {"normalLow", "normalHigh", "panicLow", "panicHigh"}) {
            const XmlNode* limit = v.node->first_node(name);
            if (!limit) continue;
            auto one = [&](const std::string& member, const std::string& text) {
                if (text.empty()) return;
                double value = 0;
                if (!isNumber(text, value)) {
                    std::string message = name;
                    if (!member.empty()) message.append(" ").append(member);
                    message.append(" \"").append(text).append("\" is not a number");
                    add(file, 0, v.name, "", message);
                }
                else
                    limits[member][name] = value;
            };
            if (limit->first_node()) {
                for (const XmlNode* c = limit->first_node(); c; c = c->next_sibling())
                    one(std::string(c->name(), c->name_size()), Global::textOf(c));
            } else {
                one("", Global::textOf(limit));
            }
        }
        for (const auto& m : limits) {
            const std::string member = m.first.empty() ? "" : " " + m.first;
            for (const auto& pair : {std::make_pair("normalLow", "normalHigh"), std::make_pair("panicLow", "panicHigh")}) {
                auto low = m.second.find(pair.first), high = m.second.find(pair.second);
                if (low != m.second.end() && high != m.second.end() && low->second > high->second)
                    add(file, 0, v.name, "",
                        std::string(pair.first).append(member).append(" is above ").append(pair.second).append(member));
            }
        }
    }

    // Entries may be in any order (a reading entered later for an earlier
    // day); what is wrong is a date, time or value that cannot be read, a
    // day after today, and two readings at one time that disagree.
    void checkEntries(const std::string& file, const VariableReadings& v, const EntryRules::Tomorrow& today) {
        std::vector<std::pair<std::int64_t, std::size_t>> byTime;  // key, index of a readable entry
        for (const EntryReading& e : v.entries) {
            std::tm when{};
            const EntryRules::Refusal read = EntryRules::readWhen(e.date, e.time, when);
            if (read != EntryRules::Refusal::NotRefused) {
                add(file, 0, v.name, e.id,
                    "date \"" + std::string(e.date) + "\" and time \"" + e.time + "\" cannot be read (" +
                        (read == EntryRules::Refusal::DateUnreadable ? "date unreadable"
                         : read == EntryRules::Refusal::BadRange       ? "no such date or time"
                                                             : "time unreadable") +
                        ")");
            } else {
                byTime.push_back({e.key, static_cast<std::size_t>(&e - v.entries.data())});
                if (EntryRules::afterTomorrow(when, today))
                    add(file, 0, v.name, e.id, "entry is dated after today (" + std::string(e.date) + ")");
            }
            readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
                double value = 0;
                const std::string stored(text);
                const std::string name = member.empty() ? std::string("value") : std::string(member);
                if (!isNumber(stored, value)) {
                    add(file, 0, v.name, e.id, std::string(name).append(" \"").append(stored).append("\" is not a number"));
                    return;
                }
                // What the entry window asks about and the imports refuse.
                const Variable* known = VariableTable::find(v.name);
                const VariableMember* m = known ? known->member(member.empty() ? "value" : member) : nullptr;
                if (m && Plausibility::outside(m->label, value))
                    add(file, 0, v.name, e.id,
                        name + " " + Plausibility::shortNumber(value) + " is outside what can be measured on a person (" +
                            Plausibility::shortNumber(m->plausibleLow) + " to " +
                            Units::withUnit(Plausibility::shortNumber(m->plausibleHigh), known->fileUnit) + ")");
            });
            // The note and the blood pressure details, as every import checks them.
            const EntryRules::Refusal detail = EntryRules::refusalOf(ReadingDetails::of(e.node).check(v.name));
            if (detail != EntryRules::Refusal::NotRefused)
                add(file, 0, v.name, e.id, EntryRules::refusal(detail).reason);
        }
        std::stable_sort(byTime.begin(), byTime.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 1; i < byTime.size(); ++i) {
            const EntryReading& earlier = v.entries[byTime[i - 1].second];
            const EntryReading& e = v.entries[byTime[i].second];
            if (byTime[i].first == byTime[i - 1].first && readings::valuesOf(e) != readings::valuesOf(earlier))
                add(file, 0, v.name, e.id,
                    "another reading at the same time (" +
                        (std::string(earlier.id).empty() ? std::string(e.date) + " " + e.time
                                                         : "entry " + std::string(earlier.id)) +
                        ") has another value; only the one stored last is counted");
        }
    }

    std::vector<Finding> findings;

private:
    const DataFolder& folder_;
};

}  // namespace

int FolderCheck::run(const std::string& dataDir, std::vector<Finding>& findings, Diagnostics& tell) {
    findings.clear();
    DataFolder folder;
    const Expected<void> opened = folder.open(dataDir);
    if (!opened) {
        tell.error() << opened.error().reason << std::endl;
        return exchange::kProblem;
    }
    Checker checker(folder);
    // Tomorrow as of yesterday: a reading dated after it is dated after today.
    const EntryRules::Tomorrow today = EntryRules::tomorrowOf(std::time(nullptr) - 24 * 60 * 60);
    std::set<std::string> ids, named;
    for (const UserRecord& r : folder.users()) {
        const std::string where = "user " + r.id;
        if (!ids.insert(r.id).second) checker.add("config.hma", r.line, "", "", "duplicate id " + r.id);
        named.insert(r.file);
        if (!Utf8Text::valid(r.first) || !Utf8Text::valid(r.last) || !Utf8Text::valid(r.file))
            checker.add("config.hma", r.line, "", "", where + ": its name or file holds text that is not UTF-8");
        if (!Global::isSafeFileName(r.file)) {
            checker.add("config.hma", r.line, "", "", where + ": data file name \"" + r.file + "\" is not a plain file name");
            continue;
        }
        const std::string problem = folder.fileProblem(r);
        if (!problem.empty()) {
            checker.add("config.hma", r.line, "", "", std::string(where).append(": ").append(problem));
            // The program's own files are not read as a user's.
            if (problem.find("program's own") != std::string::npos) continue;
        }
        if (!platform::isRegularFile(folder.path() + r.file)) {
            checker.add("config.hma", r.line, "", "", where + ": its data file " + r.file + " is missing");
            continue;
        }
        XmlDocument doc;
        std::vector<char> text;
        if (const Expected<void> loaded = folder.loadFile(r.file, doc, text); !loaded) {
            const std::string& error = loaded.error().reason;
            checker.add(r.file, 0, "", "", "not well-formed: " + error.substr(error.find(": ") + 2));
            continue;
        }
        const XmlNode* patient = doc->first_node("patient");
        if (!patient) {
            checker.add(r.file, 0, "", "", "no patient element");
            continue;
        }
        const std::string fileId = Global::attributeText(patient, "id");
        if (fileId != r.id)
            checker.add(r.file, 0, "", "", "patient id " + fileId + " differs from the registry's id " + r.id);
        if (!Utf8Text::valid(std::string_view(text.data(), text.size())))
            for (int line : folder.notUtf8Lines(r.file)) checker.add(r.file, line, "", "", "text that is not UTF-8");
        const UserReadings user = readings::read(r, patient);
        for (const VariableReadings& v : user.variables) {
            checker.checkRanges(r.file, v);
            checker.checkEntries(r.file, v, today);
        }
    }
    // Files of the folder that no record names: a user's file stays after
    // the user is removed, and is kept as .old when the id is given again;
    // both are listed, neither is a fault.
    std::vector<std::string> names;
    std::string error;
    if (!platform::listFolder(folder.path(), names, error))
        checker.add("", 0, "", "", error + "; its files were not all checked");
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name == "config.hma" || named.count(name)) continue;
        const std::string original = ConflictCopy::originalOf(name);
        if (!original.empty()) {
            // Readings of the other computer are in the copy until it is merged.
            checker.add(name, 0, "", "", "conflict copy of " + original + " left by " + ConflictCopy::toolOf(name) +
                                             "; merge it with \"quorvel-data merge\" or by opening Quorvel");
            continue;
        }
        const bool dataFile = name.size() > 4 && name.compare(name.size() - 4, 4, ".hma") == 0;
        const bool old = name.find(".hma.") != std::string::npos || name.find(".old") != std::string::npos ||
                         name.find(".tmp") != std::string::npos;
        if (dataFile)
            checker.add(name, 0, "", "", "user file that no registry record names (kept after its user was removed)",
                        true);
        else if (old)
            checker.add(name, 0, "", "", "leftover file (not used by the program)", true);
    }

    findings = std::move(checker.findings);
    return problems(findings) ? exchange::kProblem : exchange::kOk;
}

int FolderCheck::problems(const std::vector<Finding>& findings) {
    int errors = 0;
    for (const Finding& f : findings) errors += f.leftover ? 0 : 1;
    return errors;
}
