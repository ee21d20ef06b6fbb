// The chart's actions as a person makes them, on a user with 100,000 Pulse
// and 100,000 Blood Pressure readings (about 27 MB; QUORVEL_BENCH_READINGS
// sets another number per variable), click to idle: a display
// menu is opened as a click opens it, its item is picked with the keys and
// the menu closes; a button's callback runs; then the event loop runs until
// the program is idle again, with the display server synced. "CPU" is the
// program's CPU time (all its threads), "Time" the wall time. Cold rows pick
// on a user just chosen (nothing of it kept); warm rows pick again what the
// chart showed before. Needs an X display (run under
// scripts/with-display.sh). Works in a temporary data folder.
//
// The peak memory of a process that opens the user and charts four series
// is reported by BM_PeakMemoryFourSeries; run it alone for a figure that
// holds nothing of the other benchmarks:
//   bench_chart_actions --benchmark_filter=PeakMemory
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Window.H>
#include <FL/x.H>

#include "BenchSupport.h"
#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/Global.h"
#include "store/XmlFile.h"
#include "ui/chart/MyChart.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/users/SearchUserBox.h"

namespace {

struct Setup {
    std::string root;
    MainWindow* window = nullptr;
    double fileBytes = 0;
};

// Runs the event loop until the program is idle, the display server included.
void settle() {
    Fl::flush();
    XSync(fl_display, False);
    while (Fl::ready()) Fl::check();
    Fl::flush();
    XSync(fl_display, False);
}

Setup& setup() {
    static Setup s;
    if (s.window) return s;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    s.root = bench::makeDataFolder();
    bench::writeVitalsUserFile(Global::dataFolder + "user0.hma", bench::readingsPerVariable());
    s.fileBytes = static_cast<double>(
        std::ifstream(Global::dataFolder + "user0.hma", std::ios::binary | std::ios::ate).tellg());
    if (!Global::loadFile(Global::configDoc, "config.hma", Global::configText)) std::exit(1);
    s.window = new MainWindow(1260, 984);
    settle();
    return s;
}

MainWindow& win() { return *setup().window; }

void chooseUser() {
    win().searchUserBox->browser->select(1);
    win().searchUserBox->browserCB_i();
}

struct Key {
    int key;
    int menusShown;  // how many menu windows must be up before it
};

// The keys that pick the item at path in an open pulldown menu: Down to each
// item of the first level, Right into a submenu, Down to its item, Enter.
std::vector<Key> keysFor(const Fl_Menu_Item* items, const std::string& path) {
    std::vector<Key> keys;
    const Fl_Menu_Item* level = items;
    std::size_t from = 0;
    for (int depth = 0;; ++depth) {
        const std::size_t slash = path.find('/', from);
        const std::string part = path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
        int index = 0;
        const Fl_Menu_Item* found = nullptr;
        for (const Fl_Menu_Item* it = level; it && it->text; it = it->next()) {
            if (!it->activevisible()) continue;
            if (part == it->text) {
                found = it;
                break;
            }
            ++index;
        }
        if (!found) return {};
        if (depth > 0) keys.push_back({FL_Right, depth + 1});
        for (int i = 0; i < index + (depth == 0 ? 1 : 0); ++i) keys.push_back({FL_Down, depth + 1});
        if (slash == std::string::npos) {
            keys.push_back({FL_Enter, depth + 1});
            break;
        }
        level = found + 1;
        from = slash + 1;
    }
    return keys;
}

struct KeyFeed {
    std::vector<Key> keys;
    std::size_t next = 0;
};

// The menu windows now up.
int menusShown() {
    int n = 0;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (dynamic_cast<Fl_Menu_Window*>(w) && w->visible()) ++n;
    return n;
}

// Presses the next key in the open menu; one key per turn of its loop, so
// that each submenu opens before the key meant for it.
void pressNextKey(void* data) {
    KeyFeed& feed = *static_cast<KeyFeed*>(data);
    if (feed.next >= feed.keys.size()) return;
    // A person's key comes once the menu it is meant for is up and drawn:
    // what the display server has to tell is handled first.
    XSync(fl_display, False);
    if (XPending(fl_display) || menusShown() < feed.keys[feed.next].menusShown) {
        Fl::add_timeout(0.0002, pressNextKey, data);
        return;
    }
    Fl::e_keysym = feed.keys[feed.next++].key;
    Fl::e_state = 0;
    static char noText[1] = "";
    Fl::e_text = noText;
    Fl::e_length = 0;
    Fl::handle(FL_KEYBOARD, Fl::grab() ? Fl::grab() : Fl::first_window());
    if (feed.next < feed.keys.size()) Fl::add_timeout(0.0002, pressNextKey, data);
}

// The series on the chart, by name.
std::string chartedNames() {
    std::string names = std::to_string(static_cast<int>(win().chart->display));
    for (const ChartVariable& v : win().chart->variables) names += "|" + v.name;
    return names;
}

// The pointer stays still while the keys choose: the crossings the display
// server reports as menus appear and take the pointer are not passed on (a
// menu takes them for the pointer leaving it and drops its choice).
int stillPointer(int event, Fl_Window* window) {
    if (event == FL_ENTER || event == FL_LEAVE || event == FL_MOVE) return 0;
    return Fl::handle_(event, window);
}

// Picks a menu item as a person does: the menu opens as a click opens it,
// the keys choose the item and the menu closes; its callback runs.
void pick(Fl_Menu_Button* menu, const char* path) {
    const Fl_Menu_Item* item = menu->find_item(path);
    KeyFeed feed;
    feed.keys = keysFor(menu->menu(), path);
    if (!item || feed.keys.empty()) {
        std::cerr << "no menu item " << path << std::endl;
        std::exit(1);
    }
    // The pointer rests away from the menus, so only the keys choose.
    XWarpPointer(fl_display, None, RootWindow(fl_display, fl_screen), 0, 0, 0, 0, Fl::w() - 1, Fl::h() - 1);
    Fl::add_timeout(0.0002, pressNextKey, &feed);
    const std::string before = chartedNames();
    Fl::event_dispatch(stillPointer);
    menu->popup();
    Fl::event_dispatch(nullptr);
    Fl::remove_timeout(pressNextKey, &feed);
    // The item's callback changes what the chart shows (the menu itself may
    // be built anew by it).
    if (chartedNames() == before) {
        std::cerr << "the menu did not pick " << path << std::endl;
        std::exit(1);
    }
}

const char* const kSeries[3] = {"Vitals/Pulse", "Vitals/Blood Pressure/Systolic", "Vitals/Blood Pressure/Diastolic"};

// A pick and the event loop until idle: what the rows time. Kept out of
// line, so that a profiler can collect it alone
// (valgrind --tool=callgrind --toggle-collect='*pickAndSettle*').
__attribute__((noinline)) void pickAndSettle(Fl_Menu_Button* menu, const char* path) {
    pick(menu, path);
    settle();
}

// A time-range button pressed as a person presses it (the button goes down,
// the event loop runs, the button comes up and its callback runs) and the
// event loop until idle (out of line, as pickAndSettle).
__attribute__((noinline)) void pressAndSettle(int button) {
    Fl_Button* b = win().chart->timeButtons[static_cast<std::size_t>(button)];
    Fl::e_x = b->x() + b->w() / 2;
    Fl::e_y = b->y() + b->h() / 2;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, &win());
    settle();
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, &win());
    settle();
}

