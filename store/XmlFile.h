// Reading, checking, parsing and printing of the program's XML data files.
#pragma once

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

    // Reads a file whole and drops its line ends ("\n", and "\r" before a
    // line end or at the end of the file), so the lines are joined with
    // nothing between them; appends a terminating zero byte.
    // lineStarts receives the offset in out of every line's first character.
    // Returns false (with the reason) when the file cannot be opened or read.
    static bool readJoined(const std::string& path, std::vector<char>& out, std::string& error,
                           std::vector<std::size_t>* lineStarts = nullptr);

    // Joins in memory exactly as readJoined does from a file.
    static void joinLines(const char* data, std::size_t size, std::vector<char>& out,
                          std::vector<std::size_t>* lineStarts = nullptr);

    // The deepest element nesting of an XML text (an upper bound: comments,
    // declarations and quoted attribute values are skipped).
    static int nestingDepth(const char* text);

    // Parses a zero-terminated buffer in place into doc. On failure doc is
    // left empty and error describes what the parser found and where
    // ("line L, column C" when lineStarts is given, else the character).
    // Never throws.
    static bool parse(std::vector<char>& buffer, XmlDocument& doc, std::string& error,
                      const std::vector<std::size_t>* lineStarts = nullptr);

    // The document printed with print flags 0.
    static std::string print(const XmlDocument& doc);
    static std::string print(const RapidDocument& doc);
};
