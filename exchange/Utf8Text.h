// Text taken out of the data folder is UTF-8 even when a file holds bytes
// that are not (a name typed in another code page): such bytes are written
// as U+FFFD, the replacement character, so that whatever is exported can be
// read back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/Diagnostics.h"

namespace Utf8Text {

// True when the whole text is UTF-8.
bool valid(std::string_view text);

// The text with every byte that does not begin a UTF-8 sequence (and every
// broken sequence) replaced by U+FFFD.
std::string repaired(std::string_view text);

// The text cut to at most `bytes` bytes, never inside a character.
std::string cut(std::string_view text, std::size_t bytes);

// The lines (from 1) of a file's raw text that hold bytes that are not UTF-8.
std::vector<int> badLines(std::string_view raw);

// Tells, one line each, that the text on these lines of path is written
// with U+FFFD ("PATH:LINE: text that is not UTF-8, written with U+FFFD");
// the first few lines are named, then how many more there are.
void warn(Diagnostics& tell, const std::string& path, const std::vector<int>& lines);

}  // namespace Utf8Text
