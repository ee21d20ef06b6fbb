#include "platform/Platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <streambuf>
#include <iostream>
#include <thread>
#include <chrono>
#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <ctime>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#endif

namespace platform {

#ifdef _WIN32
// Paths are UTF-8 inside the program and UTF-16 in Windows' own calls.
static std::wstring widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, NULL, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

static std::string narrow(const wchar_t* w, int length) {
    if (length <= 0) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w, length, NULL, 0, NULL, NULL);
    if (n <= 0) return std::string();
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, length, &s[0], n, NULL, NULL);
    return s;
}
#endif

char pathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

bool appDataFolder(std::string& out) {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    HRESULT hr = SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path);
    if (hr < 0) return false;
    out = narrow(path, static_cast<int>(wcslen(path)));
    return !out.empty();
#elif defined(__APPLE__)
    const char* home = std::getenv("HOME");
    if (!home || !*home) return false;
    out = std::string(home) + "/Library/Application Support";
    return true;
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') {  // relative values are invalid by the XDG rules
        out = xdg;
        while (out.size() > 1 && out.back() == '/') out.pop_back();
        return true;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) return false;
    out = std::string(home) + "/.local/share";
    return true;
#endif
}

bool dataFolder(std::string& out) {
    std::string base;
    if (!appDataFolder(base)) return false;
    const char sep = pathSeparator();
    out = base + sep + "Brelwick" + sep + "Quorvel" + sep;
    return true;
}

bool localDataFolder(std::string& out) {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_LOCAL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path) < 0) return false;
    out = narrow(path, static_cast<int>(wcslen(path)));
    if (out.empty()) return false;
    out += "\\Brelwick\\Quorvel\\";
    return true;
#else
    (void)out;
    return false;
#endif
}

bool installedDataFolder(std::string& out) {
#ifdef _WIN32
    const std::string exe = executablePath();
    const std::size_t bin = exe.find_last_of("\\/");
    if (bin == std::string::npos || bin == 0) return false;
    const std::size_t install = exe.find_last_of("\\/", bin - 1);
    if (install == std::string::npos) return false;
    out = exe.substr(0, install + 1) + "data\\";
    return true;
#else
    (void)out;
    return false;
#endif
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> out;
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) out.push_back(narrow(wide[i], static_cast<int>(wcslen(wide[i]))));
        LocalFree(wide);
        if (count == argc) return out;
        out.clear();
    }
#endif
    out.reserve(static_cast<std::size_t>(argc > 0 ? argc : 0));
    for (int i = 0; i < argc; ++i) out.push_back(argv[i] ? argv[i] : "");
    return out;
}

std::string executablePath() {
#ifdef _WIN32
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(NULL, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) return narrow(buf.data(), static_cast<int>(n));
        if (buf.size() >= 32768) return std::string();
        buf.resize(buf.size() * 2);
    }
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buf(size + 1);
    if (_NSGetExecutablePath(buf.data(), &size) != 0) return std::string();
    return std::string(buf.data());
#else
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
        if (buf.size() >= (1u << 20)) return std::string();
        buf.resize(buf.size() * 2);
    }
#endif
}

namespace {

bool libraryLocalToInstant(std::tm& tm, std::int64_t& out) {
#ifdef _WIN32
    __time64_t t = _mktime64(&tm);
    if (t == -1) return false;
    out = static_cast<std::int64_t>(t);
    return true;
#else
    // mktime answers -1 both for an error and for the second before the
    // epoch; a real error leaves errno set and the fields untouched.
    std::tm copy = tm;
    errno = 0;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && errno != 0) {
        tm = copy;
        return false;
    }
    out = static_cast<std::int64_t>(t);
    return true;
#endif
}

