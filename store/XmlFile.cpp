#include "store/XmlFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <new>
#include <string_view>
#include <unordered_map>

#include <rapidxml/rapidxml_print.hpp>

#include "platform/Platform.h"
#include "store/FileMark.h"

namespace {
bool readOpened(std::FILE* f, std::vector<char>& out, std::string& error);
}

bool XmlFile::readRaw(const std::string& path, std::vector<char>& out, std::string& error) {
    out.clear();
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    // A folder opens on some systems and then reports an absurd size.
    if (!platform::isRegularFile(path)) {
        std::fclose(f);
        error = "not a regular file";
        return false;
    }
    try {
        return readOpened(f, out, error);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        out.clear();
        out.shrink_to_fit();
        error = "not enough memory to read the file";
        return false;
    }
}

namespace {

// Reads an opened file whole and closes it.
bool readOpened(std::FILE* f, std::vector<char>& out, std::string& error) {
    // One read of the whole file when its size is known; then whatever it
    // grew by meanwhile, in chunks.
    // One byte more than the size, so that the end is seen without growing
    // the buffer, and the terminating zero fits without a copy.
    std::size_t used = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size >= 0) {
            out.reserve(static_cast<std::size_t>(size) + 1);
            out.resize(static_cast<std::size_t>(size) + 1);
        }
        if (std::fseek(f, 0, SEEK_SET) != 0) out.clear();
    }
    bool failed = false;
    for (;;) {
        if (used == out.size()) out.resize(used + (1u << 16));
        std::size_t n = std::fread(out.data() + used, 1, out.size() - used, f);
        used += n;
        if (n == 0) {
            failed = std::ferror(f) != 0;
            break;
        }
    }
    const int savedErrno = errno;
    std::fclose(f);
    out.resize(used);
    if (failed) {
        error = std::strerror(savedErrno);
        out.clear();
        return false;
    }
    return true;
}

}  // namespace

void XmlFile::joinLinesInPlace(std::vector<char>& text) {
    char* d = text.data();
    const std::size_t n = text.size();
    std::size_t read = 0, written = 0;
    while (read < n) {
        const char* nl = static_cast<const char*>(std::memchr(d + read, '\n', n - read));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - d) : n;
        std::size_t lineEnd = end;
        if (lineEnd > read && d[lineEnd - 1] == '\r') --lineEnd;
        if (written != read) std::memmove(d + written, d + read, lineEnd - read);
        written += lineEnd - read;
        if (!nl) break;
        read = end + 1;
    }
    text.resize(written);
    text.push_back('\0');
}

void XmlFile::joinLines(const char* data, std::size_t size, std::vector<char>& out) {
    out.assign(data, data + size);
    joinLinesInPlace(out);
}

bool XmlFile::readJoined(const std::string& path, std::vector<char>& out, std::string& error) {
    if (!readRaw(path, out, error)) return false;
    joinLinesInPlace(out);
    return true;
}

std::string XmlFile::positionInRaw(const char* raw, std::size_t size, std::size_t joinedOffset) {
    std::size_t line = 1, column = 1, joined = 0, i = 0;
    while (i < size) {
        const char* nl = static_cast<const char*>(std::memchr(raw + i, '\n', size - i));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - raw) : size;
        std::size_t lineEnd = end;
        if (lineEnd > i && raw[lineEnd - 1] == '\r') --lineEnd;
        const std::size_t length = lineEnd - i;
        if (joinedOffset < joined + length || !nl || end + 1 >= size) {
            // On this line, or past the end of the text: the last line.
            column = std::min(joinedOffset - joined, length) + 1;
            break;
        }
        joined += length;
        i = end + 1;
        ++line;
    }
    char text[64];
    std::snprintf(text, sizeof text, "line %zu, column %zu", line, column);
    return text;
}

namespace {

// The character classes of the parser, looked up in one table.
enum : unsigned char { kBlank = 1, kNameChar = 2, kAttributeNameChar = 4 };

constexpr std::array<unsigned char, 256> characterClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 1; c < 256; ++c) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        const bool name = !blank && c != '/' && c != '>' && c != '?';
        const bool attributeName = name && c != '<' && c != '=' && c != '!';
        classes[static_cast<std::size_t>(c)] = static_cast<unsigned char>((blank ? kBlank : 0) | (name ? kNameChar : 0) |
                                                                        (attributeName ? kAttributeNameChar : 0));
    }
    return classes;
}
constexpr std::array<unsigned char, 256> kClasses = characterClasses();

