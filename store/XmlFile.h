// Reading, checking, parsing and printing of the program's XML data files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/XmlDocument.h"

class XmlFile {
public:
    // The parse flags of every data file.
    static constexpr int kParseFlags = rapidxml::parse_declaration_node | rapidxml::parse_no_data_nodes;
    // Deeper files are refused before parsing: the parser and the printer
    // recurse once per level, and real data files are five levels deep.
    static constexpr int kMaxDepth = 256;

    // Where and why a text was refused. offset counts characters of the
    // joined text (the text the parser saw).
    struct Failure {
        std::string reason;
        std::size_t offset = 0;
    };

    // Reads a file whole and drops its line ends ("\n", and a "\r" before a
    // line end or at the end of the file), so the lines are joined with
    // nothing between them; appends a terminating zero byte.
    // Returns false (with the reason) when the file cannot be opened or read.
    static bool readJoined(const std::string& path, std::vector<char>& out, std::string& error);

    // Reads a file whole, unchanged (no terminating zero).
    static bool readRaw(const std::string& path, std::vector<char>& out, std::string& error);

    // Joins in memory exactly as readJoined does from a file.
    static void joinLines(const char* data, std::size_t size, std::vector<char>& out);
    // The same, in place: text holds the raw bytes (no terminator) on entry.
    static void joinLinesInPlace(std::vector<char>& text);

    // "line L, column C" of the character at offset joinedOffset of the
    // joined form of the raw text (columns count bytes from 1).
    static std::string positionInRaw(const char* raw, std::size_t size, std::size_t joinedOffset);

    // How deep the parser would recurse on this text: the deepest element
    // nesting it reaches before the end or the first point where it fails.
    static int nestingDepth(const char* text);

    // Parses a zero-terminated buffer in place into doc. On failure doc is
    // left empty, error reads "<reason> at character N" and failure (when
    // given) receives the reason and the offset. Refused besides what the
    // parser refuses: a zero byte in the text or produced by a character
    // reference, nesting deeper than kMaxDepth, and a text without an
    // element. Never throws.
    static bool parse(std::vector<char>& buffer, XmlDocument& doc, std::string& error,
                      Failure* failure = nullptr);

    // The document printed with print flags 0.
    static std::string print(const XmlDocument& doc);
    static std::string print(const RapidDocument& doc);
};
