#include "exchange/fhir/FhirCodes.h"

#include <cstdio>

namespace {

struct Conversion {
    const char* variable;
    const char* ucum;
    double factor;
    double offset;  // added after the factor
};

// Every unit a reading may arrive in, with the diary's own unit first.
const Conversion kConversions[] = {
    {"Pulse", "/min", 1, 0},
    {"Pulse", "{beats}/min", 1, 0},
    {"Blood Pressure", "mm[Hg]", 1, 0},
    {"SpO2", "%", 1, 0},
    {"Temperature", "[degF]", 1, 0},
    {"Temperature", "Cel", 1.8, 32},
    {"Weight", "[lb_av]", 1, 0},
    {"Weight", "kg", 2.20462262184877580723, 0},
    {"Weight", "g", 0.00220462262184877580723, 0},
    {"Blood Sugar", "mg/dL", 1, 0},
    // glucose: 180.15588 g/mol, so 1 mmol/L is 18.015588 mg/dL
    {"Blood Sugar", "mmol/L", 18.01558800000541, 0},
};

}  // namespace

const std::vector<FhirVariable>& FhirCodes::variables() {
    static const std::vector<FhirVariable> known = {
        {"Pulse", {{kLoinc, "8867-4", "Heart rate"}}, "vital-signs", "/min", "beats/minute"},
        {"Blood Pressure",
         {{kLoinc, "85354-9", "Blood pressure panel with all children optional"}},
         "vital-signs",
         "mm[Hg]",
         "mmHg"},
        {"SpO2",
         {{kLoinc, "59408-5", "Oxygen saturation in Arterial blood by Pulse oximetry"},
          {kLoinc, "2708-6", "Oxygen saturation in Arterial blood"}},
         "vital-signs",
         "%",
         "%"},
        {"Temperature", {{kLoinc, "8310-5", "Body temperature"}}, "vital-signs", "[degF]", "degF"},
        {"Weight", {{kLoinc, "29463-7", "Body weight"}}, "vital-signs", "[lb_av]", "lb"},
        {"Blood Sugar", {{kLoinc, "2339-0", "Glucose [Mass/volume] in Blood"}}, "laboratory", "mg/dL", "mg/dL"},
    };
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

namespace {
const FhirCoding kSystolic = {FhirCodes::kLoinc, "8480-6", "Systolic blood pressure"};
const FhirCoding kDiastolic = {FhirCodes::kLoinc, "8462-4", "Diastolic blood pressure"};
}  // namespace

std::string FhirCodes::memberOfComponent(const std::string& code) {
    if (code == kSystolic.code) return "systolic";
    if (code == kDiastolic.code) return "diastolic";
    return std::string();
}

const FhirCoding* FhirCodes::componentOf(const std::string& member) {
    if (member == "systolic") return &kSystolic;
    if (member == "diastolic") return &kDiastolic;
    return nullptr;
}

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
    for (const Conversion& c : kConversions)
        if (variable == c.variable && ucum == c.ucum) {
            out = value * c.factor + c.offset;
            return true;
        }
    return false;
}

std::string FhirCodes::acceptedUnits(const std::string& variable) {
    std::string list;
    for (const Conversion& c : kConversions)
        if (variable == c.variable) list += (list.empty() ? "" : ", ") + std::string(c.ucum);
    return list;
}
