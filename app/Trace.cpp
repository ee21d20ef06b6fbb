#include "app/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

#include "platform/Platform.h"

int Trace::threshold_ = 3;

namespace {

struct LogState {
    bool opened = false;
    bool toStdout = false;
    bool pathOverridden = false;
    std::string path;
    std::unique_ptr<std::ofstream> file;
};

LogState& state() {
    static LogState s;
    return s;
}

}  // namespace

int Trace::threshold() { return threshold_; }
void Trace::setThreshold(int level) { threshold_ = level; }

std::string Trace::baseName(const char* file) {
    if (!file) return std::string();
    const char* last = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') last = p + 1;
    return std::string(last);
}

std::string Trace::timeText(std::int64_t instant) {
    // The text of ctime, always in English whatever the locale:
    // "Sun Dec  6 20:06:53 2026\n", day of the month right-aligned.
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!platform::instantToLocal(instant, local) || local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 ||
        local.tm_mon > 11)
        return "\n";
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", days[local.tm_wday], months[local.tm_mon],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 1900 + local.tm_year);
    return text;
}

std::string Trace::header(const char* file, int line, const char* function, int sequence) {
    return header(file, line, function, sequence, static_cast<std::int64_t>(std::time(nullptr)));
}

std::string Trace::header(const char* file, int line, const char* function, int sequence, std::int64_t instant) {
    // ctime's final newline becomes the bracket that closes the time.
    std::string when = timeText(instant);
    if (!when.empty() && when.back() == '\n') when.back() = ']';
    const std::string base = baseName(file);
    const char* fn = function ? function : "";
    static const char* const format = "%-32s(%5.5i): , [%-16s], [s_%i] [%s, ";
    char small[999];
    const int needed = std::snprintf(small, sizeof small, format, base.c_str(), line, fn, sequence, when.c_str());
    if (needed < 0) return std::string();
    if (static_cast<std::size_t>(needed) < sizeof small) return std::string(small, static_cast<std::size_t>(needed));
    // Very long file or function names: no truncation, no overflow.
    std::vector<char> buf(static_cast<std::size_t>(needed) + 1);
    std::snprintf(buf.data(), buf.size(), format, base.c_str(), line, fn, sequence, when.c_str());
    return std::string(buf.data(), static_cast<std::size_t>(needed));
}

std::string Trace::defaultLogPath() {
    std::string exe = platform::executablePath();
    if (exe.empty()) return std::string();
    return exe + "_debuglog.txt";
}

void Trace::setLogPath(const std::string& path) {
    LogState& s = state();
    s.file.reset();
    s.opened = false;
    s.toStdout = false;
    s.pathOverridden = true;
    s.path = path;
}

std::string Trace::logPath() {
    LogState& s = state();
    if (!s.pathOverridden && s.path.empty()) s.path = defaultLogPath();
    return s.path;
}

bool Trace::usingStandardOutput() {
    stream();
    return state().toStdout;
}

std::ostream& Trace::stream() {
    LogState& s = state();
    if (!s.opened) {
        s.opened = true;
        std::string path = logPath();
        // The log may name users: like the data files it is private to its owner.
        if (!path.empty() && platform::createPrivateFile(path)) {
            s.file.reset(new std::ofstream(path.c_str(), std::ios::out | std::ios::app));
            if (!s.file->is_open()) s.file.reset();
        }
        s.toStdout = !s.file;
    }
    if (s.file) return *s.file;
    return std::cout;
}

void Trace::writeLine(const char* file, int line, const char* function, int level, const std::string& text) {
    if (!enabled(level)) return;
    std::string out = header(file, line, function);
    out += text;
    out += '\n';
    std::ostream& os = stream();
    os << out;
    os.flush();
}

void Trace::writeRaw(const std::string& text) {
    std::ostream& os = stream();
    os << text << '\n';
    os.flush();
}

void Trace::startMarker(const char* file, int line) {
    if (!enabled(3)) return;
    writeLine(file, line, "main", 3, std::string());
    writeRaw(std::string());
    writeRaw("New Session");
}

TraceScope::TraceScope(int line, const char* function, const char* file, int level)
    : file_(file), line_(line), function_(function), level_(level) {
    if (Trace::enabled(level_))
        Trace::writeLine(file_, line_, function_, level_, std::string("Entering function , ") + function_);
}

TraceScope::~TraceScope() {
    if (Trace::enabled(level_))
        Trace::writeLine(file_, line_, function_, level_, std::string("Exiting function , ") + function_);
}

TraceMessage::TraceMessage(const char* file, int line, const char* function, int level)
    : file_(file), line_(line), function_(function), level_(level), active_(Trace::enabled(level)) {}

TraceMessage::~TraceMessage() {
    if (active_) Trace::writeLine(file_, line_, function_, level_, text_.str());
}

void tracePrintf(const char* file, int line, const char* function, int level, const char* format, ...) {
    if (!Trace::enabled(level)) return;
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Trace::writeLine(file, line, function, level, text);
}
