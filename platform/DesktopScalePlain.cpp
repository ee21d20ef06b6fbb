// Where the desktop's scale cannot be read, the designed size is kept.
#include "platform/DesktopScale.h"

namespace DesktopScale {

int dpi() { return 0; }

}  // namespace DesktopScale