// The window resized and the event loop run until idle (out of line, as
// pickAndSettle).
__attribute__((noinline)) void resizeAndSettle(int w, int h) {
    win().size(w, h);
    settle();
}

// The chart's whole draws of the timed actions, per action: one is the floor.
struct DrawCount {
    std::size_t total = 0, before = 0;
    void start() { before = win().chart->draws; }
    void stop() { total += win().chart->draws - before; }
    void report(benchmark::State& state) const {
        state.counters["draws"] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
    }
};

// The user open and the chart cleared.
void freshChart() {
    if (!Global::userOpen) chooseUser();
    win().chartRemoveCB_i();
    settle();
}

// The user chosen afresh: read again, nothing of it kept, the chart empty.
void freshUser() {
    win().closeCB_i();
    win().searchUserBox->browser->deselect();
    settle();
    chooseUser();
    settle();
}

// The bare read and parse of the user's file, the measure choosing the user
// is compared with: read and parsed into fresh storage that then replaces
// the last file's, as the store replaces the open user's document.
void BM_ReadAndParse(benchmark::State& state) {
    setup();
    std::string error;
    XmlDocument kept;
    std::vector<char> keptText;
    for (auto _ : state) {
        XmlDocument doc;
        std::vector<char> text;
        XmlFile::readJoined(Global::dataFolder + "user0.hma", text, error);
        XmlFile::parse(text, doc, error);
        kept.swap(doc);
        keptText.swap(text);
    }
    state.counters["file_MB"] = setup().fileBytes / 1e6;
}
BENCHMARK(BM_ReadAndParse)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

// Choosing the user in the list with no user open (an open user would
// first be saved).
void BM_ChooseUser(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        state.PauseTiming();
        win().closeCB_i();
        win().searchUserBox->browser->deselect();
        settle();
        state.ResumeTiming();
        chooseUser();
        settle();
    }
}
BENCHMARK(BM_ChooseUser)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

