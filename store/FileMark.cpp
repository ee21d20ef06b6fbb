#include "store/FileMark.h"

#include <cstring>
#include <vector>

#include "platform/Platform.h"
#include "store/XmlFile.h"

std::uint64_t FileMark::checksum(const char* data, std::size_t size) {
    // Each step (xor a word, multiply by an odd number) is one-to-one for a
    // given word, so one word changed gives a different sum.
    const std::uint64_t prime = 1099511628211ull;
    std::uint64_t sum = 1469598103934665603ull ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, 8);
        sum = (sum ^ word) * prime;
        sum ^= sum >> 32;
    }
    std::uint64_t tail = 0;
    if (size > i) std::memcpy(&tail, data + i, size - i);
    return (sum ^ tail) * prime;
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

FileMark FileMark::ofWritten(const std::string& path, const std::string& content) {
    FileMark mark;
    if (!platform::fileStamp(path, mark.size_, mark.modified_)) return mark;
    mark.sum_ = checksum(content.data(), content.size());
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