inline bool isBlank(char c) { return kClasses[static_cast<unsigned char>(c)] & kBlank; }
inline bool isNameChar(char c) { return kClasses[static_cast<unsigned char>(c)] & kNameChar; }
inline bool isAttributeNameChar(char c) { return kClasses[static_cast<unsigned char>(c)] & kAttributeNameChar; }

// Follows the parser's grammar far enough to know how deep it recurses:
// element by element, with its rules for names, attributes, comments,
// declarations, processing instructions, CDATA and DOCTYPE. It stops where
// the parser would fail (entity errors aside: they only stop the parser
// earlier, so the result stays an upper bound) or when limit is exceeded.
class DepthScan {
public:
    explicit DepthScan(const char* text) : p_(text) {}

    int run(int limit) {
        if (static_cast<unsigned char>(p_[0]) == 0xEF && static_cast<unsigned char>(p_[1]) == 0xBB &&
            static_cast<unsigned char>(p_[2]) == 0xBF)
            p_ += 3;
        int depth = 0;
        for (;;) {
            if (depth == 0) {
                skipBlanks();
                if (*p_ != '<') break;  // end of data, or the parser's "expected <"
                ++p_;
            } else {
                p_ = std::strchr(p_, '<');
                if (!p_) break;
                ++p_;
                if (*p_ == '/') {
                    ++p_;
                    while (isNameChar(*p_)) ++p_;
                    skipBlanks();
                    if (*p_ != '>') break;
                    ++p_;
                    --depth;
                    continue;
                }
            }
            int opened = 0;
            if (!node(opened)) break;
            if (opened) {
                ++depth;
                if (depth > deepest_) {
                    deepest_ = depth;
                    deepestAt_ = p_;
                }
                if (depth > limit) break;
            }
        }
        return deepest_;
    }

    const char* deepestAt() const { return deepestAt_; }

    // Reads the node after a '<' (the scan starts just past it): true with
    // position() just past the node, false where the parser would fail;
    // opened is set when an element stays open.
    bool node(int& opened);
    const char* position() const { return p_; }

private:
    void skipBlanks() {
        while (isBlank(*p_)) ++p_;
    }

    bool skipPast(const char* terminator) {
        const char* found = std::strstr(p_, terminator);
        if (!found) return false;
        p_ = found + std::strlen(terminator);
        return true;
    }

    bool attributes() {
        while (isAttributeNameChar(*p_)) {
            ++p_;
            while (isAttributeNameChar(*p_)) ++p_;
            skipBlanks();
            if (*p_ != '=') return false;
            ++p_;
            skipBlanks();
            const char quote = *p_;
            if (quote != '"' && quote != '\'') return false;
            const char* close = std::strchr(p_ + 1, quote);
            if (!close) return false;
            p_ = close + 1;
            skipBlanks();
        }
        return true;
    }

    const char* p_;
    int deepest_ = 0;
    const char* deepestAt_ = nullptr;
};

bool DepthScan::node(int& opened) {
    const char* p = p_;
    if (*p == '?') {
        ++p_;
        if ((p[1] == 'x' || p[1] == 'X') && (p[2] == 'm' || p[2] == 'M') && (p[3] == 'l' || p[3] == 'L') &&
            isBlank(p[4])) {
            p_ += 4;
            skipBlanks();
            if (!attributes()) return false;
            if (p_[0] != '?' || p_[1] != '>') return false;
            p_ += 2;
            return true;
        }
        return skipPast("?>");
    }
    if (*p == '!') {
        if (p[1] == '-' && p[2] == '-') {
            p_ += 3;
            return skipPast("-->");
        }
        if (std::strncmp(p + 1, "[CDATA[", 7) == 0) {
            p_ += 8;
            return skipPast("]]>");
        }
        if (std::strncmp(p + 1, "DOCTYPE", 7) == 0 && isBlank(p[8])) {
            p_ += 9;
            while (*p_ != '>') {
                if (*p_ == '\0') return false;
                if (*p_ == '[') {
                    ++p_;
                    for (int brackets = 1; brackets > 0; ++p_) {
                        if (*p_ == '[') ++brackets;
                        else if (*p_ == ']') --brackets;
                        else if (*p_ == '\0') return false;
                    }
                } else {
                    ++p_;
                }
            }
            ++p_;
            return true;
        }
        const char* close = std::strchr(p + 1, '>');
        if (!close) return false;
        p_ = close + 1;
        return true;
    }
    while (isNameChar(*p_)) ++p_;
    if (p_ == p) return false;
    skipBlanks();
    if (!attributes()) return false;
    if (*p_ == '>') {
        ++p_;
        opened = 1;
        return true;
    }
    if (*p_ == '/' && p_[1] == '>') {
        p_ += 2;
        return true;
    }
    return false;
}

