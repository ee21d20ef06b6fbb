// The doctor's report of a user with 100,000 readings: made from the data
// folder (load, statistics, chart, page, safe write) in under a second and
// under 2 MB. Two shapes: all 100,000 readings inside the report's period
// (one every 78 seconds over 90 days, the worst case for the chart and the
// readings table), and the default 90 days of a history of 100,000 readings
// taken every half hour for almost six years.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "cli/ReportCommand.h"
#include "platform/Platform.h"

namespace {

const int kEntries = 100000;

// A Pulse variable with kEntries readings from 2020/01/01 (or 2026/01/01)
// on, `step` seconds apart; mostly inside 60-100, with readings below, above
// and beyond the panic limits now and then.
std::string pulseHistory(int year, int step) {
    std::string xml = "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
                      "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n";
    xml.reserve(static_cast<std::size_t>(kEntries) * 130);
    char line[256];
    std::tm start = localTm(year, 1, 1, 0, 0, 0);
    std::int64_t t0 = 0;
    platform::localToInstant(start, t0);
    for (int i = 0; i < kEntries; ++i) {
        std::tm tm{};
        platform::instantToLocal(t0 + static_cast<std::int64_t>(i) * step, tm);
        int value = 62 + (i * 37) % 36;
        if (i % 211 == 0) value = 55;
        if (i % 503 == 0) value = 112;
        if (i % 997 == 0) value = 140;
        const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
        std::snprintf(line, sizeof line,
                      "\t\t<entry id=\"%d\">\n\t\t\t<value>%d.000000</value>\n\t\t\t<date>%04d/%02d/%02d</date>\n"
                      "\t\t\t<time>%02d:%02d:%02d %s</time>\n\t\t</entry>\n",
                      i, value, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, hour12, tm.tm_min, tm.tm_sec,
                      tm.tm_hour < 12 ? "AM" : "PM");
        xml += line;
    }
    return xml + "\t</variable>\n";
}

void runReportBenchmark(benchmark::State& state, int year, int step, const char* from, const char* to) {
    TestDataFolder data;
    data.write("config.hma",
               "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
               "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n");
    data.write("user0.hma", userFileXml(0, "Ann", "Lee", pulseHistory(year, step)));
    cli::ReportOptions options;
    options.dataDir = data.folder;
    options.user = "0";
    options.from = from;
    options.to = to;
    options.output = data.root + "/report.html";
    std::ostringstream out, err;
    for (auto _ : state) {
        if (cli::runReport(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    }
    const std::string page = readFile(options.output);
    state.counters["report_bytes"] = static_cast<double>(page.size());
    state.counters["user_file_bytes"] = static_cast<double>(readFile(data.path("user0.hma")).size());
}

void BM_ReportOfAHundredThousandReadingsInThePeriod(benchmark::State& state) {
    runReportBenchmark(state, 2026, 78, "2026-01-01", "2026-04-01");
}
BENCHMARK(BM_ReportOfAHundredThousandReadingsInThePeriod)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReportOfTheDefault90DaysOfALongHistory(benchmark::State& state) {
    runReportBenchmark(state, 2020, 1800, "", "2025-09-15");
}
BENCHMARK(BM_ReportOfTheDefault90DaysOfALongHistory)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
