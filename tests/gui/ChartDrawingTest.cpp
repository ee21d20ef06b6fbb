// The chart's picture, read back from an off-screen drawing: colours of the
// plot, the series and the shading, and batched drawing giving the very
// same pixels as one call per shape.
#include "ChartFixture.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

std::vector<char> buffer;
XmlDocument rangeDoc;

// A variable element with a normal range, parsed into a document that
// lives for the test.
XmlNode* variableWithRange(const std::string& name, const std::string& low, const std::string& high) {
    std::string xml = "<variable name=\"" + name + "\"><normalLow>" + low + "</normalLow><normalHigh>" + high +
                      "</normalHigh><panicLow/><panicHigh/></variable>";
    buffer.assign(xml.begin(), xml.end());
    buffer.push_back('\0');
    rangeDoc.reset();
    rangeDoc->parse<rapidxml::parse_no_data_nodes>(buffer.data());
    return rangeDoc->first_node("variable");
}

int countColour(const Picture& p, int x0, int y0, int x1, int y1, const Rgb& c) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (p.at(x, y) == c) ++n;
    return n;
}

}  // namespace

TEST_F(ChartFixture, EmptyChartShowsFrameAndWhitePlotOnly) {
    Picture p = render();
    const Rgb white{255, 255, 255};
    // Above the hint in the middle.
    EXPECT_EQ(p.at((chart->plot.left + chart->plot.right) / 2, (chart->plot.top + chart->plot.bottom) / 2 - 40),
              white);
    EXPECT_EQ(p.at(chart->plot.left + 1, chart->plot.bottom - 1), white);
    // No axis is drawn.
    EXPECT_EQ(countColour(p, chart->plot.left, chart->plot.top, chart->plot.right, chart->plot.bottom, rgbOf(FL_BLACK)),
              0);
    // The background around the plot is the panel colour.
    EXPECT_EQ(p.at(chart->plot.left - 5, chart->plot.bottom + 40), rgbOf(panelColor));
    EXPECT_TRUE(trends->trends.empty());
}

TEST_F(ChartFixture, SeriesColoursMarkersAndAxes) {
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 60}, {instantOf(2026, 3, 5), 80},
                                        {instantOf(2026, 3, 9), 70}}));
    chart->addVariable(series("SpO2", {{instantOf(2026, 3, 2), 95}, {instantOf(2026, 3, 8), 99}}));
    chart->refresh();
    Picture p = render();
    Placement pl = placement();
    const Rgb white{255, 255, 255};
    // A marker is a filled circle in the series colour around the point.
    int x = px(pl, instantOf(2026, 3, 5)), y = py(pl, 0, 80);
    EXPECT_EQ(p.at(x, y), rgbOf(FL_RED));
    EXPECT_EQ(p.at(x + 2, y + 2), rgbOf(FL_RED));
    EXPECT_EQ(p.at(x - 3, y - 3), rgbOf(FL_RED));
    int bx = px(pl, instantOf(2026, 3, 8)), by = py(pl, 1, 99);
    EXPECT_EQ(p.at(bx, by), rgbOf(FL_BLUE));
    EXPECT_EQ(p.at(bx - 2, by + 1), rgbOf(FL_BLUE));
    // The line between two points passes through their middle.
    int x1 = px(pl, instantOf(2026, 3, 1)), y1 = py(pl, 0, 60);
    int mx = (x1 + x) / 2, my = (y1 + y) / 2;
    int red = countColour(p, mx - 1, my - 1, mx + 2, my + 2, rgbOf(FL_RED));
    EXPECT_GE(red, 1);
    // Far from the lines the plot is white.
    EXPECT_EQ(p.at(chart->plot.left + 3, chart->plot.top + 3), white);
    // Axes in black along the left and bottom edges.
    EXPECT_EQ(p.at(chart->plot.left, (chart->plot.top + chart->plot.bottom) / 2 + 1), rgbOf(FL_BLACK));
    EXPECT_EQ(p.at((chart->plot.left + chart->plot.right) / 2 + 1, chart->plot.bottom), rgbOf(FL_BLACK));
    // Legend: each entry's line and marker in its series colour.
    const int legY = (3 * (chart->y() + chart->h()) + 2 * chart->plot.bottom) / 5;
    EXPECT_EQ(p.at(chart->x() + 20 + 2, legY), rgbOf(FL_RED));
    EXPECT_EQ(p.at(chart->x() + 20 + 24, legY), rgbOf(FL_RED));
    EXPECT_GT(countColour(p, chart->x() + 100, legY - 1, chart->plot.right, legY + 1, rgbOf(FL_BLUE)), 40);
    // Four series: the third and fourth colours appear too.
    chart->addVariable(series("Weight", {{instantOf(2026, 3, 3), 150}, {instantOf(2026, 3, 4), 152}}));
    chart->addVariable(series("Temperature", {{instantOf(2026, 3, 6), 98.1}, {instantOf(2026, 3, 7), 98.9}}));
    p = render();
    pl = placement();
    EXPECT_EQ(p.at(px(pl, instantOf(2026, 3, 4)), py(pl, 2, 152)), rgbOf(FL_DARK_GREEN));
    EXPECT_EQ(p.at(px(pl, instantOf(2026, 3, 6)), py(pl, 3, 98.1)), rgbOf(FL_DARK_CYAN));
    EXPECT_EQ(trends->trends.size(), 4u);
}

