// The platform layer on Linux, macOS and the other POSIX systems.
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <dirent.h>
#include <langinfo.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#include <xlocale.h>
#endif

#include "platform/SystemCalls.h"

namespace platform {

namespace {
const char kSeparator = '/';
}  // namespace

char pathSeparator() { return kSeparator; }

bool appDataFolder(std::string& out) {
#if defined(__APPLE__)
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

bool localDataFolder(std::string& out) {
    (void)out;
    return false;
}

bool settingsFolder(std::string& out) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {  // relative values are invalid by the XDG rules
        out = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return false;
        out = std::string(home) + "/.config";
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    out += "/Brelwick/Quorvel/";
    return true;
}

bool installedDataFolder(std::string& out) {
    (void)out;
    return false;
}

std::string desktopLocale(bool measurement) {
    for (const char* name : {"LC_ALL", measurement ? "LC_MEASUREMENT" : "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return std::string();
}

std::string executablePath() {
#if defined(__APPLE__)
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

bool instantToLocal(std::int64_t t, std::tm& out) {
    std::time_t tt = static_cast<std::time_t>(t);
    return localtime_r(&tt, &out) != nullptr;
}

void FileOps::setSystemError(const std::string& what) { setError(what); }

int FileOps::createExclusive(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) setError("cannot create " + path);
    return fd;
}

bool FileOps::flushToDisk(int handle) {
    if (::fsync(handle) != 0) {
        setError("cannot flush to disk");
        return false;
    }
    return true;
}

bool FileOps::close(int handle) {
    if (::close(handle) != 0) {
        setError("cannot close");
        return false;
    }
    return true;
}

bool FileOps::replace(const std::string& source, const std::string& target) {
    if (::rename(source.c_str(), target.c_str()) != 0) {
        setSystemError("cannot replace " + target);
        return false;
    }
    return true;
}

bool FileOps::syncFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        setError("cannot open folder " + folder);
        return false;
    }
    bool ok = ::fsync(fd) == 0;
    if (!ok) setError("cannot flush folder " + folder);
    ::close(fd);
    return ok;
}

bool FileOps::remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        setSystemError("cannot remove " + path);
        return false;
    }
    return true;
}

bool FileOps::moveNew(const std::string& source, const std::string& target) {
#if defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) {
        setError("cannot move " + source + " to " + target);
        return false;
    }
#endif
    // A file system that cannot refuse in the rename itself: the folder
    // lock makes this program the only one that adds names here.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) {
        errno = EEXIST;
        setError("cannot move " + source + " to " + target);
        return false;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
        setError("cannot move " + source + " to " + target);
        return false;
    }
    return true;
}

bool FileOps::makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0) {
        setError("cannot create the folder " + path);
        return false;
    }
    return true;
}

bool FileOps::removeFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        setError("cannot remove the folder " + path);
        return false;
    }
    return true;
}

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
    const std::string base = folder.empty() ? std::string(".") : folder;
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
    return true;
}

bool copyNewFile(const std::string& from, const std::string& to) {
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
}

void useStandardStreams() {}

bool pathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool entryExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
#ifdef __APPLE__
    modified = static_cast<std::int64_t>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    return true;
}

bool modifiedSeconds(const std::string& path, std::int64_t& seconds) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    seconds = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool renameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool isReadOnlyFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool createPrivateFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

int lockDataFolder(const std::string& folder, std::string& error) {
    // The lock is held through a handle that stays open until the process
    // ends; a second call for the folder already locked is answered at once.
    static std::string lockedFolder;
    if (!lockedFolder.empty() && lockedFolder == folder) return 1;
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
    lockedFolder = folder;
    return 1;
}

void releaseUnusedCapacity(std::vector<char>& text) {
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
}

void releaseUnusedRange(std::vector<char>& text, std::size_t from, std::size_t to) {
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0 || to > text.size() || from >= to) return;
    const auto size = static_cast<std::uintptr_t>(page);
    const auto first = (reinterpret_cast<std::uintptr_t>(text.data() + from) + size - 1) / size * size;
    const auto last = reinterpret_cast<std::uintptr_t>(text.data() + to) / size * size;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);  // NOLINT(performance-no-int-to-ptr)
}

bool releasesUnusedCapacityInPlace() { return true; }

bool decimalComma() {
    // The environment's locale, asked without changing the program's own.
    const locale_t desktop = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (desktop == static_cast<locale_t>(0)) return false;
    const char* point = nl_langinfo_l(RADIXCHAR, desktop);
    const bool comma = point && std::strcmp(point, ",") == 0;
    freelocale(desktop);
    return comma;
}

std::string documentsFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::string();
    std::string documents = std::string(home) + "/Documents";
    struct stat st {};
    if (::stat(documents.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return documents;
    return home;
}

bool listFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    names.clear();
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
    std::sort(names.begin(), names.end());
    return true;
}

bool openWithDesktop(const std::string& path, std::string& error) {
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
}

namespace sys {

bool libraryLocalToInstant(std::tm& tm, std::int64_t& out) {
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
}

long long writeSome(int handle, const char* data, std::size_t size) { return ::write(handle, data, size); }

void makeFolder(const std::string& path) { ::mkdir(path.c_str(), 0700); }

bool createsAndRemoves(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.c_str());
    return true;
}

long long processId() { return ::getpid(); }

bool argumentsFromSystem(int argc, std::vector<std::string>& out) {
    (void)argc;
    (void)out;
    return false;
}

}  // namespace sys

}  // namespace platform
