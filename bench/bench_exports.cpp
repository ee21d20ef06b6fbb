// The exports of quorvel-data at phone scale, each beside its floor: CSV,
// JSON and FHIR of a user with 100,000 Pulse and 100,000 Blood Pressure
// readings (about 27 MB) and of one with 500,000 of each, written to a file.
// Each export runs as its own quorvel-data process, three times; a row
// reports the least CPU time (cpu_s, user and system), the peak memory
// (peak_MB) and the size of what it wrote (out_MB). The JSON and FHIR rows also give
// the CSV export's figures of the same user (the floor) and their ratios to
// them (cpu_per_csv, peak_per_csv). Times are those of Europe/Berlin.
// QUORVEL_BENCH_TOOL names another quorvel-data to measure (another build's).
//   bench_exports --benchmark_filter=readings:100000/
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "TestSupport.h"

namespace {

const char* const kFormats[] = {"csv", "json", "fhir"};

// A data folder under /tmp whose one user has that many readings of each variable.
struct Folder {
    std::string root;
    explicit Folder(int readings) {
        char templ[] = "/tmp/quorvel-bench-exports.XXXXXX";
        if (!mkdtemp(templ)) std::abort();
        root = std::string(templ) + "/";
        bench::writeVitalsUserFile(root + "user0.hma", readings);
        writeFile(root + "config.hma",
                  "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
                  "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n");
    }
    ~Folder() { removeTree(root); }
};

Folder& folderOf(int readings) {
    static std::map<int, std::unique_ptr<Folder>> folders;
    auto& f = folders[readings];
    if (!f) f = std::make_unique<Folder>(readings);
    return *f;
}

struct Run {
    bool ok = false;
    double cpu = 0;     // seconds
    double peakMB = 0;
    double outMB = 0;
};

// One command of quorvel-data by its own process; out is the file it writes (if any).
Run runTool(const std::vector<std::string>& arguments, const std::string& out) {
    Run run;
    const char* other = std::getenv("QUORVEL_BENCH_TOOL");
    const char* tool = other && *other ? other : QUORVEL_DATA_TOOL;
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>("quorvel-data")};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        // What the commands print is not what is measured.
        if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
        execv(tool, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!out.empty()) {
        run.outMB = static_cast<double>(std::ifstream(out, std::ios::binary | std::ios::ate).tellg()) / 1e6;
        std::remove(out.c_str());
    }
    return run;
}

// One export, to a file: the least CPU time of three runs (other programs
// on the machine only add to it), the largest peak.
Run exportOnce(const std::string& folder, const char* format) {
    const std::string out = folder + "out." + format;
    Run best;
    for (int i = 0; i < 3; ++i) {
        const Run run = runTool({"--data-dir", folder, "export", "--user", "0", "--format", format, "-o", out}, out);
        if (!run.ok) return run;
        if (i == 0 || run.cpu < best.cpu) best.cpu = run.cpu;
        best.peakMB = std::max(best.peakMB, run.peakMB);
        best.outMB = run.outMB;
        best.ok = true;
    }
    return best;
}

// The CSV export of a size, measured once.
const Run& csvOf(int readings) {
    static std::map<int, Run> floors;
    auto found = floors.find(readings);
    if (found == floors.end()) found = floors.emplace(readings, exportOnce(folderOf(readings).root, "csv")).first;
    return found->second;
}

void BM_Export(benchmark::State& state) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const int readings = static_cast<int>(state.range(0));
    const char* format = kFormats[state.range(1)];
    Run run;
    for (auto _ : state) run = state.range(1) == 0 ? csvOf(readings) : exportOnce(folderOf(readings).root, format);
    if (!run.ok) state.SkipWithError("the export failed");
    state.SetLabel(format);
    state.counters["cpu_s"] = run.cpu;
    state.counters["peak_MB"] = run.peakMB;
    state.counters["out_MB"] = run.outMB;
    if (state.range(1) == 0) return;
    const Run& csv = csvOf(readings);
    state.counters["csv_cpu_s"] = csv.cpu;
    state.counters["csv_peak_MB"] = csv.peakMB;
    state.counters["cpu_per_csv"] = run.cpu / csv.cpu;
    state.counters["peak_per_csv"] = run.peakMB / csv.peakMB;
}
BENCHMARK(BM_Export)
    ->ArgNames({"readings", "format"})
    ->ArgsProduct({{100000, 500000}, {0, 1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The data tool's other commands that read the whole user: their peak
// memory beside the size of the user's file (peak_per_file).
const char* const kCommands[] = {"check", "users", "report"};

void BM_Command(benchmark::State& state) {
    const int readings = static_cast<int>(state.range(0));
    const std::string& folder = folderOf(readings).root;
    const std::string command = kCommands[state.range(1)];
    std::vector<std::string> arguments{"--data-dir", folder, command};
    if (command == "report") arguments.insert(arguments.end(), {"--user", "0", "-o", folder + "report.html"});
    Run run;
    for (auto _ : state) run = runTool(arguments, command == "report" ? folder + "report.html" : "");
    // check says 1 when it finds something: the benchmark's user has no fault, so neither is expected.
    if (!run.ok) state.SkipWithError("the command failed");
    state.SetLabel(command);
    const double fileMB = static_cast<double>(std::ifstream(folder + "user0.hma", std::ios::binary | std::ios::ate).tellg()) / 1e6;
    state.counters["cpu_s"] = run.cpu;
    state.counters["peak_MB"] = run.peakMB;
    state.counters["file_MB"] = fileMB;
    state.counters["peak_per_file"] = run.peakMB * 1.048576 / fileMB;
    const Run& csv = csvOf(readings);
    state.counters["csv_peak_per_file"] = csv.peakMB * 1.048576 / fileMB;
}
BENCHMARK(BM_Command)
    ->ArgNames({"readings", "command"})
    ->ArgsProduct({{100000, 500000}, {0, 1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
