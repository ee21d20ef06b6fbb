#include "store/VariableLookup.h"

namespace VariableLookup {

XmlNode* find(XmlNode* patient, std::string_view name) {
    for (XmlNode* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
        const XmlAttribute* attribute = v->first_attribute("name");
        if (attribute && name == std::string_view(attribute->value(), attribute->value_size())) return v;
    }
    return nullptr;
}

}  // namespace VariableLookup
