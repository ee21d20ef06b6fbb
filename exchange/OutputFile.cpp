#include "exchange/OutputFile.h"

#include <streambuf>

#include "platform/PathKind.h"
#include "exchange/Status.h"
#include "platform/Platform.h"
#include "store/SafeWriter.h"

namespace {

// A stream's text handed straight to the safe writer (the writers that use
// it put out their text in large pieces already).
class PutBuffer : public std::streambuf {
public:
    explicit PutBuffer(const SafeWriter::Put& put) : put_(put) {}

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        const char one = static_cast<char>(c);
        return xsputn(&one, 1) == 1 ? c : traits_type::eof();
    }
    // Where the stream is: the number of bytes written (for tellp).
    pos_type seekoff(off_type offset, std::ios_base::seekdir way, std::ios_base::openmode) override {
        if (offset != 0 || way != std::ios_base::cur) return pos_type(off_type(-1));
        return pos_type(static_cast<off_type>(written_));
    }
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        if (!put_(data, static_cast<std::size_t>(size))) return 0;
        written_ += static_cast<std::size_t>(size);
        return size;
    }

private:
    const SafeWriter::Put& put_;
    std::size_t written_ = 0;
};

}  // namespace

int OutputFile::open(const std::string& path, std::string& error) {
    const std::size_t slash = path.find_last_of(std::string("/") + platform::pathSeparator());
    folder_ = slash == std::string::npos ? std::string(".") + platform::pathSeparator() : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name_.empty()) {
        error = path + ": names a folder, not a file; nothing written";
        return exchange::kUsage;
    }
    const PathKind kind = pathKind::of(path);
    if (kind != PathKind::None && kind != PathKind::File) {
        error = path + ": is " + pathKind::describe(kind) + ", not a regular file; only a regular file is replaced; " +
                "nothing written";
        return exchange::kUsage;
    }
    if (!platform::pathExists(folder_)) {
        error = path + ": the output folder does not exist; nothing written";
        return exchange::kProblem;
    }
    return exchange::kOk;
}

bool OutputFile::write(const std::string& content, std::string& error) const {
    return SafeWriter::write(folder_, name_, content, error);
}

bool OutputFile::write(const std::function<bool(std::ostream&)>& produce, std::string& error) const {
    return SafeWriter::write(
        folder_, name_,
        [&produce](const SafeWriter::Put& put) {
            PutBuffer buffer(put);
            std::ostream stream(&buffer);
            return produce(stream) && static_cast<bool>(stream);
        },
        error);
}