// The first value in the tree that holds a zero byte (made by a character
// reference such as &#0;), or null.
const char* valueWithZero(const RapidDocument& doc) {
    const XmlNode* root = &doc;
    const XmlNode* n = doc.first_node();
    while (n) {
        if (n->value_size() > 0 && std::memchr(n->value(), '\0', n->value_size())) return n->value();
        for (const XmlAttribute* a = n->first_attribute(); a; a = a->next_attribute())
            if (a->value_size() > 0 && std::memchr(a->value(), '\0', a->value_size())) return a->value();
        if (n->first_node()) {
            n = n->first_node();
            continue;
        }
        while (n != root && !n->next_sibling()) n = n->parent();
        n = n == root ? nullptr : n->next_sibling();
    }
    return nullptr;
}

}  // namespace

int XmlFile::nestingDepth(const char* text) { return DepthScan(text).run(INT_MAX); }

void XmlFile::dropSkippedText(std::vector<char>& text) { compact(text); }

namespace {

// Cuts the contents of the children of top-level elements into pieces of
// whole elements while the text is compacted, from the depths of the tags
// it walks through. Positions are those of the compacted text.
class PieceCutter {
public:
    using Piece = XmlFile::Piece;

    PieceCutter(std::vector<Piece>* pieces, std::size_t length) : pieces_(pieces), length_(length) {}

    // A start tag of an element, met with depth elements open; opened when
    // it is not closed at once; after is where its tag ends.
    void startTag(int depth, bool opened, std::size_t after) {
        if (!pieces_) return;
        if (depth == 1) {
            ++count_;
            if (opened) {
                open_ = true;
                contentBegin_ = pieceBegin_ = after;
                current_.clear();
            }
        } else if (depth == 2 && !opened) {
            betweenChildren(after);
        }
    }

    // A closing tag at at, met with depth elements open; after is where it ends.
    void closingTag(int depth, std::size_t at, std::size_t after) {
        if (!pieces_) return;
        if (depth == 3) {
            betweenChildren(after);
        } else if (depth == 2 && open_) {
            open_ = false;
            if (at - contentBegin_ < length_) return;
            if (at > pieceBegin_) current_.push_back({pieceBegin_, at, count_ - 1});
            pieces_->insert(pieces_->end(), current_.begin(), current_.end());
        }
    }

private:
    void betweenChildren(std::size_t at) {
        if (open_ && at - pieceBegin_ >= length_) {
            current_.push_back({pieceBegin_, at, count_ - 1});
            pieceBegin_ = at;
        }
    }

    std::vector<Piece>* pieces_;
    std::size_t length_;
    std::size_t count_ = 0;
    bool open_ = false;
    std::size_t contentBegin_ = 0;
    std::size_t pieceBegin_ = 0;
    std::vector<Piece> current_;
};

}  // namespace

