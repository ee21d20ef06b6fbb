#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "exchange/Status.h"

namespace cli {

int finishStandardOutput(int status, std::ostream& err) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && std::cout && !std::ferror(stdout)) return status;
    if (reason != EPIPE)
        err << "quorvel-data: cannot write to standard output: " << std::strerror(reason ? reason : EIO) << std::endl;
    return exchange::kProblem;
}

}  // namespace cli
