#include "exchange/fhir/FhirBundle.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "app/NumberText.h"
#include "exchange/ZonedTime.h"
#include "exchange/fhir/FhirCodes.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "store/VariableTable.h"

using json = nlohmann::ordered_json;

namespace {

// A short stable name for a text that may hold any character.
std::string hashText(const std::string& text) {
    std::uint32_t h = 2166136261u;
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    char hex[12];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(h));
    return hex;
}

// A UUID made from a name, the same for the same name (version 8, the form
// RFC 9562 leaves to its maker): two 64-bit FNV-1a hashes of the name, mixed.
std::string nameUuid(const std::string& name) {
    std::uint64_t h[2] = {14695981039346656037ull, 1099511628211ull * 31};
    for (std::uint64_t& part : h)
        for (const char c : name) part = (part ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    for (std::uint64_t& part : h) {  // spread every bit over the whole part
        part = (part ^ (part >> 30)) * 0xbf58476d1ce4e5b9ull;
        part = (part ^ (part >> 27)) * 0x94d049bb133111ebull;
        part ^= part >> 31;
    }
    h[0] = (h[0] & ~0xf000ull) | 0x8000ull;                          // version 8
    h[1] = (h[1] & 0x3fffffffffffffffull) | 0x8000000000000000ull;  // variant 10
    char text[48];
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(h[0] >> 32),
                  static_cast<unsigned>((h[0] >> 16) & 0xffff), static_cast<unsigned>(h[0] & 0xffff),
                  static_cast<unsigned>(h[1] >> 48), static_cast<unsigned long long>(h[1] & 0xffffffffffffull));
    return text;
}

// The text itself when it is short and made of letters and digits, else its hash.
std::string idPart(const std::string& text) {
    bool plain = !text.empty() && text.size() <= 12;
    for (const char c : text) plain = plain && std::isalnum(static_cast<unsigned char>(c));
    return plain ? text : "h" + hashText(text);
}

// A stored value as the C library reads a whole number text, blanks after it
// allowed; one that is not finite has no value to export.
bool readNumber(const std::string& text, double& value) {
    NumberText::Form form = NumberText::library(false);
    form.blanksAfter = true;
    return NumberText::readFinite(text, value, form);
}

json quantity(double value, const FhirVariable* known) {
    json q{{"value", value}};
    if (known) {
        q["unit"] = known->unit;
        q["system"] = FhirCodes::kUcum;
        q["code"] = known->ucum;
    }
    return q;
}

json coding(const FhirCoding& c) { return json{{"system", c.system}, {"code", c.code}, {"display", c.display}}; }

// The normal range of a variable (of one member), when its limits read as numbers.
json referenceRange(const XmlNode* variable, const std::string& member, const FhirVariable* known,
                    const std::string& variableName) {
    json range = json::object();
    for (const char* limit : {"normalLow", "normalHigh"}) {
        const XmlNode* node = variable ? variable->first_node(limit) : nullptr;
        if (node && !member.empty()) node = node->first_node(member.c_str());
        double value = 0;
        if (node && RangeRules::readLimit(std::string(node->value(), node->value_size()), variableName, value))
            range[limit == std::string("normalLow") ? "low" : "high"] = quantity(value, known);
    }
    return range.empty() ? json::array() : json::array({range});
}

std::string genderCode(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "male" || text == "m") return "male";
    if (text == "female" || text == "f") return "female";
    if (text == "other" || text == "unknown") return text;
    return std::string();
}

// "1950/3/7" as "1950-03-07"; empty when it is not a date.
std::string birthDate(const std::string& dob) {
    int y = 0, m = 0, d = 0;
    char extra = 0;
    if (std::sscanf(dob.c_str(), "%d/%d/%d%c", &y, &m, &d, &extra) != 3) return std::string();
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

json patient(const UserRecord& record, const XmlNode* file) {
    json p{{"resourceType", "Patient"},
           {"id", FhirBundle::patientId(record.id)},
           {"identifier", json::array({json{{"system", FhirCodes::kUser}, {"value", record.id}}})}};
    json name = json::object();
    if (!record.last.empty()) name["family"] = record.last;
    if (!record.first.empty()) name["given"] = json::array({record.first});
    if (!name.empty()) p["name"] = json::array({name});
    const XmlNode* info = file ? file->first_node("info") : nullptr;
    const std::string gender = genderCode(info ? Global::childText(info, "gender") : "");
    if (!gender.empty()) p["gender"] = gender;
    const std::string born = birthDate(info ? Global::childText(info, "dob") : "");
    if (!born.empty()) p["birthDate"] = born;
    return p;
}

}  // namespace

