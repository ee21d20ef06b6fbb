#include "ui/chart/SeriesPainter.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/BatchedSeries.h"

namespace SeriesPainter {

namespace {

void drawOneByOne(const std::vector<std::pair<int, int>>& points) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int x = points[i].first, y = points[i].second;
        fl_pie(x - 4, y - 4, 8, 8, 0, 360);
        if (i > 0) fl_line(points[i - 1].first, points[i - 1].second, x, y);
    }
}

}  // namespace

bool batchingAvailable() { return BatchedSeries::available(); }

Mode defaultMode() { return BatchedSeries::supported() ? Mode::Batched : Mode::OneCallPerShape; }

void drawSeries(const std::vector<std::pair<int, int>>& points, Mode mode) {
    if (mode == Mode::Batched && BatchedSeries::draw(points)) return;
    drawOneByOne(points);
}

}  // namespace SeriesPainter
