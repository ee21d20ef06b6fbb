// Entry point of the window tests: the toolkit look of the program, then
// the tests. They need an X display (the test command starts Xvfb).
#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>

#include "TestEnvironment.h"

// The toolkit and the font library keep caches until the process ends; the
// window tests do not look for leaks (the tests without a display do).
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    prepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    fl_message_font(FL_HELVETICA, 12);
    FL_NORMAL_SIZE = 12;
    Fl::visible_focus(0);
    Fl::visual(FL_DOUBLE);
    Fl::set_color(FL_BACKGROUND_COLOR, 200, 200, 205);
    Fl::scheme("gtk+");
    return RUN_ALL_TESTS();
}