TEST_F(ChartFixture, NormalRangeShadingBelowAndAbove) {
    XmlNode* pulse = variableWithRange("Pulse", "60", "100");
    chart->display = ChartMath::Display::NormalRange;
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 55}, {instantOf(2026, 3, 4), 70},
                                        {instantOf(2026, 3, 7), 110}},
                              pulse));
    chart->refresh();
    Picture p = render();
    Placement pl = placement();
    std::vector<ChartMath::PixelPoint> pts;
    for (const auto& pt : chart->variables.front().points)
        pts.push_back({px(pl, pt.first.instant), py(pl, 0, pt.second), pt.second});
    const int yLo = py(pl, 0, 60), yHi = py(pl, 0, 100);
    std::vector<ChartMath::Triangle> tri = ChartMath::shadingTriangles(pts, 60, 100, yLo, yHi);
    ASSERT_EQ(tri.size(), 2u);
    auto centre = [](const ChartMath::Triangle& t) {
        return std::make_pair((t.x[0] + t.x[1] + t.x[2]) / 3, (t.y[0] + t.y[1] + t.y[2]) / 3);
    };
    auto below = centre(tri[0]);
    auto above = centre(tri[1]);
    EXPECT_FALSE(tri[0].above);
    EXPECT_EQ(p.at(below.first, below.second), (Rgb{83, 24, 157}));
    EXPECT_EQ(p.at(above.first, above.second), rgbOf(FL_DARK_RED));
    // Inside the range nothing is shaded.
    EXPECT_EQ(countColour(p, chart->plot.left, yHi + 3, chart->plot.right, yLo - 3, Rgb{83, 24, 157}), 0);
    EXPECT_EQ(countColour(p, chart->plot.left, yHi + 3, chart->plot.right, yLo - 3, rgbOf(FL_DARK_RED)), 0);
    // The series itself in the first range colour, the range lines dashed in theirs.
    EXPECT_EQ(p.at(pts[1].x, pts[1].y), (Rgb{24, 71, 157}));
    EXPECT_GT(countColour(p, chart->plot.left, yLo - 1, chart->plot.right, yLo + 1, Rgb{200, 24, 216}), 100);
    EXPECT_GT(countColour(p, chart->plot.left, yHi - 1, chart->plot.right, yHi + 1, Rgb{200, 24, 216}), 100);
}