std::string FhirBundle::patientId(const std::string& userId) { return "u" + idPart(userId); }

std::string FhirBundle::observationId(const std::string& userId, const std::string& variable,
                                      const std::string& entryId, const std::string& member) {
    std::string id = patientId(userId) + "-" + hashText(variable) + "-e" + idPart(entryId);
    if (!member.empty()) id += "-" + idPart(member);
    return id;
}

std::string FhirBundle::write(const std::vector<UserReadings>& users, const std::vector<const XmlNode*>& patients) {
    json entries = json::array();
    for (std::size_t u = 0; u < users.size(); ++u) {
        const UserRecord& record = users[u].record;
        const std::string patientUrl = nameUuid("Patient/" + patientId(record.id));
        entries.push_back(json{{"fullUrl", patientUrl},
                               {"resource", patient(record, u < patients.size() ? patients[u] : nullptr)}});
        for (const VariableReadings& v : users[u].variables) {
            const FhirVariable* known = FhirCodes::byName(v.name);
            // A variable whose members have codes of their own is a panel of components.
            const Variable* table = VariableTable::find(v.name);
            const bool panel = table && table->grouped() && *table->members.front().loinc.code;
            json code = json::object();
            json codings = json::array();
            if (known)
                for (const FhirCoding& c : known->codings) codings.push_back(coding(c));
            else
                codings.push_back(json{{"system", FhirCodes::kVariable}, {"code", FhirCodes::ownCode(v.name)},
                                       {"display", v.name}});
            for (const EntryReading& e : v.entries) {
                // The values of the entry: the panel's components together, any other one by one.
                std::vector<std::pair<std::string, double>> values;
                readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
                    double value = 0;
                    if (readNumber(std::string(text), value)) values.push_back({std::string(member), value});
                });
                auto observation = [&](const std::string& member) {
                    json o{{"resourceType", "Observation"},
                           {"id", observationId(record.id, v.name, e.id, member)},
                           {"identifier",
                            json::array({json{{"system", FhirCodes::kEntry},
                                              {"value", record.id + "/" + v.name + "/" + e.id +
                                                            (member.empty() ? "" : "/" + member)}}})},
                           {"status", "final"}};
                    if (known)
                        o["category"] = json::array({json{
                            {"coding", json::array({json{{"system", FhirCodes::kCategory},
                                                         {"code", known->category},
                                                         {"display", known->category == std::string("laboratory")
                                                                         ? "Laboratory"
                                                                         : "Vital Signs"}}})}}});
                    json c = codings;
                    if (!member.empty())
                        c.push_back(json{{"system", FhirCodes::kMember}, {"code", member}, {"display", member}});
                    o["code"] = json{{"coding", c}, {"text", v.name}};
                    o["subject"] = json{{"reference", patientUrl}};
                    o["effectiveDateTime"] = ZonedTime::withOffset(e.when, e.typedYear);
                    return o;
                };
                if (panel) {
                    json o = observation("");
                    json components = json::array();
                    for (const auto& value : values) {
                        const FhirCoding* part = FhirCodes::componentOf(value.first);
                        if (!part) continue;
                        json component{{"code", json{{"coding", json::array({coding(*part)})}}},
                                       {"valueQuantity", quantity(value.second, known)}};
                        json range = referenceRange(v.node, value.first, known, v.name);
                        if (!range.empty()) component["referenceRange"] = range;
                        components.push_back(component);
                    }
                    if (components.empty()) continue;
                    o["component"] = components;
                    entries.push_back(json{{"fullUrl", nameUuid("Observation/" + o["id"].get<std::string>())},
                                           {"resource", o}});
                    continue;
                }
                for (const auto& value : values) {
                    json o = observation(value.first);
                    o["valueQuantity"] = quantity(value.second, known);
                    json range = referenceRange(v.node, value.first, known, v.name);
                    if (!range.empty()) o["referenceRange"] = range;
                    entries.push_back(json{{"fullUrl", nameUuid("Observation/" + o["id"].get<std::string>())},
                                           {"resource", o}});
                }
            }
        }
    }
    json bundle{{"resourceType", "Bundle"}, {"type", "collection"}, {"entry", entries}};
    return bundle.dump(1, '\t', false, json::error_handler_t::replace) + "\n";
}
