// The platform layer on Windows: paths are UTF-8 inside the program and
// UTF-16 in Windows' own calls.
#include "platform/Platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>
#include <algorithm>

#include <windows.h>
#include <shlobj.h>
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/SystemCalls.h"
#include "platform/windows/ConsoleBuffer.h"

namespace platform {

namespace {

const char kSeparator = '\\';

std::wstring widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, NULL, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

std::string narrow(const wchar_t* w, int length) {
    if (length <= 0) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w, length, NULL, 0, NULL, NULL);
    if (n <= 0) return std::string();
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, length, &s[0], n, NULL, NULL);
    return s;
}

}  // namespace

char pathSeparator() { return kSeparator; }

bool appDataFolder(std::string& out) {
    wchar_t path[MAX_PATH];
    HRESULT hr = SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path);
    if (hr < 0) return false;
    out = narrow(path, static_cast<int>(wcslen(path)));
    return !out.empty();
}

bool localDataFolder(std::string& out) {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_LOCAL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path) < 0) return false;
    out = narrow(path, static_cast<int>(wcslen(path)));
    if (out.empty()) return false;
    out += "\\Brelwick\\Quorvel\\";
    return true;
}

std::string desktopLocale(bool measurement) {
    (void)measurement;  // one user locale for both
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return length > 1 ? narrow(name, length - 1) : std::string();
}

bool settingsFolder(std::string& out) { return localDataFolder(out); }

bool installedDataFolder(std::string& out) {
    const std::string exe = executablePath();
    const std::size_t bin = exe.find_last_of("\\/");
    if (bin == std::string::npos || bin == 0) return false;
    const std::size_t install = exe.find_last_of("\\/", bin - 1);
    if (install == std::string::npos) return false;
    out = exe.substr(0, install + 1) + "data\\";
    return true;
}

std::string executablePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(NULL, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) return narrow(buf.data(), static_cast<int>(n));
        if (buf.size() >= 32768) return std::string();
        buf.resize(buf.size() * 2);
    }
}

bool instantToLocal(std::int64_t t, std::tm& out) {
    __time64_t tt = static_cast<__time64_t>(t);
    return _localtime64_s(&out, &tt) == 0;
}

void FileOps::setSystemError(const std::string& what) {
    DWORD code = GetLastError();
    // Another program holding the file for a moment.
    const bool mayPass =
        code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION;
    char msg[256] = {0};
    if (code != 0 &&
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, msg,
                       sizeof msg, NULL) > 0) {
        std::size_t n = std::strlen(msg);
        while (n > 0 && (msg[n - 1] == '\n' || msg[n - 1] == '\r' || msg[n - 1] == '.')) msg[--n] = 0;
        lastError_ = what + ": " + msg;
        mayPass_ = mayPass;
        return;
    }
    setError(what);
    mayPass_ = mayPass;
}

int FileOps::createExclusive(const std::string& path) {
    int fd = _wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) setError("cannot create " + path);
    return fd;
}

bool FileOps::flushToDisk(int handle) {
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file)) {
        setSystemError("cannot flush to disk");
        return false;
    }
    return true;
}

bool FileOps::close(int handle) {
    if (_close(handle) != 0) {
        setError("cannot close");
        return false;
    }
    return true;
}

bool FileOps::replace(const std::string& source, const std::string& target) {
    if (!MoveFileExW(widen(source).c_str(), widen(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        setSystemError("cannot replace " + target);
        return false;
    }
    return true;
}

bool FileOps::syncFolder(const std::string& folder) {
    (void)folder;  // MOVEFILE_WRITE_THROUGH already made the rename durable
    return true;
}

bool FileOps::remove(const std::string& path) {
    if (!DeleteFileW(widen(path).c_str())) {
        setSystemError("cannot remove " + path);
        return false;
    }
    return true;
}

bool FileOps::moveNew(const std::string& source, const std::string& target) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
    if (!MoveFileExW(widen(source).c_str(), widen(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
        setSystemError("cannot move " + source + " to " + target);
        return false;
    }
    return true;
}

bool FileOps::makeFolder(const std::string& path) {
    if (!CreateDirectoryW(widen(path).c_str(), NULL)) {
        setSystemError("cannot create the folder " + path);
        return false;
    }
    return true;
}

bool FileOps::removeFolder(const std::string& path) {
    if (!RemoveDirectoryW(widen(path).c_str())) {
        setSystemError("cannot remove the folder " + path);
        return false;
    }
    return true;
}

bool removeFile(const std::string& path) { return _wremove(widen(path).c_str()) == 0; }

bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    WIN32_FIND_DATAW item;
    HANDLE find = FindFirstFileW(widen(base + "*").c_str(), &item);
    if (find == INVALID_HANDLE_VALUE) {
        error = "cannot read the folder " + folder + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    do {
        const std::string name = narrow(item.cFileName, static_cast<int>(wcslen(item.cFileName)));
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find, &item));
    const DWORD code = GetLastError();
    FindClose(find);
    if (code != ERROR_NO_MORE_FILES) {
        error = "cannot read the folder " + folder + " to its end (error " + std::to_string(code) + ")";
        return false;
    }
    return true;
}

bool copyNewFile(const std::string& from, const std::string& to) {
    return CopyFileW(widen(from).c_str(), widen(to).c_str(), TRUE) != 0;
}

namespace {

void useStream(std::ostream& stream, std::FILE* file, DWORD which) {
    std::fflush(file);
    _setmode(_fileno(file), _O_BINARY);
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle != NULL && GetConsoleMode(handle, &mode)) {
        // Lives as long as the process: the stream is flushed at its very end.
        stream.flush();
        stream.rdbuf(new ConsoleBuffer(handle));
    }
}

}  // namespace

void useStandardStreams() {
    useStream(std::cout, stdout, STD_OUTPUT_HANDLE);
    useStream(std::cerr, stderr, STD_ERROR_HANDLE);
}

bool pathExists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool entryExists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // 100-nanosecond steps.
    modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                         data.ftLastWriteTime.dwLowDateTime) * 100;
    return true;
}

