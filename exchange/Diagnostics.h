// Where an engine of the data exchange tells what went wrong: one stream for
// every line, and the name an error line starts with ("quorvel-data: " on the
// command line, nothing in the window, which shows the lines in a dialog).
// Findings about the input ("data.csv:4: ...") carry their file instead.
#pragma once

#include <ostream>
#include <string>

class Diagnostics {
public:
    Diagnostics(std::ostream& out, std::string teller) : out_(out), teller_(std::move(teller)) {}

    // An error line, behind the teller's name.
    std::ostream& error() { return out_ << teller_; }
    // A line that names its own file, such as a refused row.
    std::ostream& finding() { return out_; }

private:
    std::ostream& out_;
    std::string teller_;
};
