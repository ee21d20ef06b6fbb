#include "exchange/PathKind.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace pathKind {

PathKind of(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(fs::u8path(path), ec);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none: return PathKind::None;
    case fs::file_type::regular: return PathKind::File;
    case fs::file_type::symlink: return PathKind::Link;
    case fs::file_type::directory: return PathKind::Folder;
    case fs::file_type::fifo: return PathKind::Pipe;
    case fs::file_type::block:
    case fs::file_type::character: return PathKind::Device;
    case fs::file_type::socket: return PathKind::Socket;
    default: return PathKind::Other;
    }
}

const char* describe(PathKind kind) {
    switch (kind) {
    case PathKind::None: return "nothing";
    case PathKind::File: return "a regular file";
    case PathKind::Link: return "a symbolic link";
    case PathKind::Folder: return "a folder";
    case PathKind::Pipe: return "a named pipe";
    case PathKind::Device: return "a device";
    case PathKind::Socket: return "a socket";
    default: return "not a regular file";
    }
}

std::string target(const std::string& path) {
    std::error_code ec;
    const fs::path to = fs::read_symlink(fs::u8path(path), ec);
    return ec ? std::string() : to.u8string();
}

bool leadsInside(const std::string& path, const std::string& folder) {
    std::error_code ec;
    const fs::path where = fs::weakly_canonical(fs::u8path(path), ec);
    if (ec) return false;
    const fs::path root = fs::weakly_canonical(fs::u8path(folder), ec);
    if (ec) return false;
    // Compared part by part: /data/Quorvel2 is not inside /data/Quorvel.
    auto w = where.begin();
    for (const fs::path& part : root) {
        if (part.empty()) continue;  // the empty last part of a folder ending with a separator
        if (w == where.end() || *w != part) return false;
        ++w;
    }
    return true;
}

}  // namespace pathKind
