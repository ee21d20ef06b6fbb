// The desktop's scale on Windows: the logical dots per inch of the screen
// (LOGPIXELSX), which Windows gives a program that declares itself aware of
// the DPI in its manifest (and a Wine prefix's LogPixels value).
#include "platform/DesktopScale.h"

#include <windows.h>

namespace DesktopScale {

int dpi() {
    HDC screen = GetDC(NULL);
    if (!screen) return 0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    return dpi > 0 ? dpi : 0;
}

}  // namespace DesktopScale
