// Text for an HTML page: every text that comes from the data (names,
// variable names, values, paths) goes through escape before it is written,
// so that it always shows as text and never becomes markup.
#pragma once

#include <string>

namespace HtmlText {

// & < > " ' as character references; everything else unchanged. Bytes that
// are not valid UTF-8 and control characters other than tab and line end
// become U+FFFD, so the page stays well-formed.
std::string escape(const std::string& text);

// A CSS string, quotes included, that shows text as it is (in the printed
// page's margins): every ASCII character other than letters, digits,
// blanks and ",.-()" as a hex escape, so that nothing in it can end the string or the
// style element; invalid UTF-8 and control characters as U+FFFD.
std::string cssString(const std::string& text);

}  // namespace HtmlText
