#include "exchange/FolderCheck.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <set>

#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "store/Global.h"

namespace {

// A stored number: wholly a number, and finite.
bool isNumber(const std::string& text, double& value) {
    return EntryRules::readValue(text, value) == 1 && std::isfinite(value);
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

    void checkEntries(const std::string& file, const VariableReadings& v, std::time_t now) {
        std::int64_t previous = INT64_MIN;
        for (const EntryReading& e : v.entries) {
            std::tm when{};
            const int read = EntryRules::readWhen(e.date, e.time, when);
            if (read != 0) {
                add(file, 0, v.name, e.id,
                    "date \"" + std::string(e.date) + "\" and time \"" + e.time + "\" cannot be read (" +
                        (read == EntryRules::kDateUnreadable ? "date unreadable"
                         : read == EntryRules::kBadRange     ? "no such date or time"
                                                             : "time unreadable") +
                        ")");
            } else {
                if (e.key < previous) add(file, 0, v.name, e.id, "entry is out of time order");
                previous = std::max(previous, e.key);
                if (EntryRules::afterTomorrow(when, now - 24 * 60 * 60))
                    add(file, 0, v.name, e.id, "entry is dated after today (" + std::string(e.date) + ")");
            }
            readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
                double value = 0;
                const std::string stored(text);
                if (!isNumber(stored, value))
                    add(file, 0, v.name, e.id,
                        (member.empty() ? std::string("value") : std::string(member)) + " \"" + stored +
                            "\" is not a number");
            });
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
    std::string error;
    if (!folder.open(dataDir, error)) {
        tell.error() << error << std::endl;
        return exchange::kProblem;
    }
    Checker checker(folder);
    const std::time_t now = std::time(nullptr);
    std::set<std::string> ids, named;
    for (const UserRecord& r : folder.users()) {
        const std::string where = "user " + r.id;
        if (!ids.insert(r.id).second) checker.add("config.hma", r.line, "", "", "duplicate id " + r.id);
        named.insert(r.file);
        if (!Global::isSafeFileName(r.file)) {
            checker.add("config.hma", r.line, "", "", where + ": data file name \"" + r.file + "\" is not a plain file name");
            continue;
        }
        if (!platform::isRegularFile(folder.path() + r.file)) {
            checker.add("config.hma", r.line, "", "", where + ": its data file " + r.file + " is missing");
            continue;
        }
        XmlDocument doc;
        std::vector<char> text;
        if (!folder.loadFile(r.file, doc, text, error)) {
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
        const UserReadings user = readings::read(r, patient);
        for (const VariableReadings& v : user.variables) {
            checker.checkRanges(r.file, v);
            checker.checkEntries(r.file, v, now);
        }
    }
    // Files of the folder that no record names.
    std::vector<std::string> names;
    if (!platform::listFolder(folder.path(), names, error))
        checker.add("", 0, "", "", error + "; its files were not all checked");
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name == "config.hma" || named.count(name)) continue;
        const bool dataFile = name.size() > 4 && name.compare(name.size() - 4, 4, ".hma") == 0;
        const bool old = name.find(".hma.") != std::string::npos || name.find(".old") != std::string::npos ||
                         name.find(".tmp") != std::string::npos;
        if (dataFile)
            checker.add(name, 0, "", "", "user file that no registry record names");
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
