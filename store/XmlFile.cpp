#include "store/XmlFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <rapidxml/rapidxml_print.hpp>

void XmlFile::joinLines(const char* data, std::size_t size, std::vector<char>& out,
                        std::vector<std::size_t>* lineStarts) {
    out.clear();
    out.reserve(size + 1);
    if (lineStarts) {
        lineStarts->clear();
        lineStarts->push_back(0);
    }
    std::size_t i = 0;
    while (i < size) {
        const char* nl = static_cast<const char*>(std::memchr(data + i, '\n', size - i));
        std::size_t end = nl ? static_cast<std::size_t>(nl - data) : size;
        std::size_t lineEnd = end;
        if (lineEnd > i && data[lineEnd - 1] == '\r') --lineEnd;
        out.insert(out.end(), data + i, data + lineEnd);
        if (!nl) break;
        i = end + 1;
        if (lineStarts && i < size) lineStarts->push_back(out.size());
    }
    out.push_back('\0');
}

bool XmlFile::readJoined(const std::string& path, std::vector<char>& out, std::string& error,
                         std::vector<std::size_t>* lineStarts) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    std::vector<char> raw;
    char chunk[1 << 16];
    std::size_t n;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0) raw.reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) raw.insert(raw.end(), chunk, chunk + n);
    bool failed = std::ferror(f) != 0;
    int savedErrno = errno;
    std::fclose(f);
    if (failed) {
        error = std::strerror(savedErrno);
        return false;
    }
    joinLines(raw.data(), raw.size(), out, lineStarts);
    return true;
}

namespace {

// Skips to just after the first occurrence of end, or to the terminator.
const char* skipPast(const char* p, const char* end) {
    const char* found = std::strstr(p, end);
    return found ? found + std::strlen(end) : p + std::strlen(p);
}

}  // namespace

int XmlFile::nestingDepth(const char* text) {
    int depth = 0, deepest = 0;
    const char* p = text;
    while (*p) {
        if (*p != '<') {
            ++p;
            continue;
        }
        ++p;
        if (*p == '/') {
            --depth;
            p = skipPast(p, ">");
        } else if (std::strncmp(p, "!--", 3) == 0) {
            p = skipPast(p + 3, "-->");
        } else if (std::strncmp(p, "![CDATA[", 8) == 0) {
            p = skipPast(p + 8, "]]>");
        } else if (*p == '?') {
            p = skipPast(p, "?>");
        } else if (*p == '!') {
            // DOCTYPE, possibly with an internal subset in brackets.
            int brackets = 0;
            while (*p && !(*p == '>' && brackets == 0)) {
                if (*p == '[') ++brackets;
                if (*p == ']' && brackets > 0) --brackets;
                ++p;
            }
            if (*p) ++p;
        } else {
            ++depth;
            deepest = std::max(deepest, depth);
            char quote = 0;
            char prev = 0;
            while (*p && (quote || *p != '>')) {
                if (quote) {
                    if (*p == quote) quote = 0;
                } else if (*p == '"' || *p == '\'') {
                    quote = *p;
                }
                prev = *p;
                ++p;
            }
            if (prev == '/') --depth;
            if (*p) ++p;
        }
    }
    return deepest;
}

bool XmlFile::parse(std::vector<char>& buffer, XmlDocument& doc, std::string& error,
                    const std::vector<std::size_t>* lineStarts) {
    doc.reset();
    if (buffer.empty() || buffer.back() != '\0') buffer.push_back('\0');
    const std::size_t length = buffer.size() - 1;
    auto where = [&](std::size_t offset) {
        char text[96];
        if (lineStarts && !lineStarts->empty()) {
            auto it = std::upper_bound(lineStarts->begin(), lineStarts->end(), offset);
            std::size_t line = static_cast<std::size_t>(it - lineStarts->begin());
            std::size_t column = offset - *(it - 1) + 1;
            std::snprintf(text, sizeof text, "line %zu, column %zu", line, column);
        } else {
            std::snprintf(text, sizeof text, "character %zu", offset + 1);
        }
        return std::string(text);
    };
    const void* nul = std::memchr(buffer.data(), '\0', length);
    if (nul) {
        error = "unexpected zero byte at " +
                where(static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data()));
        return false;
    }
    if (nestingDepth(buffer.data()) > kMaxDepth) {
        error = "elements nested more than " + std::to_string(kMaxDepth) + " levels deep";
        return false;
    }
    try {
        doc->parse<kParseFlags>(buffer.data());
    } catch (const rapidxml::parse_error& e) {
        std::size_t offset = length;
        const char* at = e.where<char>();
        if (at >= buffer.data() && at <= buffer.data() + length) offset = static_cast<std::size_t>(at - buffer.data());
        error = std::string(e.what()) + " at " + where(offset);
        doc.reset();
        return false;
    }
    return true;
}

std::string XmlFile::print(const RapidDocument& doc) {
    std::string out;
    rapidxml::print(std::back_inserter(out), doc, 0);
    return out;
}

std::string XmlFile::print(const XmlDocument& doc) { return print(*const_cast<XmlDocument&>(doc)); }
