// The few POSIX calls the tests make, in Windows terms; the Windows test
// build includes this header first in every test file. Paths are UTF-8.
#pragma once
#ifdef _WIN32

#include <direct.h>
#include <io.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <string>

#include <windows.h>

inline std::wstring quorvelTestWide(const char* utf8) {
    std::wstring w(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, NULL, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], static_cast<int>(w.size()));
    if (!w.empty()) w.pop_back();
    return w;
}

// The C runtime reads TZ in its own form ("CET-1CEST"), not the zone names
// of Linux. Tests ask for "Europe/Berlin", the zone Wine was started in
// (scripts/windows-test.sh), so that one means "the system's zone": TZ is
// removed and the runtime asks Windows. Other names pass as they are (UTC).
inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name)) return 0;
    if (std::string(name) == "TZ" && std::string(value) == "Europe/Berlin") value = "";
    return _putenv_s(name, value);
}
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
inline int mkdir(const char* path, int) { return _wmkdir(quorvelTestWide(path).c_str()); }
inline void tzset() { _tzset(); }
// unlink of a UTF-8 path (the runtime's own takes the ANSI code page).
inline int quorvelTestUnlink(const char* path) { return _wunlink(quorvelTestWide(path).c_str()); }
#define unlink quorvelTestUnlink

// The bytes in use on the C runtime's heap, in the fields glibc names.
struct mallinfo2 {
    std::size_t uordblks;
    std::size_t hblkhd;
};
inline struct mallinfo2 mallinfo2() {
    struct mallinfo2 info = {0, 0};
    _HEAPINFO entry = {};
    while (_heapwalk(&entry) == _HEAPOK)
        if (entry._useflag == _USEDENTRY) info.uordblks += entry._size;
    return info;
}

#endif
