// What the store last read from or wrote to a data file: its size, its
// modification time and a checksum of its bytes. A file whose size differs,
// or whose time and bytes both differ, was changed by another program since.
#pragma once

#include <cstdint>
#include <string>

class FileMark {
public:
    // The mark of content just written to path (its size and time read back).
    static FileMark ofWritten(const std::string& path, const std::string& content);
    // The size and time of the file at path now, taken before its bytes are
    // read; their checksum is given once they are (withChecksum). Unset when
    // nothing is there.
    static FileMark stamped(const std::string& path);
    FileMark withChecksum(std::uint64_t sum) const;

    bool isSet() const { return set_; }
    // True when the file at path is not the one marked. A missing file or an
    // unset mark is no change: nothing on disk would be lost by a save.
    bool changedOnDisk(const std::string& path) const;

    // A 64-bit checksum of the bytes, eight at a time: a difference in one
    // eight-byte word always changes it.
    static std::uint64_t checksum(const char* data, std::size_t size);

private:
    bool set_ = false;
    std::uint64_t size_ = 0;
    std::int64_t modified_ = 0;
    std::uint64_t sum_ = 0;
};