bool sameClock(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

bool localToInstant(std::tm& tm, std::int64_t& out) {
    const std::tm given = tm;
    if (!libraryLocalToInstant(tm, out)) return false;
    if (given.tm_isdst >= 0 || !sameClock(given, tm)) return true;
    // A clock reading in the hour repeated when daylight saving ends names
    // two instants; the library's pick depends on its earlier calls. The
    // first one (still in daylight saving) is always taken.
    std::tm other = given;
    other.tm_isdst = tm.tm_isdst > 0 ? 0 : 1;
    std::int64_t otherOut = 0;
    if (libraryLocalToInstant(other, otherOut) && sameClock(given, other) && otherOut < out) {
        tm = other;
        out = otherOut;
    }
    return true;
}

bool instantToLocal(std::int64_t t, std::tm& out) {
#ifdef _WIN32
    __time64_t tt = static_cast<__time64_t>(t);
    return _localtime64_s(&out, &tt) == 0;
#else
    std::time_t tt = static_cast<std::time_t>(t);
    return localtime_r(&tt, &out) != nullptr;
#endif
}

void FileOps::setError(const std::string& what) {
    lastError_ = what + ": " + std::strerror(errno);
    mayPass_ = false;
}

void FileOps::pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void FileOps::setSystemError(const std::string& what) {
#ifdef _WIN32
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
#else
    setError(what);
#endif
}

int FileOps::createExclusive(const std::string& path) {
#ifdef _WIN32
    int fd = _wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
#endif
    if (fd < 0) setError("cannot create " + path);
    return fd;
}

bool FileOps::writeAll(int handle, const char* data, std::size_t size) {
    while (size > 0) {
#ifdef _WIN32
        unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
        int n = _write(handle, data, chunk);
#else
        ssize_t n = ::write(handle, data, size);
#endif
        if (n < 0) {
            if (errno == EINTR) continue;
            setError("cannot write");
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            setError("cannot write");
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FileOps::flushToDisk(int handle) {
#ifdef _WIN32
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file)) {
        setSystemError("cannot flush to disk");
        return false;
    }
#else
    if (::fsync(handle) != 0) {
        setError("cannot flush to disk");
        return false;
    }
#endif
    return true;
}

bool FileOps::close(int handle) {
#ifdef _WIN32
    if (_close(handle) != 0) {
#else
    if (::close(handle) != 0) {
#endif
        setError("cannot close");
        return false;
    }
    return true;
}

bool FileOps::replace(const std::string& source, const std::string& target) {
#ifdef _WIN32
    if (!MoveFileExW(widen(source).c_str(), widen(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
#else
    if (::rename(source.c_str(), target.c_str()) != 0) {
#endif
        setSystemError("cannot replace " + target);
        return false;
    }
    return true;
}

bool FileOps::syncFolder(const std::string& folder) {
#ifdef _WIN32
    (void)folder;  // MOVEFILE_WRITE_THROUGH already made the rename durable
    return true;
#else
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        setError("cannot open folder " + folder);
        return false;
    }
    bool ok = ::fsync(fd) == 0;
    if (!ok) setError("cannot flush folder " + folder);
    ::close(fd);
    return ok;
#endif
}

bool FileOps::remove(const std::string& path) {
#ifdef _WIN32
    if (!DeleteFileW(widen(path).c_str())) {
#else
    if (::unlink(path.c_str()) != 0) {
#endif
        setSystemError("cannot remove " + path);
        return false;
    }
    return true;
}

FileOps& defaultFileOps() {
    static FileOps ops;
    return ops;
}

bool removeFile(const std::string& path) {
#ifdef _WIN32
    return _wremove(widen(path).c_str()) == 0;
#else
    return std::remove(path.c_str()) == 0;
#endif
}

bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
    std::string base = folder.empty() ? std::string(".") : folder;
#ifdef _WIN32
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
#else
    DIR* dir = ::opendir(base.c_str());
    if (!dir) {
        error = "cannot read the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    const int code = errno;
    ::closedir(dir);
    if (code != 0) {
        error = "cannot read the folder " + folder + " to its end: " + std::strerror(code);
        return false;
    }
#endif
    return true;
}

bool makeFolders(const std::string& folder) {
    // Each folder on the way, from the top; those that exist already are passed.
    for (std::size_t end = folder.find_first_of("\\/", 1); ; end = folder.find_first_of("\\/", end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && part.back() != ':' && !pathExists(part)) {
#ifdef _WIN32
            CreateDirectoryW(widen(part).c_str(), NULL);
#else
            ::mkdir(part.c_str(), 0700);
#endif
        }
        if (end == std::string::npos) break;
    }
    return pathExists(folder);
}

bool copyNewFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return CopyFileW(widen(from).c_str(), widen(to).c_str(), TRUE) != 0;
#else
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    char buffer[65536];
    ssize_t n = 0;
    bool ok = true;
    while (ok && (n = ::read(in, buffer, sizeof buffer)) > 0) ok = ::write(out, buffer, static_cast<std::size_t>(n)) == n;
    ok = ok && n == 0;
    ::close(in);
    ok = ::close(out) == 0 && ok;
    if (!ok) ::unlink(to.c_str());
    return ok;
#endif
}

bool folderIsWritable(const std::string& folder) {
    std::string base = folder.empty() ? std::string(".") + pathSeparator() : folder;
    if (base.back() != '/' && base.back() != pathSeparator()) base += pathSeparator();
#ifdef _WIN32
    const std::string probe = base + ".quorvel-write-" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileW(widen(probe).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
#else
    const std::string probe = base + ".quorvel-write-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
#endif
}

std::size_t wholeCharacters(const char* text, std::size_t size) {
    // Only the last three bytes can belong to an unfinished character.
    const std::size_t from = size > 3 ? size - 3 : 0;
    for (std::size_t i = size; i > from; --i) {
        const auto byte = static_cast<unsigned char>(text[i - 1]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return i - 1 + length > size ? i - 1 : size;
    }
    return size;
}

#ifdef _WIN32
namespace {

// A console's stream: UTF-8 in, UTF-16 out through WriteConsoleW, so that
// every name reads right whatever the console's code page. A character cut
// in two by the buffer waits for its rest.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        if (!writeWhole()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return writeWhole() ? 0 : -1; }

private:
    bool writeWhole() {
        const auto size = static_cast<std::size_t>(pptr() - pbase());
        const std::size_t whole = wholeCharacters(pbase(), size);
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

    HANDLE console_;
    char buffer_[4096];
};

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
#endif

void useStandardStreams() {
#ifdef _WIN32
    useStream(std::cout, stdout, STD_OUTPUT_HANDLE);
    useStream(std::cerr, stderr, STD_ERROR_HANDLE);
#endif
}

bool pathExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
#endif
}

bool entryExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
#endif
}

bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // 100-nanosecond steps.
    modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                         data.ftLastWriteTime.dwLowDateTime) * 100;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
#ifdef __APPLE__
    modified = static_cast<std::int64_t>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
#endif
    return true;
}

bool isRegularFile(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool renameFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return _wrename(widen(from).c_str(), widen(to).c_str()) == 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool isReadOnlyFile(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
#endif
}

bool createPrivateFile(const std::string& path) {
#ifdef _WIN32
    int fd = _wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    _close(fd);
#else
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
#endif
    return true;
}

int lockDataFolder(const std::string& folder, std::string& error) {
    // The lock is held through a handle that stays open until the process
    // ends; a second call for the folder already locked is answered at once.
    static std::string lockedFolder;
    if (!lockedFolder.empty() && lockedFolder == folder) return 1;
#ifdef _WIN32
    // A lock file nobody else may open while this process lives; the system
    // deletes it when the last handle closes, also when the process is killed.
    const std::string path = folder + "quorvel.lock";
    HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_SHARING_VIOLATION) return 0;
        error = "cannot lock " + path + " (error " + std::to_string(code) + ")";
        return -1;
    }
#else
    // The folder itself is locked, so no lock file is ever left behind.
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open folder " + folder + ": " + std::strerror(errno);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) return 0;
        error = "cannot lock folder " + folder + ": " + std::strerror(code);
        return -1;
    }
#endif
    lockedFolder = folder;
    return 1;
}

void releaseUnusedCapacity(std::vector<char>& text) {
#ifdef _WIN32
    text.shrink_to_fit();
#else
    // The pages wholly inside the unused part are dropped in place: a copy
    // to fresh storage would cost a page fault per page of the text.
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const auto size = static_cast<std::uintptr_t>(page);
    const auto used = reinterpret_cast<std::uintptr_t>(text.data() + text.size());
    const auto end = reinterpret_cast<std::uintptr_t>(text.data() + text.capacity());
    const std::uintptr_t from = (used + size - 1) / size * size;
    const std::uintptr_t to = end / size * size;
    // The page boundaries are computed as numbers, then turned back into the address.
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);  // NOLINT(performance-no-int-to-ptr)
#endif
}

void releaseUnusedRange(std::vector<char>& text, std::size_t from, std::size_t to) {
#ifdef _WIN32
    (void)text;
    (void)from;
    (void)to;
#else
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0 || to > text.size() || from >= to) return;
    const auto size = static_cast<std::uintptr_t>(page);
    const auto first = (reinterpret_cast<std::uintptr_t>(text.data() + from) + size - 1) / size * size;
    const auto last = reinterpret_cast<std::uintptr_t>(text.data() + to) / size * size;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);  // NOLINT(performance-no-int-to-ptr)
