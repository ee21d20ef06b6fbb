// Why something could not be done: what kind of failure it was, the reason
// as a sentence naming what failed, where in the input it was found (when
// that is known), and what a window adds for the person (its hint, such as
// what to do next). The reason never holds the hint, so a caller without
// windows says the reason alone and a window says both.
#pragma once

#include <string>
#include <utility>

struct Error {
    enum class Kind {
        Failed,      // anything not told apart below
        NotFound,    // what was asked for is not there
        Ambiguous,   // more than one thing answers to what was asked for
        UnsafeName,  // a name that must not be used (a file name with a folder part)
        CannotOpen,  // a file that cannot be opened or read
        Malformed,   // a file or a text that cannot be read as its form demands
        Busy,        // held by another program (the data folder's lock)
        NotSaved,    // nothing was written; the old file stays
        NotSafe,     // written, but perhaps not safely on disk yet
        Refused,     // an input the rules refuse
    };

    Kind kind = Kind::Failed;
    std::string reason;
    std::string place;  // "line 3, column 7" or similar; empty when unknown
    std::string hint;

    Error() = default;
    Error(Kind k, std::string why, std::string where = std::string(), std::string next = std::string())
        : kind(k), reason(std::move(why)), place(std::move(where)), hint(std::move(next)) {}

    // The reason and, on its own line, the hint: what a window shows.
    std::string shown() const { return hint.empty() ? reason : reason + "\n" + hint; }
};
