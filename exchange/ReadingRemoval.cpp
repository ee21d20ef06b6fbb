#include "exchange/ReadingRemoval.h"
#include "rules/readings/ReadingDetails.h"

#include "rules/readings/EntryRules.h"
#include "rules/units/Units.h"
#include "store/Global.h"

int ReadingRemoval::find(const std::string& dataDir, const std::string& user, const std::string& variable,
                         const std::string& entry, Diagnostics& tell) {
    Expected<UserRecord> opened = folder_.openUser(dataDir, user, true);
    if (!opened) {
        tell.error() << opened.error().reason << std::endl;
        return exchange::kProblem;
    }
    user_ = std::move(*opened);
    const Expected<void> loaded = folder_.loadFile(user_.file, doc_, text_);
    if (!loaded) {
        tell.error() << loaded.error().reason << std::endl;
        return exchange::kProblem;
    }
    const std::string path = folder_.path() + user_.file;
    variable_ = EntryRules::findVariable(doc_->first_node("patient"), variable);
    if (!variable_) {
        tell.error() << path << ": no variable \"" << variable << "\"; nothing written" << std::endl;
        return exchange::kProblem;
    }
    entry_ = nullptr;
    for (XmlNode* e = variable_->first_node("entry"); e && !entry_; e = e->next_sibling("entry"))
        if (entry == Global::attributeText(e, "id")) entry_ = e;
    if (!entry_) {
        tell.error() << path << ": " << variable << " has no entry " << entry << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    variableName_ = variable;
    entryId_ = entry;
    return exchange::kOk;
}

std::string ReadingRemoval::description(const Units::Preferences& units) const {
    if (!entry_) return std::string();
    std::string text = user_.first + " " + user_.last + ", " + variableName_ + ", entry " + entryId_ + ": " +
                       Global::childText(entry_, "date") + " " + Global::childText(entry_, "time");
    // The stored text, and in another chosen unit the value in it as well.
    const Units::Quantity quantity = Units::quantityOf(variableName_);
    for (const XmlNode* c = entry_->first_node(); c; c = c->next_sibling()) {
        const std::string name(c->name(), c->name_size());
        if (name == "date" || name == "time" || ReadingDetails::isDetail(c->name(), c->name_size())) continue;
        const std::string stored = Global::textOf(c);
        text.append(", ").append(name).append(" ").append(stored);
        const std::string shown = Units::shownText(quantity, stored, units);
        if (shown != stored) text += " (" + Units::withUnit(shown, quantity, units) + ")";
    }
    return text;
}

int ReadingRemoval::remove(Diagnostics& tell) {
    if (!entry_) return exchange::kProblem;
    variable_->remove_node(entry_);
    const Expected<void> saved = folder_.save(user_.file, doc_);
    if (!saved) {
        tell.error() << saved.error().reason << std::endl;
        return exchange::kProblem;
    }
    entry_ = nullptr;
    return exchange::kOk;
}
