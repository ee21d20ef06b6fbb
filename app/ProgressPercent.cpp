#include "app/ProgressPercent.h"

int ProgressPercent::of(std::size_t done, std::size_t total) {
    if (total == 0 || done >= total) return 100;
    // In 64 bits: done times 100 cannot overflow for any file the program reads.
    return static_cast<int>(static_cast<unsigned long long>(done) * 100u / static_cast<unsigned long long>(total));
}

bool ProgressPercent::advance(std::size_t done, std::size_t total) {
    const int now = of(done, total);
    if (now == last_) return false;
    last_ = now;
    return true;
}
