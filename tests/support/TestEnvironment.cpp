#include "TestEnvironment.h"

#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>

void prepareTestEnvironment() {
    const std::string home = std::string(QUORVEL_BINARY_DIR) + "/test-home";
    mkdir(home.c_str(), 0700);
    mkdir((home + "/xdg").c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/xdg").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    std::setlocale(LC_ALL, "C");
}
