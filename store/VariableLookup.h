// The one way a variable of a user's document is found by its name.
#pragma once

#include <string_view>

#include "store/XmlDocument.h"

namespace VariableLookup {

// The first variable element under patient whose attribute "name" is name,
// compared whole (with its length), or null.
XmlNode* find(XmlNode* patient, std::string_view name);

}  // namespace VariableLookup
