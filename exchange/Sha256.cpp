#include "exchange/Sha256.h"

#include <cstdint>

namespace {

const std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void compress(std::uint32_t state[8], const unsigned char* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = (std::uint32_t(block[4 * i]) << 24) | (std::uint32_t(block[4 * i + 1]) << 16) |
               (std::uint32_t(block[4 * i + 2]) << 8) | std::uint32_t(block[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotate(w[i - 15], 7) ^ rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotate(w[i - 2], 17) ^ rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state[i];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t s1 = rotate(v[4], 6) ^ rotate(v[4], 11) ^ rotate(v[4], 25);
        const std::uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const std::uint32_t t1 = v[7] + s1 + choose + kRound[i] + w[i];
        const std::uint32_t s0 = rotate(v[0], 2) ^ rotate(v[0], 13) ^ rotate(v[0], 22);
        const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        for (int k = 7; k > 0; --k) v[k] = v[k - 1];
        v[4] += t1;
        v[0] = t1 + s0 + majority;
    }
    for (int i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

std::string Sha256::hex(const std::string& data) {
    Sha256 sum;
    sum.add(data.data(), data.size());
    return sum.hex();
}

Sha256::Sha256() : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::add(const char* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    total_ += size;
    while (size > 0) {
        if (filled_ == 0 && size >= 64) {
            compress(state_, bytes);
            bytes += 64;
            size -= 64;
            continue;
        }
        const std::size_t take = size < 64 - filled_ ? size : 64 - filled_;
        for (std::size_t i = 0; i < take; ++i) block_[filled_ + i] = bytes[i];
        filled_ += take;
        bytes += take;
        size -= take;
        if (filled_ == 64) {
            compress(state_, block_);
            filled_ = 0;
        }
    }
}

std::string Sha256::hex() {
    // The last bytes, the bit 1, zeros and the length in bits.
    unsigned char tail[128] = {};
    for (std::size_t i = 0; i < filled_; ++i) tail[i] = block_[i];
    tail[filled_] = 0x80;
    const std::size_t tailSize = filled_ + 9 <= 64 ? 64 : 128;
    const std::uint64_t bits = total_ * 8;
    for (int i = 0; i < 8; ++i) tail[tailSize - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    for (std::size_t at = 0; at < tailSize; at += 64) compress(state_, tail + at);
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint32_t word : state_)
        for (int shift = 28; shift >= 0; shift -= 4) out += digits[(word >> shift) & 0xF];
    return out;
}
