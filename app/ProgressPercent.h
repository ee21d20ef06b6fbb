// How far a long task has come in whole percent, and whether that figure
// moved since it was last told, so that a window is drawn again only when
// what it shows changes.
#pragma once

#include <cstddef>

class ProgressPercent {
public:
    // done of total in whole percent, rounded down, never above 100; a task
    // of nothing is done.
    static int of(std::size_t done, std::size_t total);

    // True when done of total is another percent than the last one told;
    // percent() then gives it.
    bool advance(std::size_t done, std::size_t total);
    int percent() const { return last_; }

private:
    int last_ = -1;
};
