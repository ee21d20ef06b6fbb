// The SHA-256 digest of a text, as 64 lowercase hexadecimal digits: the
// checksum a backup's manifest gives each file. A file too large to hold is
// summed piece by piece (add, then hex).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    static std::string hex(const std::string& data);

    Sha256();
    void add(const char* data, std::size_t size);
    // The digest of everything added; the sum is spent afterwards.
    std::string hex();

private:
    std::uint32_t state_[8];
    unsigned char block_[64] = {};
    std::size_t filled_ = 0;
    std::uint64_t total_ = 0;
};
