// The toolbar icons (24x24) and the maker's logo (65x24) as XPM pixmaps with
// transparent backgrounds.
#pragma once

namespace Icons {
extern const char* const addUser[];
extern const char* const editUser[];
extern const char* const removeUser[];
extern const char* const clearChart[];
extern const char* const help[];
extern const char* const logo[];
}  // namespace Icons
