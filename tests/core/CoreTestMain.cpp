// Entry point of the tests that need no display.
#include <gtest/gtest.h>

#include "TestEnvironment.h"

int main(int argc, char** argv) {
    prepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