TEST_F(ChartFixture, BatchedDrawingGivesTheSamePixelsAsOneCallPerShape) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(40, 180);
    std::int64_t start = instantOf(2025, 1, 1);
    const char* names[4] = {"Pulse", "Systolic", "Diastolic", "SpO2"};
    for (int s = 0; s < 4; ++s) {
        std::vector<std::pair<std::int64_t, double>> pts;
        for (int i = 0; i < 3000; ++i) pts.emplace_back(start + i * 9000 + s * 1234, value(random));
        chart->addVariable(series(names[s], pts));
    }
    // Points on the very edges and repeated pixels.
    chart->variables.front().points[TimeKey::fromInstant(start - 86400 * 30)] = 40;
    chart->refresh();
    chart->paintMode = SeriesPainter::Mode::OneCallPerShape;
    Picture one = render();
    chart->paintMode = SeriesPainter::Mode::Batched;
    Picture batched = render();
    ASSERT_EQ(one.pixels.size(), batched.pixels.size());
    std::size_t differ = 0;
    for (std::size_t i = 0; i < one.pixels.size(); ++i)
        if (one.pixels[i] != batched.pixels[i]) ++differ;
    EXPECT_EQ(differ, 0u);
    // And something was drawn.
    EXPECT_GT(countColour(batched, chart->plot.left, chart->plot.top, chart->plot.right, chart->plot.bottom,
                          rgbOf(FL_RED)),
              1000);
}

TEST_F(ChartFixture, DenseSeriesReducedPerPixelColumnKeepTheirPixels) {
    // Dozens of points per pixel column: rising, falling, zigzag and random.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> noise(-30, 30);
    const std::int64_t start = instantOf(2026, 1, 1);
    for (int s = 0; s < 4; ++s) {
        std::vector<std::pair<std::int64_t, double>> pts;
        for (int i = 0; i < 30000; ++i) {
            const double v = s == 0 ? 50 + i * 0.003 : s == 1 ? 150 - i * 0.003 : s == 2 ? 100 + (i % 7) * 5 : 100 + noise(random);
            pts.emplace_back(start + i * 60 + s * 7, v);
        }
        chart->addVariable(series(s == 0 ? "Pulse" : s == 1 ? "Systolic" : s == 2 ? "Diastolic" : "SpO2", pts));
    }
    chart->refresh();
    EXPECT_TRUE(batchedMatchesPlain());
}

TEST_F(ChartFixture, BatchedNormalRangeDrawingMatchesToo) {
    XmlNode* pulse = variableWithRange("Pulse", "60", "100");
    chart->display = ChartMath::Display::NormalRange;
    std::vector<std::pair<std::int64_t, double>> pts;
    std::int64_t start = instantOf(2026, 1, 1);
    for (int i = 0; i < 500; ++i) pts.emplace_back(start + i * 3600 * 7, 80 + 45 * std::sin(i * 0.3));
    chart->addVariable(series("Pulse", pts, pulse));
    chart->refresh();
    EXPECT_TRUE(batchedMatchesPlain());
}

TEST_F(ChartFixture, NormalRangeShadingReducedPerPixelColumnKeepsItsPixels) {
    // The shading alone (on a chart the markers of dense readings hide most
    // of it): dozens of readings per pixel column out on both sides, the
    // same sparse, and a range narrower than a pixel row, so that the two
    // colours meet on the same rows and their order decides.
    struct Case {
        int perColumn;
        double lo, hi;
        double (*value)(int i, std::mt19937& random);
    };
    const Case cases[] = {
        {60, 60, 100, [](int i, std::mt19937&) { return 50.0 + (i * 13) % 60; }},
        {60, 60, 100, [](int i, std::mt19937& r) { return 80 + 45 * std::sin(i * 0.01) + std::uniform_real_distribution<double>(-20, 20)(r); }},
        {1, 60, 100, [](int i, std::mt19937& r) { return 80 + 45 * std::sin(i * 0.3) + std::uniform_real_distribution<double>(-5, 5)(r); }},
        {40, 80, 80.1, [](int i, std::mt19937& r) { return (i % 3 == 0 ? 80.0 : 60.0) + std::uniform_real_distribution<double>(0, 40)(r); }},
    };
    auto row = [](double v) { return static_cast<int>(std::lround(500 - 3 * v)); };
    std::mt19937 random(5);
    if (!win->shown()) showWindow();
    win->make_current();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perColumn);
        std::vector<ChartMath::PixelPoint> pts;
        for (int i = 0; i < 600 * c.perColumn; ++i) {
            const double v = c.value(i, random);
            pts.push_back({20 + i / c.perColumn, row(v), v});
        }
        const auto triangles = ChartMath::shadingTriangles(pts, c.lo, c.hi, row(c.lo), row(c.hi));
        std::vector<uchar> pictures[2];
        for (int m = 0; m < 2; ++m) {
            Fl_Offscreen off = fl_create_offscreen(W, H);
            fl_begin_offscreen(off);
            fl_color(FL_WHITE);
            fl_rectf(0, 0, W, H);
            fl_line_style(FL_SOLID, 0);
            SeriesPainter::drawShading(triangles, FL_RED, FL_BLUE,
                                       m ? SeriesPainter::Mode::Batched : SeriesPainter::Mode::OneCallPerShape);
            pictures[m].resize(static_cast<std::size_t>(W) * H * 3);
            fl_read_image(pictures[m].data(), 0, 0, W, H);
            fl_end_offscreen();
            fl_delete_offscreen(off);
        }
        EXPECT_TRUE(pictures[0] == pictures[1]);
        EXPECT_GT(std::count(pictures[0].begin(), pictures[0].end(), 0), 3000);  // something was shaded
    }
}

