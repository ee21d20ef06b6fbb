// The scale the desktop draws at, as dots per inch (96 is 100 %): on X11
// the resource Xft.dpi the desktop sets, on Windows the monitor's logical
// DPI. The toolkit must have opened its display first.
#pragma once

#include <string>

namespace DesktopScale {

// The desktop's dots per inch; 0 when it sets none or it cannot be read.
int dpi();

// The Xft.dpi value of an X resource database text ("Xft.dpi:\t144\n"
// among other lines); 0 when it holds none or no number.
int dpiFromResources(const std::string& resources);

}  // namespace DesktopScale