bool modifiedSeconds(const std::string& path, std::int64_t& seconds) {
    struct _stat64 st;
    if (_wstat64(widen(path).c_str(), &st) != 0) return false;
    seconds = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

bool isRegularFile(const std::string& path) {
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool renameFile(const std::string& from, const std::string& to) {
    return _wrename(widen(from).c_str(), widen(to).c_str()) == 0;
}

bool isReadOnlyFile(const std::string& path) {
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool createPrivateFile(const std::string& path) {
    int fd = _wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    _close(fd);
    return true;
}

int lockDataFolder(const std::string& folder, std::string& error) {
    // The lock is held through a handle that stays open until the process
    // ends; a second call for the folder already locked is answered at once.
    static std::string lockedFolder;
    if (!lockedFolder.empty() && lockedFolder == folder) return 1;
    // A lock file nobody else may open while this process lives; the system
    // deletes it when the last handle closes, also when the process is killed.
    // It lies in this computer's local settings, named after the folder, so
    // that a sync tool never carries it to another computer's copy.
    std::string path = folder + "quorvel.lock";
    std::string local;
    if (localDataFolder(local) && makeFolders(local)) {
        std::string key;
        for (char c : folder) key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c == '/' ? '\\' : c);
        std::uint64_t hash = 1469598103934665603ull;  // FNV-1a of the folder's path, case folded
        for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
        char name[40];
        std::snprintf(name, sizeof name, "folder-%016llx.lock", static_cast<unsigned long long>(hash));
        path = local + name;
    }
    HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_SHARING_VIOLATION) return 0;
        error = "cannot lock " + path + " (error " + std::to_string(code) + ")";
        return -1;
    }
    lockedFolder = folder;
    return 1;
}

void releaseUnusedCapacity(std::vector<char>& text) { text.shrink_to_fit(); }

void releaseUnusedRange(std::vector<char>& text, std::size_t from, std::size_t to) {
    (void)text;
    (void)from;
    (void)to;
}

bool releasesUnusedCapacityInPlace() { return false; }

bool decimalComma() {
    wchar_t point[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 8) == 0) return false;
    return point[0] == L',' && point[1] == 0;
}

std::string documentsFolder() {
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(NULL, CSIDL_PERSONAL, NULL, SHGFP_TYPE_CURRENT, path))) return std::string();
    return narrow(path, static_cast<int>(wcslen(path)));
}

bool listFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(widen(folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot read folder " + folder + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            names.push_back(narrow(found.cFileName, static_cast<int>(wcslen(found.cFileName))));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return true;
}

bool openWithDesktop(const std::string& path, std::string& error) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(NULL, L"open", widen(path).c_str(), NULL, NULL, SW_SHOWNORMAL));
    if (result > 32) return true;
    error = "the browser could not be opened (error " + std::to_string(static_cast<long long>(result)) + ")";
    return false;
}

namespace sys {

bool libraryLocalToInstant(std::tm& tm, std::int64_t& out) {
    __time64_t t = _mktime64(&tm);
    if (t == -1) return false;
    out = static_cast<std::int64_t>(t);
    return true;
}

long long writeSome(int handle, const char* data, std::size_t size) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    return _write(handle, data, chunk);
}

void makeFolder(const std::string& path) { CreateDirectoryW(widen(path).c_str(), NULL); }

bool createsAndRemoves(const std::string& path) {
    HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

long long processId() { return static_cast<long long>(GetCurrentProcessId()); }

bool argumentsFromSystem(int argc, std::vector<std::string>& out) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return false;
    for (int i = 0; i < count; ++i) out.push_back(narrow(wide[i], static_cast<int>(wcslen(wide[i]))));
    LocalFree(wide);
    return count == argc;
}

}  // namespace sys

}  // namespace platform
