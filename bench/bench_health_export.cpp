// The import of a phone's health export of 1 GB (QUORVEL_BENCH_HEALTH_MB
// sets another size): the export is made first, as years of a watch's heart
// rates, steps and energy with a cuff's, a scale's and a meter's readings
// among them, then read into an empty user with the default sources (the
// watch's samples left out). Reports the speed (bytes_per_second) and the
// process's peak memory (peak_MB).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <sys/resource.h>

#include "HealthExportWriter.h"
#include "TestSupport.h"
#include "cli/Commands.h"

namespace {

const std::string kType = "HKQuantityTypeIdentifier";

std::string stamp(int day, int minute) {
    std::tm t{};
    t.tm_year = 115;  // 2015
    t.tm_mday = 1 + day;
    t.tm_min = minute;
    std::time_t at = timegm(&t);
    gmtime_r(&at, &t);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S -0500", &t);
    return text;
}

// Writes days of records until the file holds about `bytes`.
void makeExport(const std::string& path, std::uint64_t bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) std::abort();
    HealthExportWriter w(out);
    const std::string watch = "Ann\xe2\x80\x99s Apple Watch";
    for (int day = 0; static_cast<std::uint64_t>(std::ftell(out)) < bytes; ++day) {
        for (int m = 0; m < 24 * 60; m += 5) {
            w.record(kType + "HeartRate", watch, "count/min", stamp(day, m), std::to_string(55 + m % 40));
            w.record(kType + "ActiveEnergyBurned", watch, "Cal", stamp(day, m), "0.917");
            if (m % 15 == 0) w.record(kType + "StepCount", "Ann\xe2\x80\x99s iPhone", "count", stamp(day, m), "41");
            if (m % 60 == 0) w.record(kType + "OxygenSaturation", watch, "%", stamp(day, m), "0.97");
        }
        w.bloodPressure("Omron Connect", stamp(day, 7 * 60), std::to_string(110 + day % 30), "78");
        w.bloodPressure("Omron Connect", stamp(day, 21 * 60), std::to_string(115 + day % 25), "80");
        w.record(kType + "BodyMass", "Withings", "kg", stamp(day, 6 * 60 + 50), "71.4");
        w.record(kType + "BloodGlucose", "Contour", "mg/dL", stamp(day, 6 * 60 + 40), "102");
        w.record(kType + "BloodGlucose", "Contour", "mmol<180.1558800000541>/L", stamp(day, 13 * 60), "7.4",
                 "  <MetadataEntry key=\"HKBloodGlucoseMealTime\" value=\"2\"/>\n");
        if (day % 7 == 0) w.record(kType + "BodyTemperature", "Thermo", "degC", stamp(day, 8 * 60), "36.8");
    }
    w.finish();
    std::fclose(out);
}

struct Discard : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void BM_ImportHealthExport(benchmark::State& state) {
    const char* mb = std::getenv("QUORVEL_BENCH_HEALTH_MB");
    const std::uint64_t bytes = (mb ? std::strtoull(mb, nullptr, 10) : 1024) << 20;
    TestDataFolder data;
    data.write("config.hma", "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t"
                             "<last>Lee</last>\n\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n");
    const std::string empty = readFile(data.path("template_new.xml"));
    const std::string file = data.root + "/export.xml";
    makeExport(file, bytes);
    std::FILE* in = std::fopen(file.c_str(), "rb");
    std::fseek(in, 0, SEEK_END);
    const long fileBytes = std::ftell(in);
    std::fclose(in);

    cli::ImportOptions o;
    o.user = "0";
    o.format = "apple-health";
    o.file = file;
    Discard sink;
    std::streambuf* old = std::cout.rdbuf(&sink);
    for (auto _ : state) {
        state.PauseTiming();
        data.write("user0.hma", empty);
        state.ResumeTiming();
        if (cli::runImport(o) != cli::kOk) state.SkipWithError("import failed");
    }
    std::cout.rdbuf(old);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileBytes);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["file_MB"] = static_cast<double>(fileBytes) / (1 << 20);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_ImportHealthExport)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
