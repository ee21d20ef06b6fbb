// Speed of the chart on years of readings: building a 100,000-entry series
// from a user's document, one full draw of four such series (under a
// display, e.g. scripts/with-display.sh) at the designed text size and at
// 200 %, and the trend statistics.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "app/Trace.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/chart/TrendStats.h"
#include "store/XmlDocument.h"
#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/main/TextScale.h"

namespace {

const int kEntries = 100000;
const std::int64_t kFiveYears = 5LL * 365 * 86400;

// A variable with kEntries entries spread evenly over five years, as the
// program stores them: value with six decimals, year/month/day, 12-hour time.
std::string variableXml() {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(50, 150);
    std::ostringstream xml;
    xml << "<variable name=\"Pulse\"><normalLow>60</normalLow><normalHigh>100</normalHigh>";
    const std::int64_t start = 1609459200;  // 2021/01/01
    for (int i = 0; i < kEntries; ++i) {
        std::time_t t = static_cast<std::time_t>(start + kFiveYears * i / kEntries);
        std::tm tm{};
        localtime_r(&t, &tm);
        char entry[256];
        int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
        std::snprintf(entry, sizeof entry,
                      "<entry id=\"%d\"><value>%f</value><date>%d/%d/%d</date><time>%02d:%02d:%02d %s</time></entry>",
                      i, value(random), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, hour, tm.tm_min, tm.tm_sec,
                      tm.tm_hour < 12 ? "AM" : "PM");
        xml << entry;
    }
    xml << "</variable>";
    return xml.str();
}

struct Document {
    std::vector<char> text;
    XmlDocument doc;
    XmlNode* variable = nullptr;
    Document() {
        std::string xml = variableXml();
        text.assign(xml.begin(), xml.end());
        text.push_back('\0');
        doc->parse<rapidxml::parse_no_data_nodes>(text.data());
        variable = doc->first_node("variable");
    }
};

Document& document() {
    static Document d;
    return d;
}

PointMap seriesOf(int seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    std::uniform_real_distribution<double> value(50, 150);
    PointMap::Storage points;
    const std::int64_t start = 1609459200 + seed * 600;
    for (int i = 0; i < kEntries; ++i) points.push_back({PointTime{start + kFiveYears * i / kEntries}, value(random)});
    return PointMap::fromUnordered(std::move(points));
}

void BM_SeriesPoints(benchmark::State& state) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    Document& d = document();
    for (auto _ : state) {
        PointMap points = DisplayMenuRules::seriesPoints(d.variable, "value", Units::Preferences());
        benchmark::DoNotOptimize(points.size());
        if (points.size() != static_cast<std::size_t>(kEntries)) state.SkipWithError("entries lost");
    }
}
BENCHMARK(BM_SeriesPoints)->Unit(benchmark::kMillisecond);

void BM_TrendStats(benchmark::State& state) {
    PointMap points = seriesOf(1);
    for (auto _ : state) {
        TrendTexts t = computeStats(points);
        benchmark::DoNotOptimize(t.average.data());
    }
}
BENCHMARK(BM_TrendStats)->Unit(benchmark::kMillisecond);

// One full draw (chart, its labels and the trend panel) of four series of
// 100,000 points into an off-screen image, waiting for the display server
// to finish the drawing; at a text size of percent (the window, the chart's
// labels, markers and lines that much larger).
void drawFour(benchmark::State& state, SeriesPainter::Mode mode, bool changed, int percent = 100) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no display");
        return;
    }
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const int W = 1260, H = 984, K = (H - 251) / 2;
    Fl_Double_Window win(W, H);
    MyChart* chart = new MyChart(252, W - 256, 2 * K - 2);
    new TrendBox(252, 2 * K + 53, W - 256);
    Fl_Group::current()->end();
    chart->end();
    win.end();
    const char* names[4] = {"Pulse", "Systolic", "Diastolic", "SpO2"};
    for (int s = 0; s < 4; ++s) chart->addVariable(ChartVariable{names[s], seriesOf(s + 2), "", NormalRange{}});
    chart->paintMode = mode;
    TextScale::setPercent(percent);
    TextScale::rescale(win, 1.0, TextScale::factor());
    win.show();
    while (!win.shown()) Fl::wait(0.05);
    Fl::check();
    win.make_current();
    Fl_Offscreen off = fl_create_offscreen(win.w(), win.h());
    for (auto _ : state) {
        // After a change no copy of the last draw can be taken back.
        if (changed) chart->shownVariables.clear();
        // Drawn whole, as after a change: without damage of its own the
        // chart only draws its children again.
        chart->damage(FL_DAMAGE_ALL);
        fl_begin_offscreen(off);
        chart->draw();
        fl_end_offscreen();
        XSync(fl_display, False);
    }
    fl_delete_offscreen(off);
    win.hide();
    TextScale::setPercent(100);
}

void BM_DrawFourSeries(benchmark::State& state) { drawFour(state, SeriesPainter::defaultMode(), false); }
BENCHMARK(BM_DrawFourSeries)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DrawFourSeriesAfterChange(benchmark::State& state) {
    drawFour(state, SeriesPainter::defaultMode(), true);
}
BENCHMARK(BM_DrawFourSeriesAfterChange)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DrawFourSeriesAt200Percent(benchmark::State& state) {
    drawFour(state, SeriesPainter::defaultMode(), false, 200);
}
BENCHMARK(BM_DrawFourSeriesAt200Percent)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DrawFourSeriesAfterChangeAt200Percent(benchmark::State& state) {
    drawFour(state, SeriesPainter::defaultMode(), true, 200);
}
BENCHMARK(BM_DrawFourSeriesAfterChangeAt200Percent)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DrawFourSeriesOneCallPerShape(benchmark::State& state) {
    drawFour(state, SeriesPainter::Mode::OneCallPerShape, false);
}
BENCHMARK(BM_DrawFourSeriesOneCallPerShape)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
