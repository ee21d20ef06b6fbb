// Reading, checking, parsing and printing of the program's XML data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Expected.h"
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

    // Drops from a joined text what the parser skips and leaves no trace of:
    // blanks between the end of a markup and the next '<', and the names of
    // closing tags, which it does not compare with the opening ones. A text
    // the parser accepts gives the same document either way, in less memory
    // (the storage of the dropped bytes is given back). The text ends with a
    // zero byte afterwards.
    static void dropSkippedText(std::vector<char>& text);

    // A stretch of the content of an element that is a child of a top-level
    // element, between two of its children: [begin, end) of the compacted
    // text; parent counts such elements in the order of the text, from 0.
    struct Piece {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::size_t parent = 0;
    };

private:
    // Contents at least this long are read in pieces of about this length.
    static constexpr std::size_t kPieceBytes = 1u << 18;

    // dropSkippedText, returning how deep the elements it walked through
    // nest (at least as deep as the parser recurses), or -1 when it stopped
    // where the grammar breaks. pieces (when given) receives the stretches
    // of long contents to read one by one.
    static int compact(std::vector<char>& text, std::vector<Piece>* pieces = nullptr,
                       std::size_t pieceBytes = kPieceBytes);
    // parse; a depth known from compact (0 or more, at most kMaxDepth)
    // spares the scan for it. checkZeros false leaves the search for a
    // character reference to a zero byte to the caller.
    static bool parseKnowingDepth(std::vector<char>& buffer, XmlDocument& doc, std::string& error, Failure* failure,
                                  int knownDepth, bool checkZeros = true);
    // Keeps of a parsed compacted text only the values (see Text::Values).
    // False, with the tree to be dropped, when a value holds a zero byte or
    // the values do not come in the order of the text.
    static bool keepOnlyValues(std::vector<char>& text, XmlDocument& doc);
    // Parses a compacted text whose long contents were cut into pieces:
    // each piece is parsed on its own, its values kept at the front of the
    // text and the rest of it given back before the next, so that the whole
    // text and the whole tree are never held together. False (the tree to be
    // dropped) wherever the text is not a well-formed document of values
    // in their order: then it is read as a whole to tell why.
    static bool parseInPieces(std::vector<char>& text, const std::vector<Piece>& pieces, XmlDocument& doc);
    // check on a compacted text cut into pieces; false wherever the parts do
    // not read as the whole would.
    static bool checkInPieces(std::vector<char>& text, const std::vector<Piece>& pieces, int depth,
                              const std::function<void(const RapidDocument&, const XmlNode*)>& visit);

public:

    // What load keeps of a file's text: Compact drops what the parser skips;
    // AsRead keeps the joined text, so that a node's offset in it gives its line;
    // Values keeps only the values the tree holds, one after the other, and
    // each name once (the markup is gone: the least memory for an open file).
    enum class Text { Compact, AsRead, Values };

    // Reads a data file and parses it into doc; text keeps what the tree
    // points into. A compacted text the parser refuses is read and parsed
    // again as it is, so failure's offset is always one of the joined text.
    // Fails with CannotOpen when the file cannot be opened or read, or with
    // Malformed when it is not well-formed (failure, when given, then holds
    // the parser's reason and offset); the error's reason says why.
    // rawChecksum (when given) receives FileMark::checksum of the bytes as
    // read from the file.
    static Expected<void> load(const std::string& path, std::vector<char>& text, XmlDocument& doc,
                               Failure* failure = nullptr, Text kept = Text::Compact,
                               std::uint64_t* rawChecksum = nullptr);

    // Parses a joined text in place keeping only its values (Text::Values),
    // contents longer than pieceBytes read in pieces of about that length.
    // False when the text cannot be read so (damaged, or values out of the
    // order of the text): it is then to be read again as a whole, which
    // tells why or keeps it whole.
    static bool parseValues(std::vector<char>& text, XmlDocument& doc, std::size_t pieceBytes = kPieceBytes);

    // The parts of a file as check hands them over: first the document
    // with the long contents of the children of its top-level elements cut
    // out (parent null; the whole document when nothing was cut), then each
    // cut piece, its top nodes children of parent, a node of the first
    // part, which lives until check returns. A part with parent null starts
    // the file over: what was handed before it is to be forgotten.
    using Visit = std::function<void(const RapidDocument& part, const XmlNode* parent)>;

    // Reads and checks a data file as load does, handing its tree to visit
    // in parts rather than keeping it: the file's text and one part's tree
    // in memory at a time. Fails as load does, and only then reads the file
    // whole to tell why (or to read it so, when the parts do not).
    static Expected<void> check(const std::string& path, const Visit& visit, Failure* failure = nullptr);

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
    // The same text handed to put in pieces of at most kPrintPiece bytes,
    // never held whole; once put returns false nothing more is handed to it
    // and the result is false.
    static constexpr std::size_t kPrintPiece = 64 * 1024;
    static bool print(const RapidDocument& doc, const std::function<bool(const char*, std::size_t)>& put);
};
