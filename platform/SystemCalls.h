// The calls the platform layer's shared code (Platform.cpp) makes into the
// operating system's own file (posix/PlatformPosix.cpp or
// windows/PlatformWindows.cpp, the build compiles one of them). Only the
// platform layer includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace platform {
namespace sys {

// The C library's local-time conversion on 64-bit seconds, as it is: false
// for a broken-down time it cannot represent.
bool libraryLocalToInstant(std::tm& tm, std::int64_t& out);

// Writes at most size bytes to an open handle; how many were written, or -1
// with errno set.
long long writeSome(int handle, const char* data, std::size_t size);

// Creates one folder (readable by its owner only where the system has
// modes); a failure is told by whether the folder exists afterwards.
void makeFolder(const std::string& path);

// True when a file can be created at path; the file does not stay.
bool createsAndRemoves(const std::string& path);

// The running process's number, for names no other process uses.
long long processId();

// The arguments as the system keeps them in UTF-8, when they differ from
// those main was handed (the wide-character command line on Windows). False
// when main's own are the ones to take.
bool argumentsFromSystem(int argc, std::vector<std::string>& out);

}  // namespace sys
}  // namespace platform
