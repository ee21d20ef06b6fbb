// What an existing path names, told without following a symbolic link: an
// output replaces only a regular file, and a user's file that is a link is
// neither written through nor read without a word.
#pragma once

#include <string>

enum class PathKind { None, File, Link, Folder, Pipe, Device, Socket, Other };

namespace pathKind {

// The kind of the path itself (a link is a Link, wherever it points). The
// path is UTF-8 on every system.
PathKind of(const std::string& path);

// "a symbolic link", "a folder", "a named pipe", ... for a message.
const char* describe(PathKind kind);

// Where a symbolic link points, as the link says; empty when the path is
// not a link.
std::string target(const std::string& path);

// True when path (a link, say) leads to a place inside folder, once every
// link on the way is followed.
bool leadsInside(const std::string& path, const std::string& folder);

}  // namespace pathKind
