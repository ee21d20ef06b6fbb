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
    const std::size_t written = std::fwrite(text, 1, static_cast<std::size_t>(size), stdout);
    if (written != static_cast<std::size_t>(size)) failed();
    return static_cast<std::streamsize>(written);
}

int StandardOutput::sync() {
    if (error_) return -1;
    errno = 0;
    if (std::fflush(stdout) != 0) failed();
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