// The first pick after choosing the user: Normal Range Display (0 Pulse,
// 1 Blood Pressure) or Multi-Display (2 Pulse, 3 Systolic).
void BM_ColdPick(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    Fl_Menu_Button* menu = which < 2 ? win().normalRangeMenu : win().multiDisplayMenu;
    const char* const paths[4] = {"Vitals/Pulse", "Vitals/Blood Pressure", kSeries[0], kSeries[1]};
    DrawCount draws;
    for (auto _ : state) {
        state.PauseTiming();
        freshUser();
        draws.start();
        state.ResumeTiming();
        pickAndSettle(menu, paths[which]);
        draws.stop();
    }
    draws.report(state);
}
BENCHMARK(BM_ColdPick)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

// Multi-Display: argument n puts series n beside the n before it (warm: the
// same picks were made before on this user).
void BM_MultiDisplayPick(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    freshChart();
    for (int i = 0; i <= n; ++i) pick(win().multiDisplayMenu, kSeries[i]);
    settle();
    DrawCount draws;
    for (auto _ : state) {
        state.PauseTiming();
        freshChart();
        for (int i = 0; i < n; ++i) pick(win().multiDisplayMenu, kSeries[i]);
        settle();
        draws.start();
        state.ResumeTiming();
        pickAndSettle(win().multiDisplayMenu, kSeries[n]);
        draws.stop();
    }
    draws.report(state);
}
BENCHMARK(BM_MultiDisplayPick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

// A time-range button with the three series charted (argument: the button).
void BM_TimeRangeButton(benchmark::State& state) {
    const int button = static_cast<int>(state.range(0));
    freshChart();
    for (const char* s : kSeries) pick(win().multiDisplayMenu, s);
    settle();
    DrawCount draws;
    for (auto _ : state) {
        state.PauseTiming();
        pressAndSettle(button == 0 ? 5 : 0);
        draws.start();
        state.ResumeTiming();
        pressAndSettle(button);
        draws.stop();
    }
    draws.report(state);
}
BENCHMARK(BM_TimeRangeButton)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

// The window resized by a few pixels with the three series charted.
void BM_Resize(benchmark::State& state) {
    freshChart();
    for (const char* s : kSeries) pick(win().multiDisplayMenu, s);
    settle();
    int step = 0;
    for (auto _ : state) resizeAndSettle(1260 - (++step % 2) * 20, 984);
    win().size(1260, 984);
    settle();
}
BENCHMARK(BM_Resize)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

// Normal Range Display (warm): 0 Pulse, 1 Blood Pressure.
void BM_NormalRangeDisplay(benchmark::State& state) {
    const char* path = state.range(0) == 0 ? "Vitals/Pulse" : "Vitals/Blood Pressure";
    freshChart();
    pick(win().normalRangeMenu, path);
    settle();
    DrawCount draws;
    for (auto _ : state) {
        state.PauseTiming();
        freshChart();
        draws.start();
        state.ResumeTiming();
        pickAndSettle(win().normalRangeMenu, path);
        draws.stop();
    }
    draws.report(state);
}
BENCHMARK(BM_NormalRangeDisplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

// Reports the process's peak memory so far, also per byte of the user file.
void reportPeak(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["file_MB"] = setup().fileBytes / 1e6;
    state.counters["peak_per_file"] = static_cast<double>(usage.ru_maxrss) * 1024.0 / setup().fileBytes;
}

// The save of the open user (File/Save). Run alone, its peak memory is the
// one of opening the user and saving it:
//   bench_chart_actions --benchmark_filter=SaveUserFile
void BM_SaveUserFile(benchmark::State& state) {
    freshChart();
    for (auto _ : state) (void)Global::saveFile(Global::currentFile.c_str(), Global::userDoc);
    reportPeak(state);
}
BENCHMARK(BM_SaveUserFile)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

// One more Pulse entry with OK while the three series are charted.
void BM_NewEntryThreeSeries(benchmark::State& state) {
    freshChart();
    for (const char* s : kSeries) pick(win().multiDisplayMenu, s);
    settle();
    NewEntryWindow* entry = new NewEntryWindow(&win(), "Add history entry for Vitals: Pulse", "Vitals", "Pulse");
    for (auto _ : state) {
        state.PauseTiming();
        bench::typeNextPulse(entry, "2025/12/31");
        settle();
        state.ResumeTiming();
        entry->saveCB_i(NewEntryWindow::AfterSave::Close);
        settle();
    }
}
BENCHMARK(BM_NewEntryThreeSeries)->Unit(benchmark::kMillisecond)->Iterations(10)->MeasureProcessCPUTime();

void BM_PeakMemoryFourSeries(benchmark::State& state) {
    for (auto _ : state) {
        freshChart();
        for (const char* s : kSeries) pick(win().multiDisplayMenu, s);
        pick(win().multiDisplayMenu, "Vitals/SpO2");
        settle();
    }
    reportPeak(state);
}
BENCHMARK(BM_PeakMemoryFourSeries)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
