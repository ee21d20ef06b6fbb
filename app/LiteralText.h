// Texts from the data shown by the toolkit exactly as they are. The toolkit
// reads '@' as the start of a symbol in labels and dialog messages, and as a
// format character at the start of a list line (or column); every text
// from the data goes through here before it reaches a label, a dialog or a
// list.
#pragma once

#include <string>

namespace LiteralText {

// For a label, an alert or a question: every '@' doubled, which the toolkit
// shows as one '@'.
std::string label(const std::string& text);
// The text a label was made from (each doubled '@' as one).
std::string fromLabel(const std::string& label);

// For a list line or column: a leading '@' is shown literally behind the
// list's "@." marker; other texts are shown unchanged.
std::string listLine(const std::string& text);
// The text a line was made from: without the "@." marker added above.
std::string fromListLine(const std::string& line);

}  // namespace LiteralText
