// The backup and the restore of a data folder whose largest user file is
// 116 MB (QUORVEL_BENCH_BACKUP_MB sets another size), beside the zip
// program packing the same folder, the floor a backup is measured against;
// and the refusal of a 2 GB file that is not a zip. Each runs in a child
// process of its own, so that its peak memory (peak_MB, and over the
// largest file, peak_over_file) is its own whatever ran before.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "exchange/FolderBackup.h"
#include "exchange/FolderRestore.h"
#include "exchange/OutputFile.h"
#include "store/FolderStore.h"

namespace {

struct Setup {
    std::string root;
    std::string folder;
    std::string archive;
    double largest = 0;
};

std::string personFile(int id, const std::string& first, std::size_t bytes) {
    std::string out = "<patient id=\"" + std::to_string(id) + "\">\n\t<info>\n\t\t<name>\n\t\t\t<first>" + first +
                      "</first>\n\t\t\t<last>Bench</last>\n\t\t</name>\n\t</info>\n\t<variable name=\"Pulse\">\n";
    out.reserve(bytes + 256);
    char entry[256];
    for (int i = 0; out.size() < bytes; ++i) {
        std::snprintf(entry, sizeof entry,
                      "\t\t<entry id=\"%d\">\n\t\t\t<value>%d.000000</value>\n\t\t\t<date>%d/%02d/%02d</date>\n"
                      "\t\t\t<time>08:%02d:00 AM</time>\n\t\t</entry>\n",
                      i, 55 + i % 45, 1950 + i / 336, i / 28 % 12 + 1, i % 28 + 1, i % 60);
        out += entry;
    }
    return out + "\t</variable>\n</patient>\n";
}

const Setup& setup() {
    static Setup s = [] {
        Setup made;
        const char* mb = std::getenv("QUORVEL_BENCH_BACKUP_MB");
        const std::size_t size = static_cast<std::size_t>(mb ? std::atof(mb) : 116.0) * 1024 * 1024;
        char pattern[] = "/tmp/quorvel-bench-backup.XXXXXX";
        made.root = mkdtemp(pattern);
        made.folder = made.root + "/folder/";
        made.archive = made.root + "/backup.zip";
        mkdir(made.folder.c_str(), 0700);
        std::string config = "<config>\n";
        const char* names[] = {"Ann", "Bob", "Cy"};
        for (int id = 0; id < 3; ++id) {
            const std::string file = "user" + std::to_string(id) + ".hma";
            config += "\t<patient id=\"" + std::to_string(id) + "\">\n\t\t<name>\n\t\t\t<first>" + names[id] +
                      "</first>\n\t\t\t<last>Bench</last>\n\t\t</name>\n\t\t<file>" + file + "</file>\n\t</patient>\n";
            writeFile(made.folder + file, personFile(id, names[id], id == 0 ? size : size / 20));
        }
        writeFile(made.folder + "config.hma", config + "</config>\n");
        writeFile(made.folder + "template_new.xml", readFile(std::string(QUORVEL_SOURCE_DIR) + "/data/template_new.xml"));
        writeFile(made.folder + "readme.txt", readFile(std::string(QUORVEL_SOURCE_DIR) + "/data/readme.txt"));
        made.largest = static_cast<double>(size);
        return made;
    }();
    return s;
}

// Runs work in a child process; its peak memory in MB (-1 when it failed).
double inChild(const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0) _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void report(benchmark::State& state, double peak) {
    if (peak < 0) state.SkipWithError("the work failed");
    state.counters["peak_MB"] = peak;
    state.counters["peak_over_file"] = peak * 1024 * 1024 / setup().largest;
}

bool backUp() {
    std::ostringstream told;
    Diagnostics tell(told, "");
    std::string archive, error;
    BackupContents contents;
    std::tm today{};
    OutputFile out;
    return FolderBackup::make(setup().folder, today, archive, contents, tell) == exchange::kOk &&
           out.open(setup().archive, error) == exchange::kOk && out.write(archive, error);
}

void BM_Backup(benchmark::State& state) {
    double peak = 0;
    for (auto _ : state) peak = inChild(backUp);
    report(state, peak);
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The zip program on the same folder, at its default level.
void BM_BackupFloorZip(benchmark::State& state) {
    const std::string out = setup().root + "/by-zip.zip";
    double peak = 0;
    for (auto _ : state) {
        std::remove(out.c_str());
        peak = inChild([&out] {
            return std::system(("cd '" + setup().folder + "' && zip -q -r '" + out + "' .").c_str()) == 0;
        });
    }
    report(state, peak);
}
BENCHMARK(BM_BackupFloorZip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Restore(benchmark::State& state) {
    if (!backUp()) state.SkipWithError("no backup");
    double peak = 0;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string target = setup().root + "/target-" + std::to_string(++run) + "/";
        mkdir(target.c_str(), 0700);
        writeFile(target + "config.hma", "<config>\n</config>\n");
        state.ResumeTiming();
        peak = inChild([&target] {
            std::ostringstream told;
            Diagnostics tell(told, "");
            RestorePlan plan;
            std::string kept;
            std::tm now{};
            return FolderStore::lock(target) && FolderBackup::stage(setup().archive, target, plan, tell) == exchange::kOk &&
                   FolderRestore::commit(plan, now, kept, tell) == exchange::kOk;
        });
    }
    report(state, peak);
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A 2 GB file that is not a zip: refused by its first bytes.
void BM_RefuseNotAZip(benchmark::State& state) {
    const std::string big = setup().root + "/not-a-backup.zip";
    if (truncate(big.c_str(), 0) != 0) writeFile(big, "");
    if (truncate(big.c_str(), off_t(2) << 30) != 0) state.SkipWithError("no 2 GB file");
    double peak = 0;
    for (auto _ : state)
        peak = inChild([&big] {
            std::ostringstream told;
            Diagnostics tell(told, "");
            RestorePlan plan;
            return FolderBackup::stage(big, setup().root + "/", plan, tell) == exchange::kProblem &&
                   told.str().find("not a .zip file") != std::string::npos;
        });
    report(state, peak);
}
BENCHMARK(BM_RefuseNotAZip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    setup();
    benchmark::RunSpecifiedBenchmarks();
    removeTree(setup().root);
    return 0;
}
