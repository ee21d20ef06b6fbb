#include "store/FileMark.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Platform.h"
#include "store/XmlFile.h"

namespace {

const std::uint64_t kPrime = 1099511628211ull;

// Each step (xor a word, multiply by an odd number, xor the high half into
// the low one) is one-to-one for a given word, so one word changed gives a
// different sum.
std::uint64_t step(std::uint64_t sum, const char* word) {
    std::uint64_t w = 0;
    std::memcpy(&w, word, 8);
    sum = (sum ^ w) * kPrime;
    return sum ^ (sum >> 32);
}

}  // namespace

void FileMark::Summer::add(const char* data, std::size_t size) {
    size_ += size;
    auto block = [this](const char* words) {
        for (std::size_t lane = 0; lane < 4; ++lane) lanes_[lane] = step(lanes_[lane], words + 8 * lane);
    };
    if (carried_ > 0) {
        const std::size_t n = std::min(size, kBlock - carried_);
        std::memcpy(carry_ + carried_, data, n);
        carried_ += n;
        data += n;
        size -= n;
        if (carried_ < kBlock) return;
        block(carry_);
        carried_ = 0;
    }
    for (; size >= kBlock; data += kBlock, size -= kBlock) block(data);
    if (size > 0) std::memcpy(carry_, data, size);
    carried_ = size;
}

std::uint64_t FileMark::Summer::sum() const {
    // The lanes, then the words left over, each step one-to-one in what it adds.
    std::uint64_t sum = lanes_[0];
    for (std::size_t lane = 1; lane < 4; ++lane) sum = step(sum, reinterpret_cast<const char*>(&lanes_[lane]));
    char tail[kBlock] = {};
    std::memcpy(tail, carry_, carried_);
    for (std::size_t word = 0; word * 8 < carried_; ++word) sum = step(sum, tail + 8 * word);
    return (sum * kPrime) ^ size_;
}

std::uint64_t FileMark::checksum(const char* data, std::size_t size) {
    Summer summer;
    summer.add(data, size);
    return summer.sum();
}

FileMark FileMark::stamped(const std::string& path) {
    FileMark mark;
    mark.set_ = platform::fileStamp(path, mark.size_, mark.modified_);
    return mark;
}

FileMark FileMark::withChecksum(std::uint64_t sum) const {
    FileMark mark = *this;
    mark.sum_ = sum;
    return mark;
}

FileMark FileMark::ofWritten(const std::string& path, std::uint64_t sum) {
    FileMark mark;
    if (!platform::fileStamp(path, mark.size_, mark.modified_)) return mark;
    mark.sum_ = sum;
    mark.set_ = true;
    return mark;
}

bool FileMark::changedOnDisk(const std::string& path) const {
    if (!set_) return false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    if (!platform::fileStamp(path, size, modified)) return false;
    if (size != size_) return true;
    if (modified == modified_) return false;
    // Touched, or written again with the same bytes (a restore of the same
    // copy): only a different content counts.
    std::vector<char> raw;
    std::string error;
    if (!XmlFile::readRaw(path, raw, error)) return true;
    return checksum(raw.data(), raw.size()) != sum_;
}
