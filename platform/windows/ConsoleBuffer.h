// A console's stream on Windows: UTF-8 in, UTF-16 out through WriteConsoleW,
// so that every name reads right whatever the console's code page. A
// character cut in two by the buffer waits for its rest.
#pragma once

#include <streambuf>

#include <windows.h>

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console);

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Writes the whole characters the buffer holds and keeps the rest.
    bool writeWhole();

    HANDLE console_;
    char buffer_[4096];
};