int XmlFile::compact(std::vector<char>& text, std::vector<Piece>* pieces, std::size_t pieceBytes) {
    if (pieces) pieces->clear();
    if (text.empty() || text.back() != '\0') text.push_back('\0');
    char* const begin = text.data();
    const char* const end = begin + text.size() - 1;
    if (std::memchr(begin, '\0', static_cast<std::size_t>(end - begin))) return -1;  // refused by parse as it is
    PieceCutter cutter(pieces, pieceBytes);
    // The elements left open, counted as the parser recurses into them (never
    // below zero, so that a stray closing tag cannot hide an opening one).
    int depth = 0, deepest = 0;
    bool whole = true;
    // The text is copied onto itself, byte by byte (the pieces are short),
    // the write position never ahead of the read one.
    const char* r = begin;
    char* w = begin;
    bool afterMarkup = false;  // where the parser skips blanks before a '<'
    while (*r) {
        if (afterMarkup) {
            afterMarkup = false;
            const char* s = r;
            while (isBlank(*s)) ++s;
            if (*s == '<') r = s;
        }
        if (*r != '<') {
            while (*r && *r != '<') *w++ = *r++;
            continue;
        }
        afterMarkup = true;
        if (r[1] == '/') {
            // The parser skips a closing tag's name without comparing it.
            const char* s = r + 2;
            while (isNameChar(*s)) ++s;
            while (isBlank(*s)) ++s;
            if (*s != '>') {
                whole = false;
                break;
            }
            const auto at = static_cast<std::size_t>(w - begin);
            *w++ = '<';
            *w++ = '/';
            *w++ = '>';
            r = s + 1;
            cutter.closingTag(depth, at, static_cast<std::size_t>(w - begin));
            if (depth > 0) --depth;
            continue;
        }
        // Most tags are an element's name alone; the others follow the grammar.
        const char* s = r + 1;
        const bool element = *s != '!' && *s != '?';
        if (*s != '!') while (isNameChar(*s)) ++s;
        int opened = 0;
        if (s > r + 1 && (*s == '>' || (s[0] == '/' && s[1] == '>'))) {
            opened = *s == '>';
            s += *s == '>' ? 1 : 2;
        } else {
            DepthScan scan(r + 1);
            if (!scan.node(opened)) {
                whole = false;
                break;
            }
            s = scan.position();
        }
        while (r < s) *w++ = *r++;
        if (element) cutter.startTag(depth, opened != 0, static_cast<std::size_t>(w - begin));
        if (opened) deepest = std::max(deepest, ++depth);
    }
    // Where the grammar breaks the rest stays as it is: the parse fails there.
    const std::size_t rest = static_cast<std::size_t>(end - r);
    std::memmove(w, r, rest);
    w += rest;
    *w = '\0';
    text.resize(static_cast<std::size_t>(w - begin) + 1);
    platform::releaseUnusedCapacity(text);
    if (pieces && !whole) pieces->clear();
    return whole ? deepest : -1;
}

Expected<void> XmlFile::load(const std::string& path, std::vector<char>& text, XmlDocument& doc, Failure* failure,
                             Text kept, std::uint64_t* rawChecksum) {
    std::string error;
    if (!readRaw(path, text, error)) return Error(Error::Kind::CannotOpen, error);
    if (rawChecksum) *rawChecksum = FileMark::checksum(text.data(), text.size());
    joinLinesInPlace(text);
    // Only where the end of a text can be given back without moving it (the
    // tree points into it) does keeping only the values give memory back.
    if (kept == Text::Values && !platform::releasesUnusedCapacityInPlace()) kept = Text::Compact;
    if (kept == Text::Values) {
        if (parseValues(text, doc)) return {};
    } else if (parseKnowingDepth(text, doc, error, failure, kept == Text::AsRead ? -1 : compact(text))) {
        return {};
    }
    if (kept == Text::AsRead) return Error(Error::Kind::Malformed, error);
    // Read again as it is, so that the finding's offset is one of the joined text.
    if (!readJoined(path, text, error)) return Error(Error::Kind::CannotOpen, error);
    if (!parse(text, doc, error, failure)) return Error(Error::Kind::Malformed, error);
    return {};
}

namespace {

using XmlText = rapidxml::xml_base<char>;

// Hands every name and value of the tree to visit(holder, isName) in the
// order the parser read them: an element's name, its attributes' names and
// values, its value, then its children.
template <class Visit>
void eachText(RapidDocument& doc, Visit visit) {
    XmlNode* const root = &doc;
    XmlNode* n = doc.first_node();
    while (n) {
        visit(static_cast<XmlText*>(n), true);
        for (XmlAttribute* a = n->first_attribute(); a; a = a->next_attribute()) {
            visit(static_cast<XmlText*>(a), true);
            visit(static_cast<XmlText*>(a), false);
        }
        visit(static_cast<XmlText*>(n), false);
        if (n->first_node()) {
            n = n->first_node();
            continue;
        }
        while (n != root && !n->next_sibling()) n = n->parent();
        n = n == root ? nullptr : n->next_sibling();
    }
}

// One copy of each name, from the document's storage. A file uses a few
// dozen names over and over: the last copy of a name of the same length and
// letters at its ends and middle is tried first.
class NameCopies {
public:
    explicit NameCopies(RapidDocument& doc) : doc_(doc) {}

