#include "platform/WindowIcon.h"

// The desktop entry (data/) or the application bundle names the program's icon.
void WindowIcon::useProgramIcon() {}
