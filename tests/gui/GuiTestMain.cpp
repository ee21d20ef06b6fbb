// Entry point of the window tests: the toolkit look of the program, then
// the tests. They need an X display (the test command starts Xvfb).
#include <gtest/gtest.h>

#include "TestEnvironment.h"
#include "ui/main/ToolkitLook.h"

// The toolkit and the font library keep caches until the process ends; the
// window tests do not look for leaks (the tests without a display do).
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    prepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    applyToolkitLook();
    return RUN_ALL_TESTS();
}
