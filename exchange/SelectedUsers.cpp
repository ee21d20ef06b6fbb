#include "exchange/SelectedUsers.h"

#include "exchange/Utf8Text.h"

int SelectedUsers::load(const std::string& dataDir, const std::vector<std::string>& names, Diagnostics& tell,
                        readings::Depth depth) {
    const Expected<void> opened = folder.open(dataDir);
    if (!opened) {
        tell.error() << opened.error().reason << std::endl;
        return exchange::kProblem;
    }
    // Records are copied once, into the readings (a registry may hold very long names).
    std::vector<UserRecord> named;
    for (const std::string& name : names) {
        Expected<UserRecord> found = folder.findUser(name);
        if (!found) {
            tell.error() << found.error().reason << std::endl;
            return exchange::kProblem;
        }
        named.push_back(std::move(*found));
    }
    const std::vector<UserRecord>& records = names.empty() ? folder.users() : named;
    docs_ = std::vector<XmlDocument>(records.size());
    texts_.assign(records.size(), std::vector<char>());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string note = folder.linkNote(records[i].file);
        if (!note.empty()) tell.error() << note << std::endl;
        const Expected<void> loaded = folder.loadFile(records[i].file, docs_[i], texts_[i]);
        if (!loaded) {
            tell.error() << loaded.error().reason << std::endl;
            return exchange::kProblem;
        }
        const XmlNode* patient = docs_[i]->first_node("patient");
        if (!patient) {
            tell.error() << folder.path() << records[i].file << ": line 1: no patient element"
                      << std::endl;
            return exchange::kProblem;
        }
        users.push_back(readings::read(records[i], patient, depth));
    }
    return exchange::kOk;
}

bool SelectedUsers::validText(std::size_t user) const {
    return Utf8Text::valid(std::string_view(texts_[user].data(), texts_[user].size()));
}

std::size_t SelectedUsers::fileBytes() const {
    std::size_t bytes = 0;
    for (const std::vector<char>& text : texts_) bytes += text.size();
    return bytes;
}
