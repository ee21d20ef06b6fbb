// quorvel-data's standard output, checked: a write that failed (a full
// disk, an output closed underneath) is an error and exit status 1, never a
// silent success. A reader that went away (`| head -1`) ends the command
// quietly.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>

namespace cli {

// Takes std::cout's place for as long as it lives: what is written goes to
// the C library's stdout, and the reason of the first write that failed is
// kept (the C library forgets it).
class StandardOutput : public std::streambuf {
public:
    StandardOutput();
    ~StandardOutput() override;
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    // Flushes. Returns status when everything written reached standard
    // output; otherwise says "quorvel-data: cannot write to standard
    // output: REASON" on err (nothing when the reader closed the pipe) and
    // returns 1.
    int finish(int status, std::ostream& err);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize size) override;
    int sync() override;

private:
    void failed();

    std::streambuf* previous_;
    int error_ = 0;  // errno of the first failure
};

}  // namespace cli