    char* operator()(const char* name, std::size_t size) {
        static char empty[1] = "";
        if (size == 0) return empty;
        const auto first = static_cast<unsigned char>(name[0]);
        const auto middle = static_cast<unsigned char>(name[size / 2]);
        const auto last = static_cast<unsigned char>(name[size - 1]);
        Copy& recent = recent_[(size * 131 + first * 31 + middle * 7 + last) % kRecent];
        if (recent.size == size && std::memcmp(recent.text, name, size) == 0) return recent.text;
        auto found = copies_.find(std::string_view(name, size));
        if (found == copies_.end()) {
            // The parser ended the name with a zero: size + 1 bytes are there to copy.
            char* copy = doc_.allocate_string(name, size + 1);
            copy[size] = '\0';
            found = copies_.emplace(std::string_view(copy, size), copy).first;
        }
        recent = {found->second, size};
        return found->second;
    }

private:
    struct Copy {
        char* text = nullptr;
        std::size_t size = 0;
    };
    static constexpr std::size_t kRecent = 251;
    RapidDocument& doc_;
    std::array<Copy, kRecent> recent_{};
    std::unordered_map<std::string_view, char*> copies_;
};

// Gathers the values of parsed texts one after the other, each with its
// zero, from a write position that never passes what is still to be read;
// or copies them into the document's own storage.
class ValuePacker {
public:
    ValuePacker(RapidDocument& doc, char* to) : doc_(doc), names_(doc), to_(to) {}

    // Gives the names of the tree that point into [begin, end) their copies
    // and moves the values there to the write position (or, inStorage, to
    // copies in the document's storage). False where a value holds a zero
    // byte (from a character reference), or the values do not come in the
    // order of the text, or a name comes after a value that follows it in
    // the text: what was moved then is lost.
    bool pack(const char* begin, const char* end, bool inStorage = false) {
        const auto from = reinterpret_cast<std::uintptr_t>(begin);
        const auto to = reinterpret_cast<std::uintptr_t>(end);
        const char* reached = begin;
        bool ok = true;
        eachText(doc_, [&](XmlText* t, bool isName) {
            const char* at = isName ? t->name() : t->value();
            const auto address = reinterpret_cast<std::uintptr_t>(at);
            if (!ok || address < from || address >= to) return;
            const std::size_t size = isName ? t->name_size() : t->value_size();
            if (isName) {
                // A name below the write position was written over (its
                // element follows a value in the text that came first here).
                if (!inStorage && at < to_) {
                    ok = false;
                    return;
                }
                t->name(names_(at, size), size);
                return;
            }
            if (at < reached) {
                ok = false;
                return;
            }
            reached = at + size + 1;
            // The parser ended the value with a zero: size + 1 bytes are there to copy.
            char* const copy = inStorage ? doc_.allocate_string(at, size + 1) : to_;
            for (std::size_t i = 0; i < size; ++i) {
                if (at[i] == '\0') ok = false;
                copy[i] = at[i];
            }
            copy[size] = '\0';
            t->value(copy, size);
            if (!inStorage) to_ += size + 1;
        });
        return ok;
    }

    char* written() const { return to_; }

private:
    RapidDocument& doc_;
    NameCopies names_;
    char* to_;
};

// Moves the nodes under from, in order, to the end of to's.
void moveChildren(XmlNode* from, XmlNode* to) {
    while (XmlNode* n = from->first_node()) {
        from->remove_first_node();
        to->append_node(n);
    }
}

// Whether first or a sibling after it is an element.
bool hasElement(const XmlNode* first) {
    for (const XmlNode* n = first; n; n = n->next_sibling())
        if (n->type() == rapidxml::node_element) return true;
    return false;
}

}  // namespace

bool XmlFile::parseValues(std::vector<char>& text, XmlDocument& doc, std::size_t pieceBytes) {
    std::vector<Piece> pieces;
    const int depth = compact(text, &pieces, pieceBytes);
    if (depth < 0 || depth > kMaxDepth) return false;
    if (!pieces.empty()) return parseInPieces(text, pieces, doc);
    std::string error;
    return parseKnowingDepth(text, doc, error, nullptr, depth, false) && keepOnlyValues(text, doc);
}

