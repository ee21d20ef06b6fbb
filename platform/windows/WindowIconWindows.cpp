#include "platform/WindowIcon.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>

void WindowIcon::useProgramIcon() {
    // The windows and the task bar show the program's own icon (resource 1),
    // not the toolkit's generic one.
    HINSTANCE self = GetModuleHandleW(NULL);
    Fl_Window::default_icons(
        static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)),
        static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
}
