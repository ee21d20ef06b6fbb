// The platform layer's code that is the same on every system; what differs
// is in posix/PlatformPosix.cpp and windows/PlatformWindows.cpp, of which
// the build compiles one.
#include "platform/Platform.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/SystemCalls.h"

namespace platform {

bool dataFolder(std::string& out) {
    std::string base;
    if (!appDataFolder(base)) return false;
    const char sep = pathSeparator();
    out = base + sep + "Brelwick" + sep + "Quorvel" + sep;
    return true;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> out;
    if (sys::argumentsFromSystem(argc, out)) return out;
    out.clear();
    out.reserve(static_cast<std::size_t>(argc > 0 ? argc : 0));
    for (int i = 0; i < argc; ++i) out.push_back(argv[i] ? argv[i] : "");
    return out;
}

namespace {

bool sameClock(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

bool localToInstant(std::tm& tm, std::int64_t& out) {
    const std::tm given = tm;
    if (!sys::libraryLocalToInstant(tm, out)) return false;
    if (given.tm_isdst >= 0 || !sameClock(given, tm)) return true;
    // A clock reading in the hour repeated when daylight saving ends names
    // two instants; the library's pick depends on its earlier calls. The
    // first one (still in daylight saving) is always taken.
    std::tm other = given;
    other.tm_isdst = tm.tm_isdst > 0 ? 0 : 1;
    std::int64_t otherOut = 0;
    if (sys::libraryLocalToInstant(other, otherOut) && sameClock(given, other) && otherOut < out) {
        tm = other;
        out = otherOut;
    }
    return true;
}

void FileOps::setError(const std::string& what) {
    lastError_ = what + ": " + std::strerror(errno);
    mayPass_ = false;
}

void FileOps::pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool FileOps::writeAll(int handle, const char* data, std::size_t size) {
    while (size > 0) {
        const long long n = sys::writeSome(handle, data, size);
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

FileOps& defaultFileOps() {
    static FileOps ops;
    return ops;
}

bool makeFolders(const std::string& folder) {
    // Each folder on the way, from the top; those that exist already are passed.
    for (std::size_t end = folder.find_first_of("\\/", 1); ; end = folder.find_first_of("\\/", end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && part.back() != ':' && !pathExists(part)) sys::makeFolder(part);
        if (end == std::string::npos) break;
    }
    return pathExists(folder);
}

bool folderIsWritable(const std::string& folder) {
    std::string base = folder.empty() ? std::string(".") + pathSeparator() : folder;
    if (base.back() != '/' && base.back() != pathSeparator()) base += pathSeparator();
    return sys::createsAndRemoves(base + ".quorvel-write-" + std::to_string(sys::processId()));
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

}  // namespace platform
