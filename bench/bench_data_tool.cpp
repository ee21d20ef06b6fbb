// quorvel-data's speed: the export of the 100,000-entry user beside loading
// the same file alone; the import of 100,000 CSV rows into an empty user;
// the check of a folder of 2,000 users with 50 entries each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "TestSupport.h"
#include "app/Trace.h"
#include "cli/Commands.h"
#include "store/Global.h"
#include "store/XmlFile.h"

namespace {

std::string record(int id) {
    const std::string n = std::to_string(id);
    return "\t<patient id=\"" + n + "\">\n\t\t<name>\n\t\t\t<first>First" + n + "</first>\n\t\t\t<last>Last" + n +
           "</last>\n\t\t</name>\n\t\t<file>user" + n + ".hma</file>\n\t</patient>\n";
}

// A data folder of its own under /tmp, removed at the end.
struct Folder {
    std::string root, path;
    explicit Folder(int users, int entries) {
        char templ[] = "/tmp/quorvel-bench-data.XXXXXX";
        if (!mkdtemp(templ)) std::abort();
        root = templ;
        path = root + "/";
        Trace::setLogPath(path + "bench_debuglog.txt");
        Trace::setThreshold(0);
        std::string config = "<config>\n";
        const std::string one = bench::pulseUserFile(entries);
        for (int i = 0; i < users; ++i) {
            config += record(i);
            std::string file = one;
            file.replace(file.find("id=\"0\""), 6, "id=\"" + std::to_string(i) + "\"");
            writeFile(path + "user" + std::to_string(i) + ".hma", file);
        }
        writeFile(path + "config.hma", config + "</config>\n");
        writeFile(path + "template_new.xml", bench::pulseUserFile(0));
    }
    ~Folder() { removeTree(root); }
};

// Results of the commands are not what is measured: standard output is
// discarded while one lives.
struct Discard : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};
struct Quiet {
    Discard sink;
    std::streambuf* old = std::cout.rdbuf(&sink);
    ~Quiet() { std::cout.rdbuf(old); }
};

// Loading the user's file as the commands do, into storage of its own that
// is given back afterwards, as each command's is.
void BM_LoadUserAlone(benchmark::State& state) {
    Folder folder(1, 100000);
    for (auto _ : state) {
        XmlDocument doc;
        std::vector<char> text;
        if (!XmlFile::load(folder.path + "user0.hma", text, doc)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc->first_node());
    }
}
BENCHMARK(BM_LoadUserAlone)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_ExportUserCsv(benchmark::State& state) {
    Folder folder(1, 100000);
    cli::ExportOptions o;
    o.dataDir = folder.path;
    o.users = {"0"};
    if (state.range(0)) o.output = folder.path + "out.csv";
    Quiet quiet;
    for (auto _ : state)
        if (cli::runExport(o) != cli::kOk) state.SkipWithError("export failed");
}
// To standard output (kept in memory), and to a file (written, flushed to disk, renamed).
BENCHMARK(BM_ExportUserCsv)->Arg(0)->Arg(1)->ArgName("to_file")->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_Import100000Rows(benchmark::State& state) {
    Folder folder(1, 0);
    std::string csv = "datetime,value\n";
    char line[64];
    for (int i = 0; i < 100000; ++i) {
        // One reading every ten minutes from 2020 on.
        std::tm t = localTm(2020, 1, 1, 0, 0, 0);
        t.tm_min += i * 10;
        std::mktime(&t);
        std::snprintf(line, sizeof line, "%04d-%02d-%02dT%02d:%02d:00,%d\n", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                      t.tm_hour, t.tm_min, 50 + i % 60);
        csv += line;
    }
    writeFile(folder.path + "in.csv", csv);
    const std::string empty = readFile(folder.path + "user0.hma");
    cli::ImportOptions o;
    o.dataDir = folder.path;
    o.user = "0";
    o.variable = "Pulse";
    o.file = folder.path + "in.csv";
    Quiet quiet;
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(folder.path + "user0.hma", empty);
        state.ResumeTiming();
        if (cli::runImport(o) != cli::kOk) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_Import100000Rows)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_Check2000UsersOf50(benchmark::State& state) {
    Folder folder(2000, 50);
    cli::CheckOptions o;
    o.dataDir = folder.path;
    Quiet quiet;
    // The shared history is not in time order, so every file has findings to list.
    for (auto _ : state) benchmark::DoNotOptimize(cli::runCheck(o));
}
BENCHMARK(BM_Check2000UsersOf50)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
