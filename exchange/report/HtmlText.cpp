#include "exchange/report/HtmlText.h"

#include <cctype>
#include <cstring>

namespace HtmlText {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at text[i], 0 when invalid.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    std::size_t n = 0;
    unsigned min = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    unsigned cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string cssString(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t n = utf8Length(text, i);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            out += kReplacement;
            ++i;
        } else if (n > 1 || std::isalnum(c) || std::strchr(" ,.-()", c)) {
            out.append(text, i, n);
            i += n;
        } else {
            out += '\\';
            out += hex[c >> 4];
            out += hex[c & 0xF];
            out += ' ';  // ends the escape
            ++i;
        }
    }
    return out + "\"";
}

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case '\t':
            case '\n': out += c; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += kReplacement;
                } else {
                    out += c;
                }
        }
        ++i;
    }
    return out;
}

}  // namespace HtmlText
