#include "rules/readings/MergeCheck.h"

#include <algorithm>
#include <vector>

#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/readings/Plausibility.h"
#include "store/XmlCopy.h"

namespace MergeCheck {

namespace {

// The first line of a refusal, without the window's hint.
std::string reasonOf(EntryRules::Refusal why, const std::string& field) {
    std::string reason = EntryRules::refusal(why, field).reason;
    for (char& c : reason)
        if (c == '\n') c = ' ';
    return reason;
}

}  // namespace

UserMerge::Check asOf(std::time_t now, bool refuseImplausible) {
    const EntryRules::Tomorrow tomorrow = EntryRules::tomorrowOf(now);
    return [tomorrow, refuseImplausible](const std::string& variable, const XmlNode& entry) -> std::string {
        const std::vector<std::string> labels = EntryRules::valueLabels(variable);
        std::vector<std::string> members;
        members.reserve(labels.size());
        for (const std::string& label : labels) members.push_back(EntryRules::elementName(label));
        for (const XmlNode* n = entry.first_node(); n; n = n->next_sibling()) {
            const std::string name(n->name(), n->name_size());
            if (name == "date" || name == "time" || name.empty() || ReadingDetails::isDetail(n->name(), n->name_size()))
                continue;
            if (std::find(members.begin(), members.end(), name) == members.end())
                return std::string("\"").append(name).append("\" is not a member of ").append(variable);
        }
        std::vector<EntryRules::ValueField> fields;
        for (std::size_t k = 0; k < labels.size(); ++k)
            fields.push_back({labels[k], labels[k], XmlCopy::content(XmlCopy::child(&entry, members[k].c_str()))});
        const EntryRules::EntryPlan plan =
            EntryRules::planEntry(variable, XmlCopy::content(XmlCopy::child(&entry, "date")),
                                  XmlCopy::content(XmlCopy::child(&entry, "time")), fields, tomorrow,
                                  Units::Preferences(), ReadingDetails::of(&entry));
        if (!plan.accepted()) return reasonOf(plan.refused, plan.field);
        for (const EntryRules::StoredValue& v : plan.values)
            if (refuseImplausible && Plausibility::outside(v.series, v.value)) {
                Units::Preferences fileUnits;
                fileUnits.named = true;
                std::string told = Plausibility::question(v.series, v.value, fileUnits);
                return told.substr(0, told.find(" Save it anyway?"));
            }
        return std::string();
    };
}

}  // namespace MergeCheck
