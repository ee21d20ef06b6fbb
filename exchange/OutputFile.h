// A file to write a result to (named with -o, or chosen in the window):
// checked before any work is done, then written whole through the store's
// safe writer (a temporary file renamed over the old one), so a failure
// never leaves half a file. Only a regular file is ever replaced: a
// symbolic link, a named pipe, a device or a folder at the path is refused,
// since renaming over it would put a plain file in its place.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

class OutputFile {
public:
    // Splits path into its folder and name. kOk; kUsage when the path names
    // a folder or anything else that is not a regular file; kProblem when
    // its folder does not exist. error says which, ending with "; nothing
    // written".
    int open(const std::string& path, std::string& error);

    bool write(const std::string& content, std::string& error) const;
    // The same for content made while it is written, never held whole:
    // produce writes it into the stream it is given (whose tellp counts the
    // bytes written) and returns false when it could not make it: the old
    // file is then kept.
    bool write(const std::function<bool(std::ostream&)>& produce, std::string& error) const;

private:
    std::string folder_;
    std::string name_;
};
