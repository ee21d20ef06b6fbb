// The program's Help text in the person's units and styles: the lines that
// say how a user's details are typed name the chosen units and date style.
#pragma once

#include <string>

#include "rules/units/Units.h"

namespace HelpText {

// text (readme.txt as shipped, in the files' units) with those lines told
// in the chosen units; unchanged under the files' own units and styles.
std::string styled(std::string text, const Units::Preferences& p);

}  // namespace HelpText
