#include "platform/windows/ConsoleBuffer.h"

#include <cstring>
#include <string>

#include "platform/Platform.h"

ConsoleBuffer::ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type c) {
    if (!writeWhole()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int ConsoleBuffer::sync() { return writeWhole() ? 0 : -1; }

bool ConsoleBuffer::writeWhole() {
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    const std::size_t whole = platform::wholeCharacters(pbase(), size);
    bool ok = true;
    if (whole > 0) {
        const int n = MultiByteToWideChar(CP_UTF8, 0, pbase(), static_cast<int>(whole), NULL, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_UTF8, 0, pbase(), static_cast<int>(whole), &wide[0], n);
        DWORD written = 0;
        ok = WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, NULL) != 0;
    }
    const std::size_t rest = size - whole;
    std::memmove(buffer_, buffer_ + whole, rest);
    setp(buffer_, buffer_ + sizeof buffer_);
    pbump(static_cast<int>(rest));
    return ok;
}
