// What the store last read from or wrote to a data file: its size, its
// modification time and a checksum of its bytes. A file whose size differs,
// or whose time and bytes both differ, was changed by another program since.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FileMark {
public:
    // The mark of content just written to path (its size and time read back),
    // given its checksum.
    static FileMark ofWritten(const std::string& path, std::uint64_t sum);
    // The size and time of the file at path now, taken before its bytes are
    // read; their checksum is given once they are (withChecksum). Unset when
    // nothing is there.
    static FileMark stamped(const std::string& path);
    FileMark withChecksum(std::uint64_t sum) const;

    bool isSet() const { return set_; }
    // True when the file at path is not the one marked. A missing file or an
    // unset mark is no change: nothing on disk would be lost by a save.
    bool changedOnDisk(const std::string& path) const;

    // A 64-bit checksum of the bytes, eight at a time in four independent
    // lanes (so that the processor sums them side by side): a difference in
    // one eight-byte word always changes it.
    static std::uint64_t checksum(const char* data, std::size_t size);

    // The same checksum of bytes given piece by piece.
    class Summer {
    public:
        void add(const char* data, std::size_t size);
        std::uint64_t sum() const;

    private:
        static constexpr std::size_t kBlock = 32;  // a word for each lane
        std::uint64_t lanes_[4] = {1469598103934665603ull, 1469598103934665603ull, 1469598103934665603ull,
                                   1469598103934665603ull};
        std::uint64_t size_ = 0;
        char carry_[kBlock] = {};
        std::size_t carried_ = 0;
    };

private:
    bool set_ = false;
    std::uint64_t size_ = 0;
    std::int64_t modified_ = 0;
    std::uint64_t sum_ = 0;
};
