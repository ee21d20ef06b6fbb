#include "ui/chart/SeriesPainter.h"

#include <algorithm>
#include <limits>

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/BatchedSeries.h"

namespace SeriesPainter {

namespace {

void drawOneByOne(const std::vector<std::pair<int, int>>& points, int marker) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int x = points[i].first, y = points[i].second;
        fl_pie(x - marker / 2, y - marker / 2, marker, marker, 0, 360);
        if (i > 0) fl_line(points[i - 1].first, points[i - 1].second, x, y);
    }
}

}  // namespace

bool batchingAvailable() { return BatchedSeries::available(); }

Mode defaultMode() { return BatchedSeries::supported() ? Mode::Batched : Mode::OneCallPerShape; }

namespace {

// A stretch of one pixel column, rows top to bottom inclusive, or a
// triangle as it is, in drawing order.
struct ShadingShape {
    bool column;  // a column stretch (x, top, bottom), else triangle
    bool above;
    int x, top, bottom;
    ChartMath::Triangle triangle;
};

bool sameColumn(const ChartMath::Triangle& t) { return t.x[0] == t.x[1] && t.x[0] == t.x[2]; }

// A triangle whose corners share one column has no inside; its outline is
// the stretch of the column between its outermost rows.
ShadingShape shapeOf(const ChartMath::Triangle& t) {
    if (!sameColumn(t)) return {false, t.above, 0, 0, 0, t};
    return {true, t.above, t.x[0], std::min({t.y[0], t.y[1], t.y[2]}), std::max({t.y[0], t.y[1], t.y[2]}), t};
}

// A triangle whose corners are one pixel paints nothing.
bool isPoint(const ShadingShape& s) { return s.column && s.top == s.bottom; }

// Stretches of one column that overlap or touch are one stretch.
bool joins(const ShadingShape& a, const ShadingShape& b) {
    return a.column && b.column && a.above == b.above && a.x == b.x && b.top <= a.bottom + 1 &&
           b.bottom >= a.top - 1;
}

// The shapes that paint the triangles' pixels: each run of stretches of
// one column joined.
std::vector<ShadingShape> columnShading(const std::vector<ChartMath::Triangle>& triangles) {
    std::vector<ShadingShape> shapes;
    shapes.reserve(std::min<std::size_t>(triangles.size(), 4096));
    // The lowest row shaded above the range and the highest shaded below it.
    int aboveBottom = std::numeric_limits<int>::min(), belowTop = std::numeric_limits<int>::max();
    for (const ChartMath::Triangle& t : triangles) {
        for (int i = 0; i < 3; ++i) {
            if (t.above)
                aboveBottom = std::max(aboveBottom, t.y[i]);
            else
                belowTop = std::min(belowTop, t.y[i]);
        }
    }
    if (aboveBottom >= belowTop) {
        // The two colours share rows, so the order of the shapes decides
        // those pixels: only neighbours in the drawing order are joined.
        for (const ChartMath::Triangle& t : triangles) {
            const ShadingShape s = shapeOf(t);
            if (isPoint(s)) continue;
            if (!shapes.empty() && joins(shapes.back(), s)) {
                shapes.back().top = std::min(shapes.back().top, s.top);
                shapes.back().bottom = std::max(shapes.back().bottom, s.bottom);
            } else {
                shapes.push_back(s);
            }
        }
        return shapes;
    }
    // Apart, each colour's pixels are the union of its shapes whatever
    // their order: a stretch joins the last one of its colour when they
    // touch, however many shapes of the other colour came between.
    ShadingShape pending[2];
    bool open[2] = {false, false};
    for (const ChartMath::Triangle& t : triangles) {
        const ShadingShape s = shapeOf(t);
        if (isPoint(s)) continue;
        if (!s.column) {
            shapes.push_back(s);
            continue;
        }
        const int c = s.above ? 1 : 0;
        if (open[c] && joins(pending[c], s)) {
            pending[c].top = std::min(pending[c].top, s.top);
            pending[c].bottom = std::max(pending[c].bottom, s.bottom);
            continue;
        }
        if (open[c]) shapes.push_back(pending[c]);
        pending[c] = s;
        open[c] = true;
    }
    for (int c = 0; c < 2; ++c)
        if (open[c]) shapes.push_back(pending[c]);
    return shapes;
}

}  // namespace

void drawShading(const std::vector<ChartMath::Triangle>& triangles, Fl_Color above, Fl_Color below, Mode mode) {
    // The stretches give the triangles' pixels where outlines are drawn as
    // the X server draws them.
    if (mode == Mode::Batched && BatchedSeries::supported()) {
        for (const ShadingShape& s : columnShading(triangles)) {
            fl_color(s.above ? above : below);
            if (s.column) {
                fl_line(s.x, s.top, s.x, s.bottom);
            } else {
                const ChartMath::Triangle& t = s.triangle;
                fl_polygon(t.x[0], t.y[0], t.x[1], t.y[1], t.x[2], t.y[2]);
            }
        }
        return;
    }
    for (const ChartMath::Triangle& t : triangles) {
        fl_color(t.above ? above : below);
        fl_polygon(t.x[0], t.y[0], t.x[1], t.y[1], t.x[2], t.y[2]);
    }
}

void drawSeries(const std::vector<std::pair<int, int>>& points, Mode mode, int marker) {
    if (mode == Mode::Batched && BatchedSeries::draw(points, marker)) return;
    drawOneByOne(points, marker);
}

}  // namespace SeriesPainter
