// The trace log: every traced operation writes an entering and an exiting
// line, and operations write message lines, each with a fixed-width header.
// Lines go to the executable's path followed by "_debuglog.txt", appended
// across runs. Where the executable's folder cannot be written (a Windows
// installation in Program Files) the file goes to the user's local
// application data, %LOCALAPPDATA%\Brelwick\Quorvel\quorvel.exe_debuglog.txt.
// When the file cannot be opened the lines go to standard output.
#pragma once

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

class Trace {
public:
    // A record is written when its level is at most the threshold.
    static int threshold();
    static void setThreshold(int level);
    static bool enabled(int level) { return level <= threshold_; }

    // Header of a line: file (after the last '/' or '\\'), line, function,
    // sequence and the local time, as "%-32s(%5.5i): , [%-16s], [s_%i] [%s, ".
    static std::string header(const char* file, int line, const char* function, int sequence = 0);
    static std::string header(const char* file, int line, const char* function, int sequence, std::int64_t instant);
    // The local time as ctime writes it, newline included.
    static std::string timeText(std::int64_t instant);

    // Writes header + text + newline and flushes.
    static void writeLine(const char* file, int line, const char* function, int level, const std::string& text);
    // Writes a line without a header (used for "New Session" and the blank line).
    static void writeRaw(const std::string& text);

    // The start marker of a run: a header-only line, an empty line and "New Session".
    static void startMarker(const char* file, int line);

    // Where the log goes. By default the path is computed from the running
    // executable the first time a line is written; tests may redirect it.
    static std::string defaultLogPath();
    // The choice itself: beside the executable when its folder is writable
    // or there is no local folder, else in localFolder (ends with a separator).
    static std::string logPathFor(const std::string& exe, bool besideWritable, const std::string& localFolder);
    static void setLogPath(const std::string& path);  // closes any open stream
    static std::string logPath();
    static bool usingStandardOutput();

    static std::string baseName(const char* file);

private:
    static std::ostream& stream();
    static int threshold_;
};

// Opens on construction ("Entering function , name") and closes on
// destruction ("Exiting function , name").
class TraceScope {
public:
    TraceScope(int line, const char* function, const char* file, int level = 3);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    const char* file_;
    int line_;
    const char* function_;
    int level_;
};

// A stream message: pieces are collected with << and written as one line
// when the record ends.
class TraceMessage {
public:
    TraceMessage(const char* file, int line, const char* function, int level);
    ~TraceMessage();
    template <class T>
    TraceMessage& operator<<(const T& piece) {
        if (active_) text_ << piece;
        return *this;
    }
    // A null text writes nothing.
    TraceMessage& operator<<(const char* piece) {
        if (active_ && piece) text_ << piece;
        return *this;
    }
    TraceMessage& operator<<(char* piece) { return *this << static_cast<const char*>(piece); }
    TraceMessage(const TraceMessage&) = delete;
    TraceMessage& operator=(const TraceMessage&) = delete;

private:
    const char* file_;
    int line_;
    const char* function_;
    int level_;
    bool active_;
    std::ostringstream text_;
};

// A printf message, cut to at most 4095 characters.
void tracePrintf(const char* file, int line, const char* function, int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;

#define TRACE_SCOPE(function) TraceScope traceScope_(__LINE__, function, __FILE__, 3)
#define TRACE_SCOPE_LEVEL(function, level) TraceScope traceScope_(__LINE__, function, __FILE__, level)
#define TRACE_MSG(level, function) TraceMessage(__FILE__, __LINE__, function, level)
