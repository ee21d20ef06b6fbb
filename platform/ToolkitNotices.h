// Window-system notices the toolkit answers at a cost although nothing is
// to be learnt from them.
#pragma once

namespace ToolkitNotices {

// On X11 the toolkit answers the notice that a window was destroyed, when it
// no longer knows the window, by opening the input method anew to learn
// whether its server is still alive: on a desktop that reads the whole
// compose table, some 15 ms, each time a menu closes. The windows this
// program made itself and has destroyed tell nothing about that server: their
// notices are dropped. Notices about every other window still reach the
// toolkit. Installed once; elsewhere there is nothing to do.
void dropOwnDestroyNotices();

}  // namespace ToolkitNotices
