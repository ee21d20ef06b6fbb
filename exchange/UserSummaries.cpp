#include "exchange/UserSummaries.h"

#include "exchange/DataFolder.h"
#include "exchange/UserReadings.h"
#include "exchange/Utf8Text.h"
#include "platform/Platform.h"

int UserSummaries::read(const std::string& dataDir, std::vector<UserSummary>& list, Diagnostics& tell) {
    DataFolder folder;
    const Expected<void> opened = folder.open(dataDir);
    if (!opened) {
        tell.error() << opened.error().reason << std::endl;
        return exchange::kProblem;
    }
    list.clear();
    list.reserve(folder.users().size());
    int status = exchange::kOk;
    for (const UserRecord& r : folder.users()) {
        list.emplace_back();
        UserSummary& s = list.back();
        s.record = r;
        for (std::string* text : {&s.record.first, &s.record.last, &s.record.file})
            if (!Utf8Text::valid(*text)) {
                tell.error() << folder.path() << "config.hma: line " << r.line << ": user " << r.id
                             << ": text that is not UTF-8, written with U+FFFD" << std::endl;
                *text = Utf8Text::repaired(*text);
            }
        const std::string note = folder.linkNote(r.file);
        if (!note.empty()) tell.error() << note << std::endl;
        XmlDocument doc;
        std::vector<char> text;
        if (!platform::isRegularFile(folder.path() + r.file)) {
            s.status = "missing file";
        } else if (const Expected<void> loaded = folder.loadFile(r.file, doc, text); !loaded) {
            s.status = "damaged file: " + loaded.error().reason;
        } else if (!doc->first_node("patient")) {
            s.status = "damaged file: no patient element";
        } else {
            s.status = "ok";
            if (!Utf8Text::valid(std::string_view(text.data(), text.size())))
                Utf8Text::warn(tell, folder.path() + r.file, folder.notUtf8Lines(r.file));
            const UserReadings user = readings::read(UserRecord(), doc->first_node("patient"));
            const EntryReading* first = nullptr;
            const EntryReading* last = nullptr;
            for (const VariableReadings& v : user.variables) {
                s.counts.push_back({Utf8Text::repaired(v.name), static_cast<int>(v.entries.size())});
                for (const EntryReading& e : v.entries) {
                    if (!e.readable) continue;
                    if (!first || e.key < first->key) first = &e;
                    if (!last || e.key > last->key) last = &e;
                }
            }
            if (first) s.firstReading = readings::isoText(*first);
            if (last) s.lastReading = readings::isoText(*last);
        }
        if (s.status != "ok") {
            s.status = Utf8Text::repaired(s.status);
            tell.error() << folder.path() << "config.hma: line " << r.line << ": user " << r.id
                         << ": " << s.status << std::endl;
            status = exchange::kProblem;
        }
    }
    return status;
}