#endif
}

bool releasesUnusedCapacityInPlace() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

std::string documentsFolder() {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(NULL, CSIDL_PERSONAL, NULL, SHGFP_TYPE_CURRENT, path))) return std::string();
    return narrow(path, static_cast<int>(wcslen(path)));
#else
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::string();
    std::string documents = std::string(home) + "/Documents";
    struct stat st {};
    if (::stat(documents.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return documents;
    return home;
#endif
}

bool listFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
#ifdef _WIN32
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
#else
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        error = "cannot read folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        const std::string path = folder + entry->d_name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(entry->d_name);
    }
    ::closedir(dir);
#endif
    std::sort(names.begin(), names.end());
    return true;
}

bool openWithDesktop(const std::string& path, std::string& error) {
#ifdef _WIN32
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(NULL, L"open", widen(path).c_str(), NULL, NULL, SW_SHOWNORMAL));
    if (result > 32) return true;
    error = "the browser could not be opened (error " + std::to_string(static_cast<long long>(result)) + ")";
    return false;
#else
#if defined(__APPLE__)
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    // Openers that outlived an earlier call are collected here.
    static std::vector<pid_t> running;
    running.erase(std::remove_if(running.begin(), running.end(),
                                 [](pid_t p) { return ::waitpid(p, nullptr, WNOHANG) != 0; }),
                  running.end());
    std::vector<char> name(opener, opener + std::strlen(opener) + 1);
    std::vector<char> file(path.begin(), path.end());
    file.push_back('\0');
    char* argv[] = {name.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ);
    if (spawned != 0) {
        error = std::string("the browser could not be opened (") + opener + ": " + std::strerror(spawned) + ")";
        return false;
    }
    // An opener that fails says so at once; one that hands the file to a
    // browser may stay until the browser ends, and is not waited for.
    for (int waited = 0; waited < 100; ++waited) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
            error = std::string("the browser could not be opened (") + opener + " ended with status " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
            return false;
        }
        if (done < 0) return true;
        const timespec pause{0, 20 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    running.push_back(pid);
    return true;
#endif
}

}  // namespace platform
