// The SHA-256 digest of a text, as 64 lowercase hexadecimal digits: the
// checksum a backup's manifest gives each file.
#pragma once

#include <string>

class Sha256 {
public:
    static std::string hex(const std::string& data);
};
