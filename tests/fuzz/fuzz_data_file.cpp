// Fuzz target for reading, parsing and printing a data file: the bytes are
// joined as the store reads them, parsed with the data files' flags, printed,
// and the printed text must read back and, once saved again, stay the same.
// The text compacted before parsing must read exactly as the text itself,
// and so must its values read in pieces.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/XmlFile.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

// Reads text as the store does; false when it is refused.
bool readBack(const std::string& text, XmlDocument& doc, std::vector<char>& buffer, std::string& error) {
    XmlFile::joinLines(text.data(), text.size(), buffer);
    XmlFile::Failure failure;
    if (XmlFile::parse(buffer, doc, error, &failure)) return true;
    // Where it stopped must be inside the text, and name a line and column.
    if (failure.offset > buffer.size()) fail("failure beyond the end", error);
    const std::string where = XmlFile::positionInRaw(text.data(), text.size(), failure.offset);
    if (where.compare(0, 5, "line ") != 0) fail("no line in the position", where);
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    XmlDocument first;
    std::vector<char> firstBuffer;
    std::string error;
    const bool read = readBack(input, first, firstBuffer, error);

    XmlDocument compact;
    std::vector<char> compactBuffer;
    XmlFile::joinLines(input.data(), input.size(), compactBuffer);
    XmlFile::dropSkippedText(compactBuffer);
    std::string compactError;
    if (XmlFile::parse(compactBuffer, compact, compactError) != read)
        fail("the compacted text reads otherwise", input + "\n----\n" + compactError + " / " + error);
    // Kept as values only, read in pieces of a few bytes where it can be:
    // never a text the parser refuses, never another document.
    for (std::size_t pieceBytes : {std::size_t{1}, std::size_t{40}}) {
        XmlDocument values;
        std::vector<char> valuesBuffer;
        XmlFile::joinLines(input.data(), input.size(), valuesBuffer);
        if (!XmlFile::parseValues(valuesBuffer, values, pieceBytes)) continue;
        if (!read) fail("the values of a refused text were read", input);
        if (XmlFile::print(values) != XmlFile::print(first)) fail("the values read in pieces give another document", input);
    }
    if (!read) {
        if (error.empty()) fail("refused without a reason", input);
        return 0;
    }
    const std::string printed = XmlFile::print(first);
    if (XmlFile::print(compact) != printed) fail("the compacted text gives another document", input);

    // What the program saved must load again.
    XmlDocument second;
    std::vector<char> secondBuffer;
    if (!readBack(printed, second, secondBuffer, error)) fail("saved text does not load again", error + "\n" + printed);
    const std::string printedAgain = XmlFile::print(second);

    // Saving what was loaded from a saved file changes nothing any more.
    XmlDocument third;
    std::vector<char> thirdBuffer;
    if (!readBack(printedAgain, third, thirdBuffer, error)) fail("second save does not load", error);
    const std::string printedThird = XmlFile::print(third);
    if (printedThird != printedAgain) fail("printing is not stable", printedAgain + "\n----\n" + printedThird);
    return 0;
}
