// A chart with its trend panel in a plain window, as the main window lays
// them out, and helpers to draw it into an off-screen image.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "TestSupport.h"
#include "rules/chart/ChartMath.h"
#include "store/Global.h"
#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/main/MainWindow.h"

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb rgbOf(Fl_Color c) {
    uchar r, g, b;
    Fl::get_color(c, r, g, b);
    return {r, g, b};
}

// An image read back from the window system.
struct Picture {
    int w = 0, h = 0;
    std::vector<uchar> pixels;
    Rgb at(int x, int y) const {
        const uchar* p = &pixels[(static_cast<std::size_t>(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // Writes a binary PPM (for looking at a picture).
    void savePpm(const std::string& path) const {
        std::string data = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        data.append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
        writeFile(path, data);
    }
};

class ChartFixture : public ::testing::Test {
protected:
    static const int W = 1260, H = 984;
    std::unique_ptr<TestDataFolder> data;
    Fl_Double_Window* win = nullptr;
    MyChart* chart = nullptr;
    TrendBox* trends = nullptr;
    std::string savedTz;
    bool hadTz = false;

    void SetUp() override {
        const char* tz = std::getenv("TZ");
        hadTz = tz != nullptr;
        savedTz = tz ? tz : "";
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        data.reset(new TestDataFolder());
        Global::init();
        const int K = (H - 251) / 2;
        win = new Fl_Double_Window(W, H, "chart");
        chart = new MyChart(252, W - 256, 2 * K - 2);
        // The chart leaves its drawing area open: the panel lands inside it.
        trends = new TrendBox(252, 2 * K + 53, W - 256);
        Fl_Group::current()->end();
        chart->end();
        win->end();
    }

    void TearDown() override {
        delete win;
        data.reset();
        if (hadTz)
            setenv("TZ", savedTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    void showWindow() {
        win->show();
        while (!win->shown()) Fl::wait(0.05);
        Fl::check();
        win->make_current();
    }

    // Draws the chart (and so the trend panel) into an off-screen image of
    // the window's size and reads it back.
    Picture render() {
        if (!win->shown()) showWindow();
        win->make_current();
        Fl_Offscreen off = fl_create_offscreen(W, H);
        fl_begin_offscreen(off);
        fl_color(FL_GRAY);
        fl_rectf(0, 0, W, H);
        // Drawn whole, as the toolkit draws a widget it draws whole.
        chart->clear_damage(FL_DAMAGE_ALL);
        chart->draw();
        chart->clear_damage();
        Picture p;
        p.w = W;
        p.h = H;
        p.pixels.resize(static_cast<std::size_t>(W) * H * 3);
        fl_read_image(p.pixels.data(), 0, 0, W, H);
        fl_end_offscreen();
        fl_delete_offscreen(off);
        return p;
    }

    // Whether the batched drawing gives the very pixels of one call per shape.
    bool batchedMatchesPlain() {
        chart->paintMode = SeriesPainter::Mode::OneCallPerShape;
        Picture one = render();
        chart->paintMode = SeriesPainter::Mode::Batched;
        Picture batched = render();
        return one.pixels == batched.pixels;
    }

    static std::tm tmOf(std::int64_t t) { return TimeKey::fromInstant(t).tm; }

    static ChartVariable series(const std::string& name, const std::vector<std::pair<std::int64_t, double>>& pts,
                                XmlNode* node = nullptr) {
        ChartVariable v;
        v.name = name;
        if (node) {
            v.variable = Global::attributeText(node, "name");
            v.range = ChartMath::normalRange(node, name, kFileUnits);
        }
        for (const auto& p : pts) v.points[TimeKey::fromInstant(p.first)] = p.second;
        return v;
    }

    // Where the last draw put a point of series index (its own scale).
    struct Placement {
        double xmin, xmax, S;
        ChartMath::YScales scales;
    };
    Placement placement() {
        ChartMath::TimeWindow w = ChartMath::timeWindow(chart->variables, chart->timeRange, std::time(nullptr));
        ChartMath::TimeAxis a = ChartMath::timeAxis(w.tMin, w.tMax);
        std::vector<std::pair<double, double>> ranges;
        for (std::size_t i = 0; i < w.begin.size(); ++i) {
            double mn, mx;
            ChartMath::valueRange(w.begin[i], w.end[i], mn, mx);
            ranges.emplace_back(mn, mx);
        }
        Placement p{a.xmin, a.xmax, a.S,
                    chart->display == ChartMath::Display::NormalRange ? ChartMath::normalRangeScales(ranges) : ChartMath::ordinaryScales(ranges)};
        return p;
    }
    int px(const Placement& p, std::int64_t t) {
        return ChartMath::xPixel(t, p.xmin, p.xmax, p.S, chart->plot.left, chart->plot.right);
    }
    int py(const Placement& p, std::size_t i, double v) {
        const ChartMath::YScale& s = p.scales.series[i];
        return ChartMath::yPixel(v, s.step, s.lo, s.hi, chart->plot.top, chart->plot.bottom);
    }
};
