// The program's own icon on its windows and in the task bar, where the
// system takes it from the program rather than from its desktop entry.
#pragma once

namespace WindowIcon {

// Makes the program's icon the one of every window opened afterwards.
// Windows: icon resource 1 of the executable, in the sizes the system uses
// for windows and for their title bars; elsewhere the desktop entry (or
// the application bundle) names the icon and there is nothing to do. Called once, before the first window.
void useProgramIcon();

}  // namespace WindowIcon
