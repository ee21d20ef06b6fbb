// Saving one more entry with OK for a user whose Pulse already holds
// 100,000 entries: the checks and the new element, the write of the whole
// user file and the refresh of the main window's panels. Needs an X display
// (run under scripts/with-display.sh). Works in a temporary data folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Input.H>

#include "BenchSupport.h"
#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/NewEntryWindow.h"

namespace {

constexpr int kEntries = 100000;

struct Setup {
    std::string root;
    MainWindow* window = nullptr;
    NewEntryWindow* entry = nullptr;
};

// A data folder with one registered user whose Pulse holds kEntries entries,
// opened as the current user, and the main window.
Setup& setup() {
    static Setup s;
    if (s.window) return s;
    s.root = bench::makeDataFolder();
    std::ofstream(Global::dataFolder + "user0.hma") << bench::pulseUserFile(kEntries);

    if (!Global::loadFile(Global::configDoc, "config.hma", Global::configText) ||
        !Global::loadFile(Global::userDoc, "user0.hma", Global::userText)) {
        std::cerr << "cannot load the benchmark's user" << std::endl;
        std::exit(1);
    }
    Global::userOpen = true;
    Global::currentFile = "user0.hma";
    Global::currentId = "0";
    s.window = new MainWindow(1100, 800);
    s.window->refreshPanels(MainWindow::UserLine::Reselected, MainWindow::ChartSeries::Cleared);
    s.entry = new NewEntryWindow(s.window, "Add history entry for Vitals: Pulse", "Vitals", "Pulse");
    Fl::check();
    return s;
}

void BM_SaveEntryWithOk100k(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        bench::typeNextPulse(s.entry, "2026/12/07");
        Fl::check();
        state.ResumeTiming();

        s.entry->saveCB_i(NewEntryWindow::AfterSave::Close);

        state.PauseTiming();
        if (s.entry->shown()) state.SkipWithError("the entry was not saved");
        Fl::check();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(std::ifstream(Global::dataFolder + "user0.hma",
                                                                  std::ios::binary | std::ios::ate)
                                                        .tellg()) /
                                1e6;
}
BENCHMARK(BM_SaveEntryWithOk100k)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
