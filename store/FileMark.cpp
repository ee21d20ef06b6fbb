#include "store/FileMark.h"

#include <vector>

#include "platform/Platform.h"
#include "store/XmlFile.h"

std::uint64_t FileMark::checksum(const char* data, std::size_t size) {
    std::uint64_t sum = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        sum ^= static_cast<unsigned char>(data[i]);
        sum *= 1099511628211ull;
    }
    return sum;
}

FileMark FileMark::ofFile(const std::string& path) {
    FileMark mark;
    std::vector<char> raw;
    std::string error;
    if (!platform::fileStamp(path, mark.size_, mark.modified_) || !XmlFile::readRaw(path, raw, error)) return mark;
    mark.sum_ = checksum(raw.data(), raw.size());
    mark.set_ = true;
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
