#include "exchange/fhir/FhirBundle.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/NumberText.h"
#include "exchange/ZonedTime.h"
#include "exchange/fhir/FhirCodes.h"
#include "rules/readings/RangeRules.h"
#include "store/Global.h"
#include "store/VariableTable.h"

namespace {

// Writes the low digits hexadecimal digits of value, zeros before them.
char* putHex(char* p, std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = digits - 1; i >= 0; --i, value >>= 4) p[i] = kDigits[value & 0xf];
    return p + digits;
}

// A short stable name for a text that may hold any character.
std::string hashText(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    char hex[8];
    putHex(hex, h, 8);
    return std::string(hex, sizeof hex);
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
    // urn:uuid:8-4-4-4-12 hexadecimal digits
    char text[45] = "urn:uuid:";
    char* p = putHex(text + 9, h[0] >> 32, 8);
    *p++ = '-';
    p = putHex(p, h[0] >> 16, 4);
    *p++ = '-';
    p = putHex(p, h[0], 4);
    *p++ = '-';
    p = putHex(p, h[1] >> 48, 4);
    *p++ = '-';
    p = putHex(p, h[1], 12);
    return std::string(text, static_cast<std::size_t>(p - text));
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

// What the Observations of one variable share, written once and then
// copied: by member, the members from status to subject, the reference range
// and a component's code; the unit of a value.
using KeptByMember = std::vector<std::pair<std::string, JsonStream::Kept>>;
struct SharedParts {
    KeptByMember heads, ranges, componentCodes;
    JsonStream::Kept unit;
    bool unitKept = false;
};

// Writes the members kept for member, or writes them with write and keeps them.
template <typename Write>
void writeShared(JsonStream& out, KeptByMember& kept, const std::string& member, Write write) {
    for (const auto& k : kept)
        if (k.first == member) {
            out.putKept(k.second);
            return;
        }
    out.keep();
    write();
    kept.push_back({member, out.kept()});
}

void unitMembers(JsonStream& out, const FhirVariable& known) {
    out.key("unit");
    out.string(known.unit);
    out.key("system");
    out.string(FhirCodes::kUcum);
    out.key("code");
    out.string(known.ucum);
}

// A quantity; its unit kept in parts when given.
void quantity(JsonStream& out, double value, const FhirVariable* known, SharedParts* parts = nullptr) {
    out.beginObject();
    out.key("value");
    out.number(value);
    if (known && parts && parts->unitKept) {
        out.putKept(parts->unit);
    } else if (known && parts) {
        out.keep();
        unitMembers(out, *known);
        parts->unit = out.kept();
        parts->unitKept = true;
    } else if (known) {
        unitMembers(out, *known);
    }
    out.endObject();
}

void coding(JsonStream& out, const char* system, std::string_view code, std::string_view display) {
    out.beginObject();
    out.key("system");
    out.string(system);
    out.key("code");
    out.string(code);
    out.key("display");
    out.string(display);
    out.endObject();
}

void coding(JsonStream& out, const FhirCoding& c) { coding(out, c.system, c.code, c.display); }

// The normal range of a variable's member ("" for a single value): the
// limits that read as numbers.
struct NormalRange {
    std::string member;
    bool hasLow = false, hasHigh = false;
    double low = 0, high = 0;
    bool empty() const { return !hasLow && !hasHigh; }
};

NormalRange normalRange(const XmlNode* variable, const std::string& member, const std::string& variableName) {
    NormalRange range;
    range.member = member;
    for (const char* limit : {"normalLow", "normalHigh"}) {
        const XmlNode* node = variable ? variable->first_node(limit) : nullptr;
        if (node && !member.empty()) node = node->first_node(member.c_str());
        double value = 0;
        if (node && RangeRules::readLimit(std::string(node->value(), node->value_size()), variableName, value)) {
            const bool low = limit == std::string("normalLow");
            (low ? range.hasLow : range.hasHigh) = true;
            (low ? range.low : range.high) = value;
        }
    }
    return range;
}

// The ranges of one variable, each member's worked out once.
class NormalRanges {
public:
    NormalRanges(const XmlNode* variable, const std::string& name) : variable_(variable), name_(name) {}
    const NormalRange& of(const std::string& member) {
        for (const NormalRange& r : ranges_)
            if (r.member == member) return r;
        ranges_.push_back(normalRange(variable_, member, name_));
        return ranges_.back();
    }

private:
    const XmlNode* variable_;
    const std::string& name_;
    std::vector<NormalRange> ranges_;
};

// "referenceRange": [{"low": ..., "high": ...}], left out when no limit reads.
void referenceRange(JsonStream& out, const NormalRange& range, const FhirVariable* known) {
    if (range.empty()) return;
    out.key("referenceRange");
    out.beginArray();
    out.beginObject();
    if (range.hasLow) {
        out.key("low");
        quantity(out, range.low, known);
    }
    if (range.hasHigh) {
        out.key("high");
        quantity(out, range.high, known);
    }
    out.endObject();
    out.endArray();
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

void patient(JsonStream& out, const UserRecord& record, const XmlNode* file) {
    out.beginObject();
    out.key("resourceType");
    out.string("Patient");
    out.key("id");
    out.string(FhirBundle::patientId(record.id));
    out.key("identifier");
    out.beginArray();
    out.beginObject();
    out.key("system");
    out.string(FhirCodes::kUser);
    out.key("value");
    out.string(record.id);
    out.endObject();
    out.endArray();
    if (!record.last.empty() || !record.first.empty()) {
        out.key("name");
        out.beginArray();
        out.beginObject();
        if (!record.last.empty()) {
            out.key("family");
            out.string(record.last);
        }
        if (!record.first.empty()) {
            out.key("given");
            out.beginArray();
            out.string(record.first);
            out.endArray();
        }
        out.endObject();
        out.endArray();
    }
    const XmlNode* info = file ? file->first_node("info") : nullptr;
    const std::string gender = genderCode(info ? Global::childText(info, "gender") : "");
    if (!gender.empty()) {
        out.key("gender");
        out.string(gender);
    }
    const std::string born = birthDate(info ? Global::childText(info, "dob") : "");
    if (!born.empty()) {
        out.key("birthDate");
        out.string(born);
    }
    out.endObject();
}

// What the ids of a user's variable's Observations begin with.
std::string variableIdPrefix(const std::string& userId, const std::string& variable) {
    return FhirBundle::patientId(userId) + "-" + hashText(variable) + "-e";
}

std::string entryObservationId(const std::string& prefix, const std::string& entryId, const std::string& member) {
    std::string id = prefix + idPart(entryId);
    if (!member.empty()) id += "-" + idPart(member);
    return id;
}

// What every Observation of one variable shares.
struct VariableCodes {
    const VariableReadings& variable;
    const FhirVariable* known;
    bool panel;  // the members have codes of their own: one Observation with components
    std::string idPrefix;  // what the ids of its Observations begin with
    SharedParts* parts;
};

// The Observation of an entry's member ("" for the entry as a whole),
// written up to its effective time: the caller adds its value and closes it.
void beginObservation(JsonStream& out, const std::string& id, const UserRecord& record, const VariableCodes& codes,
                      const EntryReading& e, const std::string& member, const std::string& patientUrl,
                      LocalDayClock& clock) {
    const std::string& name = codes.variable.name;
    out.key("fullUrl");
    out.string(nameUuid("Observation/" + id));
    out.key("resource");
    out.beginObject();
    out.key("resourceType");
    out.string("Observation");
    out.key("id");
    out.string(id);
    out.key("identifier");
    out.beginArray();
    out.beginObject();
    out.key("system");
    out.string(FhirCodes::kEntry);
    out.key("value");
    out.string(record.id + "/" + name + "/" + e.id + (member.empty() ? "" : "/" + member));
    out.endObject();
    out.endArray();
    // From the status to the subject, the same for each entry's member.
    writeShared(out, codes.parts->heads, member, [&] {
        out.key("status");
        out.string("final");
        if (codes.known) {
            out.key("category");
            out.beginArray();
            out.beginObject();
            out.key("coding");
            out.beginArray();
            const bool laboratory = std::strcmp(codes.known->category, "laboratory") == 0;
            coding(out, FhirCodes::kCategory, codes.known->category, laboratory ? "Laboratory" : "Vital Signs");
            out.endArray();
            out.endObject();
            out.endArray();
        }
        out.key("code");
        out.beginObject();
        out.key("coding");
        out.beginArray();
        if (codes.known)
            for (const FhirCoding& c : codes.known->codings) coding(out, c);
        else
            coding(out, FhirCodes::kVariable, FhirCodes::ownCode(name), name);
        if (!member.empty()) coding(out, FhirCodes::kMember, member, member);
        out.endArray();
        out.key("text");
        out.string(name);
        out.endObject();
        out.key("subject");
        out.beginObject();
        out.key("reference");
        out.string(patientUrl);
        out.endObject();
    });
    out.key("effectiveDateTime");
    out.string(ZonedTime::withOffset(e.when, e.typedYear, clock));
    // What the person said about the reading and, for blood pressure, how it was taken.
    const ReadingDetails details = ReadingDetails::of(e.node);
    const FhirCoding* position = FhirCodes::positionCoding(details.position);
    if (position || details.irregular) {
        out.key("extension");
        out.beginArray();
    }
    if (position) {
        out.beginObject();
        out.key("url");
        out.string(FhirCodes::kBodyPosition);
        out.key("valueCodeableConcept");
        out.beginObject();
        out.key("coding");
        out.beginArray();
        coding(out, *position);
        out.endArray();
        out.endObject();
        out.endObject();
    }
    if (details.irregular) {
        // No standard code says it: the program's own extension.
        out.beginObject();
        out.key("url");
        out.string(FhirCodes::kIrregular);
        out.key("valueBoolean");
        out.boolean(true);
        out.endObject();
    }
    if (position || details.irregular) out.endArray();
    if (!details.note.empty()) {
        out.key("note");
        out.beginArray();
        out.beginObject();
        out.key("text");
        out.string(details.note);
        out.endObject();
        out.endArray();
    }
    if (const FhirCoding* arm = FhirCodes::armCoding(details.arm)) {
        out.key("bodySite");
        out.beginObject();
        out.key("coding");
        out.beginArray();
        coding(out, *arm);
        out.endArray();
        out.endObject();
    }
}

// The Observations of one entry: the panel's components together, any other value by itself.
void observations(JsonStream& out, const UserRecord& record, const VariableCodes& codes, NormalRanges& ranges,
                  const EntryReading& e, const std::string& patientUrl, LocalDayClock& clock) {
    std::vector<std::pair<std::string, double>> values;
    readings::forEachValue(e, [&](std::string_view member, std::string_view text) {
        double value = 0;
        if (readNumber(std::string(text), value)) values.push_back({std::string(member), value});
    });
    if (codes.panel) {
        bool any = false;
        for (const auto& value : values) any = any || FhirCodes::componentOf(value.first);
        if (!any) return;
        out.beginObject();
        beginObservation(out, entryObservationId(codes.idPrefix, e.id, ""), record, codes, e, "", patientUrl,
                         clock);
        out.key("component");
        out.beginArray();
        for (const auto& value : values) {
            const FhirCoding* part = FhirCodes::componentOf(value.first);
            if (!part) continue;
            out.beginObject();
            writeShared(out, codes.parts->componentCodes, value.first, [&] {
                out.key("code");
                out.beginObject();
                out.key("coding");
                out.beginArray();
                coding(out, *part);
                out.endArray();
                out.endObject();
            });
            out.key("valueQuantity");
            quantity(out, value.second, codes.known, codes.parts);
            writeShared(out, codes.parts->ranges, value.first,
                        [&] { referenceRange(out, ranges.of(value.first), codes.known); });
            out.endObject();
        }
        out.endArray();
        out.endObject();
        out.endObject();
        return;
    }
    for (const auto& value : values) {
        out.beginObject();
        beginObservation(out, entryObservationId(codes.idPrefix, e.id, value.first), record, codes, e,
                         value.first, patientUrl, clock);
        out.key("valueQuantity");
        quantity(out, value.second, codes.known, codes.parts);
        writeShared(out, codes.parts->ranges, value.first,
                    [&] { referenceRange(out, ranges.of(value.first), codes.known); });
        out.endObject();
        out.endObject();
    }
}

}  // namespace

std::string FhirBundle::patientId(const std::string& userId) { return "u" + idPart(userId); }

std::string FhirBundle::observationId(const std::string& userId, const std::string& variable,
                                      const std::string& entryId, const std::string& member) {
    return entryObservationId(variableIdPrefix(userId, variable), entryId, member);
}

void FhirBundle::write(const std::vector<UserReadings>& users, const std::vector<const XmlNode*>& patients,
                       JsonStream& out) {
    LocalDayClock clock;
    out.beginObject();
    out.key("resourceType");
    out.string("Bundle");
    out.key("type");
    out.string("collection");
    out.key("entry");
    out.beginArray();
    for (std::size_t u = 0; u < users.size(); ++u) {
        const UserRecord& record = users[u].record;
        const std::string patientUrl = nameUuid("Patient/" + patientId(record.id));
        out.beginObject();
        out.key("fullUrl");
        out.string(patientUrl);
        out.key("resource");
        patient(out, record, u < patients.size() ? patients[u] : nullptr);
        out.endObject();
        for (const VariableReadings& v : users[u].variables) {
            // A variable whose members have codes of their own is a panel of components.
            const Variable* table = VariableTable::find(v.name);
            SharedParts parts;
            const VariableCodes codes{v, FhirCodes::byName(v.name),
                                      table && table->grouped() && *table->members.front().loinc.code,
                                      variableIdPrefix(record.id, v.name), &parts};
            NormalRanges ranges(v.node, v.name);
            for (const EntryReading& e : v.entries) observations(out, record, codes, ranges, e, patientUrl, clock);
        }
    }
    out.endArray();
    out.endObject();
}
