#include "store/VariableTable.h"

#include <algorithm>

namespace {

std::vector<Variable> build() {
    std::vector<Variable> table;
#define NO_LIMIT VariableTable::kNoLimit
#define VARIABLE(Id, name, Quantity, fileUnit, ucum, fhirUnit, fhirCategory, entryName, pageUnit, rangeCharted, \
                 membersTogether, propertiesWidth)                                                              \
    table.push_back(Variable{VariableId::Id, name, fileUnit, ucum, fhirUnit, fhirCategory, entryName, pageUnit,  \
                             rangeCharted, membersTogether, propertiesWidth, {}, {}, {}});
#define LOINC(Id, code, display) table.back().loinc.push_back(VariableCoding{code, display});
#define MEMBER(Id, label, element, loinc, loincDisplay, plausibleLow, plausibleHigh, normalLow, normalHigh, panicLow, \
               panicHigh, phoneType)                                                                                  \
    table.back().members.push_back(VariableMember{VariableId::Id, label, element, VariableCoding{loinc, loincDisplay}, \
                                                  plausibleLow, plausibleHigh, normalLow, normalHigh, panicLow,       \
                                                  panicHigh, phoneType});
#define ACCEPTS(Id, ucum, factor, offset) table.back().accepted.push_back(AcceptedUnit{ucum, factor, offset});
#include "store/Variables.def"
#undef NO_LIMIT
    return table;
}

}  // namespace

const VariableMember* Variable::member(std::string_view element) const {
    for (const VariableMember& m : members)
        if (element == m.element) return &m;
    return nullptr;
}

const std::vector<Variable>& VariableTable::all() {
    static const std::vector<Variable> table = build();
    return table;
}

const Variable& VariableTable::of(VariableId id) { return all()[static_cast<std::size_t>(id)]; }

const Variable* VariableTable::find(std::string_view name) {
    for (const Variable& v : all())
        if (name == v.name) return &v;
    return nullptr;
}

bool VariableTable::is(std::string_view name, VariableId id) { return name == of(id).name; }

const VariableMember* VariableTable::memberByLabel(std::string_view label) {
    for (const Variable& v : all())
        for (const VariableMember& m : v.members)
            if (label == m.label) return &m;
    return nullptr;
}

const VariableMember* VariableTable::memberByPhoneType(std::string_view type) {
    if (type.empty()) return nullptr;
    for (const Variable& v : all())
        for (const VariableMember& m : v.members)
            if (type == m.phoneType) return &m;
    return nullptr;
}

const std::vector<const char*>& VariableTable::valueElements() {
    static const std::vector<const char*> elements = [] {
        std::vector<const char*> found;
        for (const Variable& v : all())
            for (const VariableMember& m : v.members)
                if (std::none_of(found.begin(), found.end(),
                                 [&m](const char* e) { return std::string_view(e) == m.element; }))
                    found.push_back(m.element);
        return found;
    }();
    return elements;
}

const Variable* VariableTable::findByNameOrLabel(std::string_view name) {
    if (const Variable* v = find(name)) return v;
    const VariableMember* m = memberByLabel(name);
    return m ? &of(m->variable) : nullptr;
}
