#include "exchange/JsonWriter.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "rules/readings/ReadingDetails.h"
#include "rules/units/Units.h"
#include "store/Global.h"

using nlohmann::json;

namespace JsonWriter {

namespace {

json record(const UserRecord& r) {
    return json{{"id", r.id}, {"first_name", r.first}, {"last_name", r.last}, {"file", r.file}};
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

namespace {

// Members of an object as the library keeps them: in the order of their
// names, a later one of the same name taking the earlier one's place.
using Members = std::vector<std::pair<std::string, std::string>>;
void sortMembers(Members& members) {
    std::stable_sort(members.begin(), members.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Members kept;
    for (auto& m : members) {
        if (!kept.empty() && kept.back().first == m.first)
            kept.back().second = std::move(m.second);
        else
            kept.push_back(std::move(m));
    }
    members.swap(kept);
}

void putMembers(JsonStream& out, Members& members) {
    sortMembers(members);
    out.beginObject();
    for (const auto& m : members) {
        out.key(m.first);
        out.string(m.second);
    }
    out.endObject();
}

// A range limit: null, its text, or its members' texts for two-valued
// variables, each in the unit shown.
template <typename Shown>
void putLimit(JsonStream& out, const XmlNode* node, Shown shown) {
    if (!node) {
        out.null();
    } else if (!node->first_node()) {
        out.string(shown(Global::textOf(node)));
    } else {
        Members members;
        for (const XmlNode* c = node->first_node(); c; c = c->next_sibling())
            members.push_back({std::string(c->name(), c->name_size()), shown(Global::textOf(c))});
        putMembers(out, members);
    }
}

// One variable; its members in the order of their names, as a tree of the
// library would hold them.
void putVariable(JsonStream& out, const VariableReadings& v, const Units::Preferences& units) {
    // Values and limits in the unit the preferences show, which the variable names.
    const Units::Quantity quantity = Units::quantityOf(v.name);
    auto shown = [&](const std::string& text) {
        return Units::shownText(quantity, text, units, Units::kExchangeDecimals);
    };
    out.beginObject();
    out.key("entries");
    out.beginArray();
    Members values;
    for (const EntryReading& e : v.entries) {
        // The details only when given, so that readings without them read as before.
        const ReadingDetails details = ReadingDetails::of(e.node);
        auto detail = [&out](const char* key, const std::string& text) {
            if (text.empty()) return;
            out.key(key);
            out.string(text);
        };
        out.beginObject();
        detail("arm", details.arm);
        out.key("date");
        out.string(e.date);
        out.key("datetime");
        char when[32];
        out.string(std::string_view(when, readings::isoText(e, when)));
        out.key("id");
        out.string(e.id);
        if (details.irregular) {
            out.key("irregular");
            out.boolean(true);
        }
        detail("note", details.note);
        detail("position", details.position);
        out.key("time");
        out.string(e.time);
        out.key("values");
        values.clear();
        readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
            values.push_back({member.empty() ? std::string("value") : std::string(member), shown(std::string(text))});
        });
        putMembers(out, values);
        out.endObject();
    }
    out.endArray();
    out.key("name");
    out.string(v.name);
    out.key("ranges");
    out.beginObject();
    for (const char* name : {"normalHigh", "normalLow", "panicHigh", "panicLow"}) {
        out.key(name);
        putLimit(out, v.node ? v.node->first_node(name) : nullptr, shown);
    }
    out.endObject();
    out.key("unit");
    out.string(Units::shown(quantity, units).ucum);
    out.endObject();
}

}  // namespace

void exportUsers(const std::vector<UserReadings>& list, const Units::Preferences& units, JsonStream& out) {
    out.beginArray();
    for (const UserReadings& u : list) {
        out.beginObject();
        out.key("file");
        out.string(u.record.file);
        out.key("first_name");
        out.string(u.record.first);
        out.key("id");
        out.string(u.record.id);
        out.key("last_name");
        out.string(u.record.last);
        out.key("variables");
        out.beginArray();
        for (const VariableReadings& v : u.variables) putVariable(out, v, units);
        out.endArray();
        out.endObject();
    }
    out.endArray();
}
std::string findings(const std::vector<Finding>& list) { return dump(findingsTree(list)); }
void findings(const std::vector<Finding>& list, std::ostream& out) { dump(findingsTree(list), out); }

}  // namespace JsonWriter
