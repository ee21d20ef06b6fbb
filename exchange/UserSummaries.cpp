#include "exchange/UserSummaries.h"

#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "platform/Platform.h"

int UserSummaries::read(const std::string& dataDir, std::vector<UserSummary>& list, Diagnostics& tell) {
    DataFolder folder;
    std::string error;
    if (!folder.open(dataDir, error)) {
        tell.error() << error << std::endl;
        return exchange::kProblem;
    }
    list.clear();
    int status = exchange::kOk;
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
            tell.error() << folder.path() << "config.hma: line " << r.line << ": user " << r.id
                         << ": " << s.status << std::endl;
            status = exchange::kProblem;
        }
        list.push_back(s);
    }
    return status;
}
