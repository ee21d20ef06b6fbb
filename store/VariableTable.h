// What the program knows of each of its variables (Variables.def): names,
// members and their elements, units, codes, plausible and default ranges.
// Variables a person adds by hand are in no table: lookups give null.
#pragma once

#include <limits>
#include <string_view>
#include <vector>

enum class VariableId {
#define VARIABLE(Id, ...) Id,
#include "store/Variables.def"
};

struct VariableCoding {
    const char* code;
    const char* display;
};

// One value of an entry ("Systolic", element "systolic").
struct VariableMember {
    VariableId variable;
    const char* label;    // as the windows title it; the variable's name for a single value
    const char* element;  // its element in an entry
    VariableCoding loinc;  // empty code when the member has none of its own
    double plausibleLow, plausibleHigh;
    // The ranges a new user's file starts with; VariableTable::kNoLimit where there is none.
    double normalLow, normalHigh, panicLow, panicHigh;
    const char* phoneType;  // the phone export's record type, empty for none
};

struct AcceptedUnit {
    const char* ucum;
    double factor;  // value * factor + offset is in the file's unit
    double offset;
};

struct Variable {
    VariableId id;
    const char* name;
    const char* fileUnit;      // "mmHg", "°F"; empty for none
    const char* ucum;          // the same as a UCUM code
    const char* fhirUnit;      // as the FHIR export writes it
    const char* fhirCategory;  // empty for a variable without a LOINC code
    const char* entryName;     // the name of its one value in the entry window, empty for "Value"
    const char* pageUnit;      // the unit as a page names it ("beats per minute")
    bool rangeCharted;         // the chart offers its normal range
    bool membersTogether;      // every entry holds all its members
    int propertiesWidth;
    std::vector<VariableCoding> loinc;
    std::vector<VariableMember> members;
    std::vector<AcceptedUnit> accepted;  // the FHIR import's units, the file's first

    // More than one value per entry (Blood Pressure, Blood Sugar).
    bool grouped() const { return members.size() > 1; }
    const VariableMember* member(std::string_view element) const;
};

class VariableTable {
public:
    // Glucose: 1 mmol/L is 18.016 mg/dL, in every window, import and export.
    static constexpr double kGlucoseFactor = 18.016;
    static constexpr double kNoLimit = std::numeric_limits<double>::quiet_NaN();
    static bool hasLimit(double limit) { return limit == limit; }

    // Every variable, in the table's order.
    static const std::vector<Variable>& all();
    static const Variable& of(VariableId id);
    // By its name, or null.
    static const Variable* find(std::string_view name);
    // True when name is the name of that variable.
    static bool is(std::string_view name, VariableId id);
    // The member whose label is given ("Systolic", "Pulse"), or null.
    static const VariableMember* memberByLabel(std::string_view label);
    // The member the phone export's record type is read into, or null.
    static const VariableMember* memberByPhoneType(std::string_view type);
    // The variable whose name, or one of whose members' labels, is given, or null.
    static const Variable* findByNameOrLabel(std::string_view name);
    // Every element a value of an entry is kept under, each once, in the
    // table's order ("value", "systolic", "diastolic", ...).
    static const std::vector<const char*>& valueElements();
};
