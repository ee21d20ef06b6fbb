#include "platform/ToolkitNotices.h"

#include <unordered_set>

#include <FL/Fl.H>
#include <FL/x.H>

namespace {

// The program's own windows seen mapped and not yet destroyed.
std::unordered_set<Window>& ownWindows() {
    static std::unordered_set<Window> windows;
    return windows;
}

int filter(void* event, void*) {
    const XEvent& e = *static_cast<const XEvent*>(event);
    if (e.type == MapNotify) {
        if (fl_find(e.xmap.window)) ownWindows().insert(e.xmap.window);
        return 0;
    }
    if (e.type != DestroyNotify) return 0;
    const auto own = ownWindows().find(e.xdestroywindow.window);
    if (own == ownWindows().end()) return 0;
    ownWindows().erase(own);
    // A window the toolkit still knows is its business.
    return fl_find(e.xdestroywindow.window) ? 0 : 1;
}

}  // namespace

void ToolkitNotices::dropOwnDestroyNotices() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    Fl::add_system_handler(filter, nullptr);
}