TEST_F(ChartFixture, ExtremeValuesAndYearsAreDrawnWithABoundedGrid) {
    struct Case {
        std::vector<std::pair<std::int64_t, double>> points;
        ChartMath::Display display;
    };
    const std::vector<Case> cases = {
        {{{instantOf(2026, 3, 1), 1e308}, {instantOf(2026, 3, 2), -1e308}}, ChartMath::Display::Multi},
        {{{instantOf(2026, 3, 1), 1e308}, {instantOf(2026, 3, 2), -1e308}}, ChartMath::Display::NormalRange},
        {{{instantOf(2026, 3, 1), 1e12}, {instantOf(2026, 3, 2), 1}}, ChartMath::Display::Multi},
        {{{instantOf(1, 1, 1), 60}, {instantOf(99999, 12, 31), 80}}, ChartMath::Display::Multi},
        {{{instantOf(-11720, 1, 1), 60}, {instantOf(20244, 1, 1), 80}}, ChartMath::Display::NormalRange},
    };
    for (const Case& c : cases) {
        chart->dropVar("all");
        chart->display = c.display;
        chart->addVariable(series("Pulse", c.points, variableWithRange("Pulse", "60", "100")));
        chart->refresh();
        Picture p = render();
        Placement pl = placement();
        EXPECT_LE(pl.scales.nTicks, ChartMath::kMaxIntervals);
        // The grid and the points are inside the plot.
        EXPECT_GT(countColour(p, chart->plot.left, chart->plot.top, chart->plot.right, chart->plot.bottom,
                              rgbOf(FL_RED)) +
                      countColour(p, chart->plot.left, chart->plot.top, chart->plot.right, chart->plot.bottom,
                                  Rgb{24, 71, 157}),
                  20);
        for (const auto& pt : chart->variables.front().points) {
            EXPECT_GE(py(pl, 0, pt.second), chart->plot.top);
            EXPECT_LE(py(pl, 0, pt.second), chart->plot.bottom);
        }
    }
}

TEST_F(ChartFixture, RangeShadingAndLinesStayInsideThePlotWhateverTheLimits) {
    chart->display = ChartMath::Display::NormalRange;
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 70}, {instantOf(2026, 3, 4), 80}},
                              variableWithRange("Pulse", "abc", "-5")));
    chart->refresh();
    Picture p = render();
    // The low limit falls back to 60, the high one is -5: both rows lie below the plot.
    for (const Rgb& c : {Rgb{83, 24, 157}, rgbOf(FL_DARK_RED), Rgb{200, 24, 216}}) {
        EXPECT_EQ(countColour(p, 0, chart->plot.bottom + 1, W, H, c), 0) << c;
        EXPECT_EQ(countColour(p, 0, 0, W, chart->plot.top, c), 0) << c;
    }
    // Above the high limit everything shown is shaded, inside the plot.
    EXPECT_GT(countColour(p, chart->plot.left, chart->plot.top, chart->plot.right, chart->plot.bottom + 1,
                          rgbOf(FL_DARK_RED)),
              1000);
}
