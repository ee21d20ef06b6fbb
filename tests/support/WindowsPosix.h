// The few POSIX calls the tests make, in Windows terms; the Windows test
// build includes this header first in every test file. Paths are UTF-8.
#pragma once
#ifdef _WIN32

#include <direct.h>
#include <io.h>
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

#endif
