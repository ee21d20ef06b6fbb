#include "exchange/fhir/FhirCodes.h"

#include <cstdio>
#include <utility>

#include "store/VariableTable.h"

const std::vector<FhirVariable>& FhirCodes::variables() {
    // The variables of the table that have LOINC codes.
    static const std::vector<FhirVariable> known = [] {
        std::vector<FhirVariable> list;
        for (const Variable& v : VariableTable::all()) {
            if (v.loinc.empty()) continue;
            FhirVariable f{v.name, {}, v.fhirCategory, v.ucum, v.fhirUnit};
            for (const VariableCoding& c : v.loinc) f.codings.push_back({kLoinc, c.code, c.display});
            list.push_back(f);
        }
        return list;
    }();
    return known;
}

const FhirVariable* FhirCodes::byName(const std::string& name) {
    for (const FhirVariable& v : variables())
        if (name == v.name) return &v;
    return nullptr;
}

const FhirVariable* FhirCodes::byCode(const std::string& system, const std::string& code) {
    for (const FhirVariable& v : variables())
        for (const FhirCoding& c : v.codings)
            if (system == c.system && code == c.code) return &v;
    return nullptr;
}

const FhirVariable* FhirCodes::byOtherCode(const std::string& system, const std::string& code, std::string& member) {
    struct OtherCode {
        const char* code;
        VariableId variable;
        const char* member;
    };
    static const OtherCode kOther[] = {
        {"55284-4", VariableId::BloodPressure, ""},      {"8480-6", VariableId::BloodPressure, "systolic"},
        {"8462-4", VariableId::BloodPressure, "diastolic"}, {"2345-7", VariableId::BloodSugar, ""},
        {"15074-8", VariableId::BloodSugar, ""},         {"14749-6", VariableId::BloodSugar, ""},
        {"41653-7", VariableId::BloodSugar, ""},         {"1558-6", VariableId::BloodSugar, "fasting"},
        {"1521-4", VariableId::BloodSugar, "postprandial"},
    };
    member.clear();
    if (system != kLoinc) return nullptr;
    for (const OtherCode& o : kOther)
        if (code == o.code) {
            member = o.member;
            return byName(VariableTable::of(o.variable).name);
        }
    return nullptr;
}

namespace {

// The members of the table's variables that have LOINC codes of their own
// (the blood pressure panel's components).
const std::vector<std::pair<std::string, FhirCoding>>& components() {
    static const std::vector<std::pair<std::string, FhirCoding>> list = [] {
        std::vector<std::pair<std::string, FhirCoding>> out;
        for (const Variable& v : VariableTable::all())
            for (const VariableMember& m : v.members)
                if (*m.loinc.code) out.push_back({m.element, FhirCoding{FhirCodes::kLoinc, m.loinc.code, m.loinc.display}});
        return out;
    }();
    return list;
}

}  // namespace

std::string FhirCodes::memberOfComponent(const std::string& code) {
    for (const auto& c : components())
        if (code == c.second.code) return c.first;
    return std::string();
}

const FhirCoding* FhirCodes::componentOf(const std::string& member) {
    for (const auto& c : components())
        if (member == c.first) return &c.second;
    return nullptr;
}

namespace {

// The diary's words for the arm and the position, with their SNOMED CT codings.
const std::vector<std::pair<std::string, FhirCoding>>& arms() {
    static const std::vector<std::pair<std::string, FhirCoding>> list = {
        {"left", {FhirCodes::kSnomed, "368208006", "Left upper arm structure"}},
        {"right", {FhirCodes::kSnomed, "368209003", "Right upper arm structure"}}};
    return list;
}

const std::vector<std::pair<std::string, FhirCoding>>& positions() {
    static const std::vector<std::pair<std::string, FhirCoding>> list = {
        {"sitting", {FhirCodes::kSnomed, "33586001", "Sitting position"}},
        {"standing", {FhirCodes::kSnomed, "10904000", "Standing position"}},
        {"lying", {FhirCodes::kSnomed, "102538003", "Recumbent body position"}}};
    return list;
}

const FhirCoding* codingIn(const std::vector<std::pair<std::string, FhirCoding>>& list, const std::string& word) {
    for (const auto& c : list)
        if (word == c.first) return &c.second;
    return nullptr;
}

std::string wordIn(const std::vector<std::pair<std::string, FhirCoding>>& list, const std::string& code) {
    for (const auto& c : list)
        if (code == c.second.code) return c.first;
    return std::string();
}

}  // namespace

const FhirCoding* FhirCodes::armCoding(const std::string& arm) { return codingIn(arms(), arm); }
std::string FhirCodes::armOf(const std::string& code) { return wordIn(arms(), code); }
const FhirCoding* FhirCodes::positionCoding(const std::string& position) { return codingIn(positions(), position); }
std::string FhirCodes::positionOf(const std::string& code) { return wordIn(positions(), code); }

std::string FhirCodes::ownCode(const std::string& name) {
    std::string code;
    for (const char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '%' || u <= ' ' || u == 0x7f) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            code += hex;
        } else {
            code += c;
        }
    }
    return code;
}

bool FhirCodes::fromOwnCode(const std::string& code, std::string& name) {
    name.clear();
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] != '%') {
            name += code[i];
            continue;
        }
        if (i + 2 >= code.size() || hex(code[i + 1]) < 0 || hex(code[i + 2]) < 0) return false;
        name += static_cast<char>(hex(code[i + 1]) * 16 + hex(code[i + 2]));
        i += 2;
    }
    return !name.empty();
}

bool FhirCodes::toDiaryUnit(const std::string& variable, const std::string& ucum, double value, double& out) {
    const Variable* known = VariableTable::find(variable);
    for (const AcceptedUnit& c : known ? known->accepted : std::vector<AcceptedUnit>())
        if (ucum == c.ucum) {
            out = value * c.factor + c.offset;
            return true;
        }
    return false;
}

std::string FhirCodes::acceptedUnits(const std::string& variable) {
    const Variable* known = VariableTable::find(variable);
    std::string list;
    for (const AcceptedUnit& c : known ? known->accepted : std::vector<AcceptedUnit>())
        list += (list.empty() ? "" : ", ") + std::string(c.ucum);
    return list;
}