bool XmlFile::keepOnlyValues(std::vector<char>& text, XmlDocument& doc) {
    try {
        ValuePacker packer(doc.get(), text.data());
        if (!packer.pack(text.data(), text.data() + text.size())) return false;
        text.resize(static_cast<std::size_t>(packer.written() - text.data()));
        text.push_back('\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (platform::releasesUnusedCapacityInPlace()) platform::releaseUnusedCapacity(text);
    return true;
}

bool XmlFile::parseInPieces(std::vector<char>& text, const std::vector<Piece>& pieces, XmlDocument& doc) {
    doc.reset();
    RapidDocument& d = doc.get();
    try {
        ValuePacker packer(d, text.data());
        // What is left without the pieces is read first: the elements the
        // pieces belong in, empty. Its values go to the document's storage.
        std::vector<char> frame;
        std::size_t from = 0;
        for (const Piece& p : pieces) {
            frame.insert(frame.end(), text.begin() + static_cast<std::ptrdiff_t>(from),
                         text.begin() + static_cast<std::ptrdiff_t>(p.begin));
            from = p.end;
        }
        frame.insert(frame.end(), text.begin() + static_cast<std::ptrdiff_t>(from), text.end());
        d.parse<kParseFlags>(frame.data());
        if (!hasElement(d.first_node())) return false;
        if (!packer.pack(frame.data(), frame.data() + frame.size(), true)) return false;
        std::vector<char>().swap(frame);

        // The elements the pieces go into, counted as they were cut: the
        // children of top-level elements, in order.
        std::vector<XmlNode*> parents;
        std::size_t index = 0;
        for (XmlNode* top = d.first_node(); top; top = top->next_sibling()) {
            if (top->type() != rapidxml::node_element) continue;
            for (XmlNode* child = top->first_node(); child; child = child->next_sibling()) {
                if (child->type() != rapidxml::node_element) continue;
                while (parents.size() < pieces.size() && pieces[parents.size()].parent == index)
                    parents.push_back(child);
                ++index;
            }
        }
        if (parents.size() != pieces.size()) return false;
        // The frame waits under a node of its own while the pieces are read.
        XmlNode* const held = d.allocate_node(rapidxml::node_element);
        moveChildren(&d, held);

        for (std::size_t i = 0; i < pieces.size(); ++i) {
            char* const at = text.data() + pieces[i].begin;
            char* const end = text.data() + pieces[i].end;
            // Read on its own, a piece may begin only where an element does:
            // the parser would skip a byte-order mark at its start.
            if (*at != '<') return false;
            const char next = *end;
            *end = '\0';
            d.parse<kParseFlags>(at);
            *end = next;
            if (!packer.pack(at, end)) return false;
            moveChildren(&d, parents[i]);
            // What the pieces read so far left of themselves tells how far the
            // values will reach: the text up to there is written again anyway.
            const auto packed = static_cast<std::size_t>(packer.written() - text.data());
            const auto reach = static_cast<std::size_t>(static_cast<double>(packed) / static_cast<double>(pieces[i].end) *
                                                        static_cast<double>(text.size()) * 1.02);
            platform::releaseUnusedRange(text, std::max(packed, reach), pieces[i].end);
        }
        moveChildren(held, &d);
        text.resize(static_cast<std::size_t>(packer.written() - text.data()));
        text.push_back('\0');
    } catch (const rapidxml::parse_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (platform::releasesUnusedCapacityInPlace()) platform::releaseUnusedCapacity(text);
    return true;
}

Expected<void> XmlFile::check(const std::string& path, const Visit& visit, Failure* failure) {
    {
        std::vector<char> text;
        std::string error;
        if (!readRaw(path, text, error)) return Error(Error::Kind::CannotOpen, error);
        joinLinesInPlace(text);
        std::vector<Piece> pieces;
        const int depth = compact(text, &pieces);
        if (depth >= 0 && depth <= kMaxDepth && checkInPieces(text, pieces, depth, visit)) return {};
    }
    std::vector<char> text;
    XmlDocument doc;
    Expected<void> loaded = load(path, text, doc, failure, Text::Values);
    if (loaded) visit(doc.get(), nullptr);
    return loaded;
}

bool XmlFile::checkInPieces(std::vector<char>& text, const std::vector<Piece>& pieces, int depth,
                            const std::function<void(const RapidDocument&, const XmlNode*)>& visit) {
    if (pieces.empty()) {
        XmlDocument doc;
        std::string error;
        if (!parseKnowingDepth(text, doc, error, nullptr, depth)) return false;
        visit(doc.get(), nullptr);
        return true;
    }
    try {
        // The frame: the text without the pieces, the elements they belong in empty.
        std::vector<char> frameText;
        std::size_t from = 0;
        for (const Piece& p : pieces) {
            frameText.insert(frameText.end(), text.begin() + static_cast<std::ptrdiff_t>(from),
                             text.begin() + static_cast<std::ptrdiff_t>(p.begin));
            from = p.end;
        }
        frameText.insert(frameText.end(), text.begin() + static_cast<std::ptrdiff_t>(from), text.end());
        RapidDocument frame;
        frame.parse<kParseFlags>(frameText.data());
        if (!hasElement(frame.first_node()) || valueWithZero(frame)) return false;
        std::vector<const XmlNode*> parents;
        std::size_t index = 0;
        for (const XmlNode* top = frame.first_node(); top; top = top->next_sibling()) {
            if (top->type() != rapidxml::node_element) continue;
            for (const XmlNode* child = top->first_node(); child; child = child->next_sibling()) {
                if (child->type() != rapidxml::node_element) continue;
                while (parents.size() < pieces.size() && pieces[parents.size()].parent == index)
                    parents.push_back(child);
                ++index;
            }
        }
        if (parents.size() != pieces.size()) return false;
        visit(frame, nullptr);
        RapidDocument part;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            char* const at = text.data() + pieces[i].begin;
            char* const end = text.data() + pieces[i].end;
            if (*at != '<') return false;
            const char next = *end;
            *end = '\0';
            part.clear();
            part.parse<kParseFlags>(at);
            *end = next;
            if (valueWithZero(part)) return false;
            visit(part, parents[i]);
        }
    } catch (const rapidxml::parse_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool XmlFile::parse(std::vector<char>& buffer, XmlDocument& doc, std::string& error, Failure* failure) {
    return parseKnowingDepth(buffer, doc, error, failure, -1);
}

bool XmlFile::parseKnowingDepth(std::vector<char>& buffer, XmlDocument& doc, std::string& error, Failure* failure,
                                int knownDepth, bool checkZeros) {
    doc.reset();
    if (buffer.empty() || buffer.back() != '\0') buffer.push_back('\0');
    char* const start = buffer.data();
    const std::size_t length = buffer.size() - 1;
    auto refuse = [&](const std::string& reason, std::size_t offset) {
        doc.reset();
        error = reason + " at character " + std::to_string(offset + 1);
        if (failure) {
            failure->reason = reason;
            failure->offset = offset;
        }
        return false;
    };

    if (const void* nul = std::memchr(start, '\0', length))
        return refuse("unexpected zero byte", static_cast<std::size_t>(static_cast<const char*>(nul) - start));
    DepthScan scan(start);
    if ((knownDepth < 0 || knownDepth > kMaxDepth) && scan.run(kMaxDepth) > kMaxDepth)
        return refuse("elements nested more than " + std::to_string(kMaxDepth) + " levels deep",
                      static_cast<std::size_t>(scan.deepestAt() - start));
    try {
        doc->parse<kParseFlags>(start);
    } catch (const rapidxml::parse_error& e) {
        std::size_t offset = length;
        const char* at = e.where<char>();
        if (at >= start && at <= start + length) offset = static_cast<std::size_t>(at - start);
        return refuse(e.what(), offset);
    } catch (const std::bad_alloc&) {
        return refuse("not enough memory to read the file", 0);
    }
    if (!hasElement(doc->first_node())) return refuse("no element found", length);
    if (!checkZeros) return true;
    if (const char* zero = valueWithZero(doc.get()))
        return refuse("character reference to a zero byte", static_cast<std::size_t>(zero - start));
    return true;
}

namespace {

// Control characters in texts (a newline or tab from a character reference)
// would be printed raw, and raw line ends are dropped on reading. While the
// document is printed each one stands as kMark and a printable letter, which
// the output then turns into a character reference.
constexpr char kMark = '\x01';

struct MarkedText {
    rapidxml::xml_base<char>* holder;
    bool name;  // the holder's name, else its value
    char* text;
    std::size_t size;
};

bool hasControl(const char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20) return true;
    return false;
}

void markText(rapidxml::xml_base<char>* holder, std::vector<MarkedText>& marked, std::deque<std::string>& texts) {
    if (!hasControl(holder->value(), holder->value_size())) return;
    std::string text;
    for (std::size_t i = 0; i < holder->value_size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(holder->value()[i]);
        if (c < 0x20) {
            text += kMark;
            text += static_cast<char>('@' + c);
        } else {
            text += static_cast<char>(c);
        }
    }
    marked.push_back({holder, false, holder->value(), holder->value_size()});
    texts.push_back(text);
    holder->value(&texts.back()[0], texts.back().size());
}

// A name is printed as it is: a kMark in it stands doubled while printing,
// which the output turns back into the one byte.
void markName(rapidxml::xml_base<char>* holder, std::vector<MarkedText>& marked, std::deque<std::string>& texts) {
    if (!std::memchr(holder->name(), kMark, holder->name_size())) return;
    std::string text;
    for (std::size_t i = 0; i < holder->name_size(); ++i) {
        if (holder->name()[i] == kMark) text += kMark;
        text += holder->name()[i];
    }
    marked.push_back({holder, true, holder->name(), holder->name_size()});
    texts.push_back(text);
    holder->name(&texts.back()[0], texts.back().size());
}

// Marks the values of the tree, or (names) its names, whose marks count only
// once a value was marked.
void markTree(XmlNode* node, bool names, std::vector<MarkedText>& marked, std::deque<std::string>& texts) {
    const auto mark = names ? markName : markText;
    mark(node, marked, texts);
    for (XmlAttribute* a = node->first_attribute(); a; a = a->next_attribute()) mark(a, marked, texts);
    for (XmlNode* child = node->first_node(); child; child = child->next_sibling())
        markTree(child, names, marked, texts);
}

// The printer's output gathered into pieces for put; each kMark and the
// letter after it become a character reference on the way.
class PieceWriter {
public:
    PieceWriter(const std::function<bool(const char*, std::size_t)>& put, bool translate)
        : put_(put), translate_(translate) {
        piece_.reserve(XmlFile::kPrintPiece);
    }

    void add(char c) {
        if (afterMark_) {
            afterMark_ = false;
            if (c == kMark) {
                append(c);  // a kMark of a name
                return;
            }
            const std::string reference = "&#" + std::to_string(c - '@') + ";";
            for (char r : reference) append(r);
            return;
        }
        if (translate_ && c == kMark) {
            afterMark_ = true;
            return;
        }
        append(c);
    }

    // Hands over what is left; false when any put failed.
    bool finish() {
        // A mark at the very end stays as it is, as it was printed.
        if (afterMark_) append(kMark);
        afterMark_ = false;
        send();
        return ok_;
    }

private:
    void append(char c) {
        piece_.push_back(c);
        if (piece_.size() == XmlFile::kPrintPiece) send();
    }
    void send() {
        if (ok_ && !piece_.empty()) ok_ = put_(piece_.data(), piece_.size());
        piece_.clear();
    }

    const std::function<bool(const char*, std::size_t)>& put_;
    bool translate_;
    bool afterMark_ = false;
    bool ok_ = true;
    std::string piece_;
};

// The output iterator rapidxml prints through: its copies share one writer.
struct PieceIterator {
    using iterator_category = std::output_iterator_tag;
    using value_type = void;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = void;

    PieceWriter* writer;
    PieceIterator& operator*() { return *this; }
    PieceIterator& operator++() { return *this; }
    PieceIterator operator++(int) { return *this; }
    PieceIterator& operator=(char c) {
        writer->add(c);
        return *this;
    }
};

// The texts of a document marked for printing, each put back as it was when
// this goes, however the print ends (a put that throws, memory running out).
// A printed document is only lent to the print: it comes back unchanged.
class PrintMarks {
public:
    PrintMarks() = default;
    PrintMarks(const PrintMarks&) = delete;
    PrintMarks& operator=(const PrintMarks&) = delete;
    ~PrintMarks() {
        for (const MarkedText& m : marked_) {
            if (m.name)
                m.holder->name(m.text, m.size);
            else
                m.holder->value(m.text, m.size);
        }
    }

    // Marks the values of the document and, once one was marked, its names.
    void mark(const RapidDocument& doc) {
        for (XmlNode* node = doc.first_node(); node; node = node->next_sibling())
            markTree(node, false, marked_, texts_);
        if (!marked_.empty())
            for (XmlNode* node = doc.first_node(); node; node = node->next_sibling())
                markTree(node, true, marked_, texts_);
    }
    bool any() const { return !marked_.empty(); }

private:
    std::vector<MarkedText> marked_;
    std::deque<std::string> texts_;
};

}  // namespace

bool XmlFile::print(const RapidDocument& doc, const std::function<bool(const char*, std::size_t)>& put) {
    PrintMarks marks;
    marks.mark(doc);
    PieceWriter writer(put, marks.any());
    rapidxml::print(PieceIterator{&writer}, doc, 0);
    return writer.finish();
}

std::string XmlFile::print(const RapidDocument& doc) {
    std::string out;
    print(doc, [&out](const char* data, std::size_t size) {
        out.append(data, size);
        return true;
    });
    return out;
}

std::string XmlFile::print(const XmlDocument& doc) { return print(*doc); }
