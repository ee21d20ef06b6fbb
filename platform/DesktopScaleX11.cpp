// The desktop's scale on X11: the Xft.dpi resource desktops set for their
// scale (GNOME, KDE and Xfce each write it into the resource database).
#include "platform/DesktopScale.h"

#include <FL/Fl.H>
#include <FL/x.H>

namespace DesktopScale {

int dpi() {
    fl_open_display();
    const char* resources = fl_display ? XResourceManagerString(fl_display) : nullptr;
    return resources ? dpiFromResources(resources) : 0;
}

}  // namespace DesktopScale
