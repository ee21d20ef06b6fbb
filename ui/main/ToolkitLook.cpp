#include "ui/main/ToolkitLook.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>

void applyToolkitLook() {
    fl_message_font(FL_HELVETICA, 12);
    FL_NORMAL_SIZE = 12;
    // Keyboard users see where their keys go.
    Fl::visible_focus(1);
    Fl::visual(FL_DOUBLE);
    Fl::set_color(FL_BACKGROUND_COLOR, 200, 200, 205);
    Fl::scheme("gtk+");
}
