// The exports of quorvel-data at phone scale, each beside its floor: CSV,
// JSON and FHIR of a user with 100,000 Pulse and 100,000 Blood Pressure
// readings (about 27 MB) and of one with 500,000 of each, written to a file.
// Each export runs as its own quorvel-data process, three times; a row
// reports the least CPU time (cpu_s, user and system), the peak memory
// (peak_MB) and the size of what it wrote (out_MB). The JSON and FHIR rows also give
// the CSV export's figures of the same user (the floor) and their ratios to
// them (cpu_per_csv, peak_per_csv). Times are those of Europe/Berlin.
// The imports' rows read 100,000 heart rates into an empty user: a FHIR
// Bundle as another system writes it (compact, about 41 MB) and a phone's
// export.xml; and 137 KB of nested tags as a phone's export, refused at
// its depth. Each gives its peak memory beside the file (peak_per_file).
// QUORVEL_BENCH_TOOL names another quorvel-data to measure (another build's).
//   bench_exports --benchmark_filter=readings:100000/
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "HealthExportWriter.h"
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

// The time of reading i of the imports' files: 16 a day, on the hour from
// 06:00 to 21:00 (in UTC; later in Berlin), from 2000/01/01, so that no two
// fall on one local time when the clocks go back.
std::tm readingTime(int i) {
    const std::time_t at = 946684800 + static_cast<std::time_t>(i / 16) * 86400 + (6 + i % 16) * 3600;
    std::tm t{};
    gmtime_r(&at, &t);
    return t;
}

const char* const kImports[] = {"fhir", "apple-health", "nested-tags"};
constexpr int kImportedReadings = 100000;

// The files the imports read, made once: index as kImports.
const std::string& importFile(int which) {
    static std::string files[3];
    static Folder source(0);
    std::string& file = files[which];
    if (!file.empty()) return file;
    if (which == 0) {
        // As another system writes it: compact, each Observation with its
        // code, subject, time and value only.
        file = source.root + "bundle.json";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        std::fputs("{\"resourceType\":\"Bundle\",\"type\":\"collection\",\"entry\":[{\"fullUrl\":\"urn:uuid:"
                   "0e8f4b1a-3f1c-4d57-9a5e-2b6f1c9d7e01\",\"resource\":{\"resourceType\":\"Patient\",\"id\":\"p1\","
                   "\"name\":[{\"family\":\"Lee\",\"given\":[\"Ann\"]}]}}",
                   out);
        char when[40];
        for (int i = 0; i < kImportedReadings; ++i) {
            const std::tm t = readingTime(i);
            std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S+00:00", &t);
            std::fprintf(out,
                         ",{\"fullUrl\":\"urn:uuid:5b1d2c3e-%04x-4a6b-8c7d-%012x\",\"resource\":{\"resourceType\":"
                         "\"Observation\",\"id\":\"hr-%d\",\"status\":\"final\","
                         "\"code\":{\"coding\":[{\"system\":\"http://loinc.org\",\"code\":\"8867-4\"}]},\"subject\":{\"reference\":\"urn:uuid:0e8f4b1a-3f1c-4d57-9a5e-2b6f1c9d7e01\"},"
                         "\"effectiveDateTime\":\"%s\",\"valueQuantity\":{\"value\":%d,\"unit\":\"beats/minute\",\"system\":\"http://unitsofmeasure.org\",\"code\":\"/min\"}}}",
                         i >> 16 & 0xffff, i, i, when, 50 + i % 60);
        }
        std::fputs("]}\n", out);
        std::fclose(out);
    } else if (which == 1) {
        file = source.root + "export.xml";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        HealthExportWriter w(out);
        char start[40];
        for (int i = 0; i < kImportedReadings; ++i) {
            const std::tm t = readingTime(i);
            std::strftime(start, sizeof start, "%Y-%m-%d %H:%M:%S +0000", &t);
            w.record("HKQuantityTypeIdentifierHeartRate", "Omron Connect", "count/min", start,
                     std::to_string(50 + i % 60));
        }
        w.finish();
        std::fclose(out);
    } else {
        file = source.root + "nested.xml";
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<HealthData>";
        while (text.size() < 137 * 1024) text += "<a>";
        writeFile(file, text);
    }
    return file;
}

void BM_Import(benchmark::State& state) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const int which = static_cast<int>(state.range(0));
    const std::string& file = importFile(which);
    Folder target(0);
    const std::string empty = readFile(std::string(QUORVEL_SOURCE_DIR) + "/data/template_new.xml");
    Run run;
    for (auto _ : state) {
        writeFile(target.root + "user0.hma", empty);
        run = runTool({"--data-dir", target.root, "import", "--user", "0", "--format",
                       which == 0 ? "fhir" : "apple-health", file},
                      "");
    }
    // The nested tags are refused (status 1), the others read.
    if (run.ok == (which == 2)) state.SkipWithError("the import did not end as it should");
    const double fileMB = static_cast<double>(std::ifstream(file, std::ios::binary | std::ios::ate).tellg()) / 1e6;
    state.SetLabel(kImports[which]);
    state.counters["cpu_s"] = run.cpu;
    state.counters["peak_MB"] = run.peakMB;
    state.counters["file_MB"] = fileMB;
    state.counters["peak_per_file"] = run.peakMB * 1.048576 / fileMB;
}
BENCHMARK(BM_Import)->ArgNames({"file"})->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
