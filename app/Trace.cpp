#include "app/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <streambuf>
#include <vector>

#include "platform/Platform.h"

int Trace::threshold_ = 3;

namespace {

// The log file as a stream, opened through the platform layer so that a
// path outside ASCII works on every system. Unbuffered: every line reaches
// the file when it is flushed. Lines end in "\n" on every system.
class LogFile : public std::streambuf {
public:
    explicit LogFile(std::FILE* f) : file_(f) {}
    ~LogFile() override { std::fclose(file_); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        return std::fputc(c, file_) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), file_));
    }
    int sync() override { return std::fflush(file_) == 0 ? 0 : -1; }

private:
    std::FILE* file_;
};

struct LogState {
    bool opened = false;
    bool toStdout = false;
    bool pathOverridden = false;
    std::string path;
    std::unique_ptr<LogFile> buffer;
    std::unique_ptr<std::ostream> file;  // writes into buffer
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

std::string Trace::logPathFor(const std::string& exe, bool besideWritable, const std::string& localFolder) {
    if (exe.empty()) return std::string();
    if (besideWritable || localFolder.empty()) return exe + "_debuglog.txt";
    return localFolder + baseName(exe.c_str()) + "_debuglog.txt";
}

std::string Trace::defaultLogPath() {
    const std::string exe = platform::executablePath();
    if (exe.empty()) return std::string();
    // An installation the user cannot write to (Program Files) keeps its log
    // in the user's local application data instead.
    std::string local;
    if (!platform::localDataFolder(local)) return logPathFor(exe, true, std::string());
    const std::size_t slash = exe.find_last_of("\\/");
    const bool beside = platform::folderIsWritable(slash == std::string::npos ? std::string() : exe.substr(0, slash + 1));
    if (!beside && !platform::makeFolders(local)) local.clear();
    return logPathFor(exe, beside, local);
}

void Trace::setLogPath(const std::string& path) {
    LogState& s = state();
    s.file.reset();
    s.buffer.reset();
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
            if (std::FILE* f = platform::openFile(path, "ab")) {
                s.buffer.reset(new LogFile(f));
                s.file.reset(new std::ostream(s.buffer.get()));
            }
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
