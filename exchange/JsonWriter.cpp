#include "exchange/JsonWriter.h"

#include <nlohmann/json.hpp>

#include "rules/units/Units.h"
#include "store/Global.h"

using nlohmann::json;

namespace JsonWriter {

namespace {

json record(const UserRecord& r) {
    return json{{"id", r.id}, {"first_name", r.first}, {"last_name", r.last}, {"file", r.file}};
}

// A range limit: its text, or its members' texts for two-valued variables.
json limit(const XmlNode* node) {
    if (!node) return nullptr;
    if (!node->first_node()) return Global::textOf(node);
    json members = json::object();
    for (const XmlNode* c = node->first_node(); c; c = c->next_sibling())
        members[std::string(c->name(), c->name_size())] = Global::textOf(c);
    return members;
}

// Invalid UTF-8 in a file is replaced rather than refused: the export goes
// on. Written straight into the stream or text, never a copy of it.
template <typename Adapter>
void dumpTo(const json& j, Adapter adapter) {
    nlohmann::detail::serializer<json> serializer(adapter, ' ', json::error_handler_t::replace);
    serializer.dump(j, true, false, 2);
}

std::string dump(const json& j) {
    std::string text;
    dumpTo(j, nlohmann::detail::output_adapter<char, std::string>(text));
    return text + "\n";
}

void dump(const json& j, std::ostream& out) {
    dumpTo(j, nlohmann::detail::output_adapter<char>(out));
    out << "\n";
}

}  // namespace

namespace {

json usersTree(const std::vector<UserSummary>& list) {
    json out = json::array();
    for (const UserSummary& u : list) {
        json j = record(u.record);
        j["status"] = u.status;
        json counts = json::object();
        for (const auto& c : u.counts) counts[c.first] = c.second;
        j["entries"] = counts;
        j["first_reading"] = u.firstReading.empty() ? json(nullptr) : json(u.firstReading);
        j["last_reading"] = u.lastReading.empty() ? json(nullptr) : json(u.lastReading);
        out.push_back(j);
    }
    return out;
}

json exportTree(const std::vector<UserReadings>& list, const Units::Preferences& units) {
    json out = json::array();
    for (const UserReadings& u : list) {
        json j = record(u.record);
        json variables = json::array();
        for (const VariableReadings& v : u.variables) {
            // Values and limits in the unit the preferences show, which the variable names.
            const Units::Quantity quantity = Units::quantityOf(v.name);
            auto shown = [&](const std::string& text) {
                return Units::shownText(quantity, text, units, Units::kExchangeDecimals);
            };
            json variable{{"name", v.name}, {"unit", Units::shown(quantity, units).ucum}};
            json ranges = json::object();
            for (const char* name : {"normalLow", "normalHigh", "panicLow", "panicHigh"}) {
                json range = limit(v.node ? v.node->first_node(name) : nullptr);
                if (range.is_string()) range = shown(range.get<std::string>());
                if (range.is_object())
                    for (auto& member : range.items())
                        if (member.value().is_string()) member.value() = shown(member.value().get<std::string>());
                ranges[name] = range;
            }
            variable["ranges"] = ranges;
            json entries = json::array();
            for (const EntryReading& e : v.entries) {
                json values = json::object();
                readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
                    values[member.empty() ? std::string("value") : std::string(member)] = shown(std::string(text));
                });
                entries.push_back(json{{"id", e.id},
                                       {"datetime", readings::isoText(e)},
                                       {"date", e.date},
                                       {"time", e.time},
                                       {"values", values}});
            }
            variable["entries"] = entries;
            variables.push_back(variable);
        }
        j["variables"] = variables;
        out.push_back(std::move(j));
    }
    return out;
}

json findingsTree(const std::vector<Finding>& list) {
    json out = json::array();
    for (const Finding& f : list) {
        json j{{"file", f.file}, {"message", f.message}, {"kind", f.leftover ? "leftover" : "error"}};
        if (f.line > 0) j["line"] = f.line;
        if (!f.variable.empty()) j["variable"] = f.variable;
        if (!f.entry.empty()) j["entry"] = f.entry;
        out.push_back(j);
    }
    return out;
}

}  // namespace

std::string users(const std::vector<UserSummary>& list) { return dump(usersTree(list)); }
void users(const std::vector<UserSummary>& list, std::ostream& out) { dump(usersTree(list), out); }
std::string exportUsers(const std::vector<UserReadings>& list, const Units::Preferences& units) {
    return dump(exportTree(list, units));
}
void exportUsers(const std::vector<UserReadings>& list, const Units::Preferences& units, std::ostream& out) {
    dump(exportTree(list, units), out);
}
std::string findings(const std::vector<Finding>& list) { return dump(findingsTree(list)); }
void findings(const std::vector<Finding>& list, std::ostream& out) { dump(findingsTree(list), out); }

}  // namespace JsonWriter
