// The toolbar icons (24x24) and the maker's logo (65x24) as XPM pixmaps with
// transparent backgrounds, and each drawn again at twice the size (the
// "2x" ones) for larger text sizes.
#pragma once

namespace Icons {
extern const char* const addUser[];
extern const char* const editUser[];
extern const char* const removeUser[];
extern const char* const clearChart[];
extern const char* const help[];
extern const char* const logo[];
extern const char* const addUser2x[];
extern const char* const editUser2x[];
extern const char* const removeUser2x[];
extern const char* const clearChart2x[];
extern const char* const help2x[];
extern const char* const logo2x[];
}  // namespace Icons
