// How fast the history window opens and scrolls for a variable with
// 100,000 entries. Needs an X display (run under scripts/with-display.sh).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include <FL/Fl.H>

#include "BenchSupport.h"
#include "app/Trace.h"
#include "rules/readings/HistoryData.h"
#include "store/Global.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/HistoryTableWindow.h"

namespace {

constexpr int kEntries = 100000;

// Makes the open user's document hold Pulse with kEntries entries; no file
// is read or written.
void makeUser() {
    static bool made = false;
    if (made) return;
    made = true;
    const std::string xml = bench::pulseUserFile(kEntries);
    Global::userText.assign(xml.begin(), xml.end());
    Global::userText.push_back('\0');
    Global::userDoc->parse<rapidxml::parse_declaration_node | rapidxml::parse_no_data_nodes>(Global::userText.data());
    Global::userOpen = true;
    Global::currentFile = "user0.hma";
}

// Waits until the window is mapped and its table has drawn its cells.
// False when that did not happen within about five seconds.
bool firstDraw(HistoryTableWindow& window) {
    for (int i = 0; i < 5000 && window.table->cellsDrawn == 0; ++i) {
        Fl::wait(0.001);
        Fl::flush();
    }
    return window.table->cellsDrawn > 0;
}

void BM_HistoryRows100k(benchmark::State& state) {
    makeUser();
    bool grouped = false;
    const auto columns = HistoryData::columnsFor("Pulse", grouped, Units::Preferences());
    std::ostringstream errors;
    for (auto _ : state) {
        auto rows = HistoryData::readRows(Global::findVariable("Pulse"), "Pulse", columns, grouped,
                                          Units::Preferences(), errors);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_HistoryRows100k)->Unit(benchmark::kMillisecond);

// Construct (which loads the rows and shows the window) and the first draw.
void BM_HistoryWindowOpen100k(benchmark::State& state) {
    makeUser();
    for (auto _ : state) {
        auto* window = new HistoryTableWindow(nullptr, 1000, 800, "Pulse History", "Pulse");
        const bool drawn = firstDraw(*window);
        state.PauseTiming();
        window->hide();
        Fl::check();
        delete window;
        if (!drawn) {
            state.SkipWithError("the table was not drawn");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryWindowOpen100k)->Unit(benchmark::kMillisecond)->Iterations(5);

// One redraw after moving the scroll position across the whole history.
void BM_HistoryScroll100k(benchmark::State& state) {
    makeUser();
    auto* window = new HistoryTableWindow(nullptr, 1000, 800, "Pulse History", "Pulse");
    if (!firstDraw(*window)) state.SkipWithError("the table was not drawn");
    int row = 0;
    const long before = window->table->cellsDrawn;
    for (auto _ : state) {
        row = (row + 7919) % kEntries;
        window->table->row_position(row);
        Fl::flush();
    }
    // Cells drawn per scroll step: only the visible ones.
    state.counters["cells_per_redraw"] =
        static_cast<double>(window->table->cellsDrawn - before) / static_cast<double>(state.iterations());
    window->hide();
    Fl::check();
    delete window;
}
BENCHMARK(BM_HistoryScroll100k)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    Trace::setLogPath("/dev/null");
    Fl::visual(FL_DOUBLE);
    Fl::scheme("gtk+");
    Global::init();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
