#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "exchange/Status.h"

namespace cli {

StandardOutput::StandardOutput() : previous_(std::cout.rdbuf(this)) {}

StandardOutput::~StandardOutput() { std::cout.rdbuf(previous_); }

void StandardOutput::failed() {
    if (error_ == 0) error_ = errno ? errno : EIO;
}

StandardOutput::int_type StandardOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char one = traits_type::to_char_type(c);
    return xsputn(&one, 1) == 1 ? c : traits_type::eof();
}

std::streamsize StandardOutput::xsputn(const char* text, std::streamsize size) {
    if (error_) return 0;
    errno = 0;
    // Through the stream's own buffer: the C library's stdout, or the
    // console's on Windows.
    const std::streamsize written = previous_->sputn(text, size);
    if (written != size) failed();
    return written;
}

int StandardOutput::sync() {
    if (error_) return -1;
    errno = 0;
    if (previous_->pubsync() != 0 || std::fflush(stdout) != 0) failed();
    return error_ ? -1 : 0;
}

int StandardOutput::finish(int status, std::ostream& err) {
    std::cout.flush();
    sync();
    if (!error_ && !std::ferror(stdout)) return status;
    if (error_ != EPIPE)
        err << "quorvel-data: cannot write to standard output: " << std::strerror(error_ ? error_ : EIO) << std::endl;
    return exchange::kProblem;
}

}  // namespace cli
