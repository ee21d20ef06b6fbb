// What several benchmarks share: a user file with a long pulse history.
// (The benchmarks also use the tests' support, for instance removeTree.)
#pragma once

#include <string>

class NewEntryWindow;

namespace bench {

// A complete user file (id 0, Ann Lee) whose Pulse variable holds the given
// number of entries, printed as the program prints its files, followed by an
// empty Mood variable.
std::string pulseUserFile(int entries);

// Writes a user file (id 0, Ann Lee) as the program prints it, entry by
// entry: five years of Pulse and of Blood Pressure readings, readings of
// each, and 50 SpO2 ones, at local times of the zone in force.
void writeVitalsUserFile(const std::string& path, int readings);

// The readings per variable of a benchmark's user: QUORVEL_BENCH_READINGS,
// 100,000 when it is not set.
int readingsPerVariable();

// A throw-away data folder made the store's data folder, with the store's
// defaults, a trace log in the folder and alerts printed; its registry names
// one user, Ann Lee (id 0), whose file is user0.hma. The folder is removed
// when the program ends. Returns its path with a final slash.
std::string makeDataFolder();

// Types the next Pulse reading into an entry window and shows it: the given
// date, a time one minute after the previous call's (1:00 PM onwards), 72.
void typeNextPulse(NewEntryWindow* window, const char* date);

}  // namespace bench
