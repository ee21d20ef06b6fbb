// Load and save of a large user file (100,000 entries, about 14 MB) by the
// store, beside the bare work they stand on: reading the bytes plus a bare
// parse, and printing plus writing plus fsync of the same bytes. Also the
// peak memory of a load relative to the file size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_print.hpp>

#include "app/Trace.h"
#include "store/Global.h"
#include "store/XmlFile.h"

// Every allocation of the program is counted, so the peak of a load is known
// to the byte.
namespace {
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void* counted(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const long long now = liveBytes += static_cast<long long>(malloc_usable_size(p));
    long long peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}
void uncounted(void* p) noexcept {
    if (!p) return;
    liveBytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }

namespace {

const int kEntries = 100000;

struct Fixture {
    std::string folder;  // ends with '/'
    std::string fileName = "user0.hma";
    std::string path;
    std::size_t fileSize = 0;

    Fixture() {
        char templ[] = "/tmp/quorvel-bench.XXXXXX";
        if (!mkdtemp(templ)) std::abort();
        folder = std::string(templ) + "/";
        path = folder + fileName;
        Trace::setLogPath(folder + "bench_debuglog.txt");
        Trace::setThreshold(0);  // the store's own work, not the log, is measured
        Global::dataFolder = folder;
        Global::init();
        write(generate());
    }
    ~Fixture() {
        std::remove(path.c_str());
        std::remove((folder + "bench_debuglog.txt").c_str());
        rmdir(folder.c_str());
    }

    // A user file as the program writes it: five variables sharing the
    // entries, one and two values per entry.
    static std::string generate() {
        std::string s = "<patient id=\"0\">\n\t<info>\n\t\t<name>\n\t\t\t<first>Bench</first>\n\t\t\t<last>Mark</last>\n"
                        "\t\t</name>\n\t\t<dob>1950/3/7</dob>\n\t\t<gender>Female</gender>\n\t\t<weight>150</weight>\n"
                        "\t\t<height>5 ft 7.5 in</height>\n\t\t<stepSize>30</stepSize>\n\t\t<race/>\n\t</info>\n";
        const char* names[] = {"Pulse", "Blood Pressure", "Blood Sugar", "SpO2", "Temperature"};
        const int perVariable = kEntries / 5;
        char line[512];
        for (int v = 0; v < 5; ++v) {
            s += std::string("\t<variable name=\"") + names[v] + "\">\n";
            for (const char* range : {"normalLow", "normalHigh", "panicLow", "panicHigh"})
                s += std::string("\t\t<") + range + ">60</" + range + ">\n";
            for (int i = 0; i < perVariable; ++i) {
                const int day = 1 + i % 28, month = 1 + (i / 28) % 12, year = 1990 + i / 336;
                const int hour = 1 + i % 12, minute = i % 60;
                std::snprintf(line, sizeof line, "\t\t<entry id=\"%d\">\n", i);
                s += line;
                if (v == 1)
                    std::snprintf(line, sizeof line,
                                  "\t\t\t<systolic>%d.000000</systolic>\n\t\t\t<diastolic>%d.000000</diastolic>\n",
                                  100 + i % 50, 60 + i % 30);
                else if (v == 2)
                    std::snprintf(line, sizeof line,
                                  "\t\t\t<fasting>%d.000000</fasting>\n\t\t\t<postprandial>%d.000000</postprandial>\n",
                                  80 + i % 50, 120 + i % 60);
                else
                    std::snprintf(line, sizeof line, "\t\t\t<value>%d.%06d</value>\n", 60 + i % 40, (i * 37) % 1000000);
                s += line;
                std::snprintf(line, sizeof line,
                              "\t\t\t<date>%d/%d/%d</date>\n\t\t\t<time>%d:%02d:00 %s</time>\n\t\t</entry>\n", year,
                              month, day, hour, minute, i % 2 ? "PM" : "AM");
                s += line;
            }
            s += "\t</variable>\n";
        }
        return s + "</patient>\n";
    }

    void write(const std::string& text) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
        std::fclose(f);
        fileSize = text.size();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_LoadFile(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        if (!Global::loadFile(Global::userDoc, f.fileName.c_str(), Global::userText)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(Global::userDoc->first_node());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.fileSize));
    state.counters["file_MB"] = static_cast<double>(f.fileSize) / 1e6;
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What a load cannot do without: the bytes read in one go and a bare parse
// into a fresh document.
void BM_ReadAndBareParse(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        std::vector<char> text(f.fileSize + 1);
        std::FILE* file = std::fopen(f.path.c_str(), "rb");
        if (!file || std::fread(text.data(), 1, f.fileSize, file) != f.fileSize) state.SkipWithError("read failed");
        if (file) std::fclose(file);
        text[f.fileSize] = '\0';
        auto* doc = new rapidxml::xml_document<char>();
        doc->parse<XmlFile::kParseFlags>(text.data());
        benchmark::DoNotOptimize(doc->first_node());
        delete doc;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.fileSize));
}
BENCHMARK(BM_ReadAndBareParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveFile(benchmark::State& state) {
    Fixture& f = fixture();
    if (!Global::loadFile(Global::userDoc, f.fileName.c_str(), Global::userText)) state.SkipWithError("load failed");
    for (auto _ : state) {
        if (!Global::saveFile(f.fileName.c_str(), Global::userDoc)) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.fileSize));
}
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// What a save cannot do without: printing the document, writing the bytes
// over the file and flushing them to disk.
void BM_PrintWriteFsync(benchmark::State& state) {
    Fixture& f = fixture();
    if (!Global::loadFile(Global::userDoc, f.fileName.c_str(), Global::userText)) state.SkipWithError("load failed");
    for (auto _ : state) {
        std::string out;
        rapidxml::print(std::back_inserter(out), Global::userDoc.get(), 0);
        const int fd = ::open(f.path.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0600);
        if (fd < 0 || ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()) || ::fsync(fd) != 0)
            state.SkipWithError("write failed");
        if (fd >= 0) ::close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.fileSize));
}
BENCHMARK(BM_PrintWriteFsync)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Peak bytes held during one load, over the file size: from an empty store,
// and when a document of the same size is already open (the old one stays
// until the new one has parsed, and counts).
void BM_LoadPeakMemory(benchmark::State& state) {
    Fixture& f = fixture();
    const bool replacing = state.range(0) != 0;
    double ratio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Global::userDoc.reset();
        std::vector<char>().swap(Global::userText);
        const long long before = liveBytes.load();
        if (replacing && !Global::loadFile(Global::userDoc, f.fileName.c_str(), Global::userText))
            state.SkipWithError("load failed");
        peakBytes = liveBytes.load();
        state.ResumeTiming();
        if (!Global::loadFile(Global::userDoc, f.fileName.c_str(), Global::userText)) state.SkipWithError("load failed");
        ratio = static_cast<double>(peakBytes.load() - before) / static_cast<double>(f.fileSize);
    }
    state.counters["peak_over_file"] = ratio;
    state.counters["file_MB"] = static_cast<double>(f.fileSize) / 1e6;
}
BENCHMARK(BM_LoadPeakMemory)->Arg(0)->Arg(1)->ArgName("replacing")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
