#include "ui/chart/SeriesPainter.h"

#include <algorithm>

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#if !defined(_WIN32) && !defined(__APPLE__)
#define QUORVEL_X11_BATCHING 1
#endif

namespace SeriesPainter {

namespace {

void drawOneByOne(const std::vector<std::pair<int, int>>& points) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int x = points[i].first, y = points[i].second;
        fl_pie(x - 4, y - 4, 8, 8, 0, 360);
        if (i > 0) fl_line(points[i - 1].first, points[i - 1].second, x, y);
    }
}

#ifdef QUORVEL_X11_BATCHING
short toShort(int v) { return static_cast<short>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

// The same requests fl_pie and fl_line send (an arc outline and a filled
// arc of 7 x 7 at x - 4, y - 4, and one segment per line), collected into
// multi-shape requests. One colour and one line style per series, so the
// order of the shapes does not change a pixel.
void drawBatched(const std::vector<std::pair<int, int>>& points) {
    std::vector<XArc> arcs;
    arcs.reserve(points.size());
    for (const auto& p : points) {
        XArc a;
        a.x = toShort(p.first - 4);
        a.y = toShort(p.second - 4);
        a.width = 7;
        a.height = 7;
        a.angle1 = 0;
        a.angle2 = 360 * 64;
        arcs.push_back(a);
    }
    std::vector<XSegment> segments;
    if (points.size() > 1) segments.reserve(points.size() - 1);
    for (std::size_t i = 1; i < points.size(); ++i) {
        XSegment s;
        s.x1 = toShort(points[i - 1].first);
        s.y1 = toShort(points[i - 1].second);
        s.x2 = toShort(points[i].first);
        s.y2 = toShort(points[i].second);
        segments.push_back(s);
    }
    // Xlib splits long lists into requests the server accepts.
    const std::size_t chunk = 8192;
    for (std::size_t i = 0; i < arcs.size(); i += chunk) {
        int n = static_cast<int>(std::min(chunk, arcs.size() - i));
        XDrawArcs(fl_display, fl_window, fl_gc, &arcs[i], n);
        XFillArcs(fl_display, fl_window, fl_gc, &arcs[i], n);
    }
    for (std::size_t i = 0; i < segments.size(); i += chunk) {
        int n = static_cast<int>(std::min(chunk, segments.size() - i));
        XDrawSegments(fl_display, fl_window, fl_gc, &segments[i], n);
    }
}
#endif

}  // namespace

bool batchingAvailable() {
#ifdef QUORVEL_X11_BATCHING
    return fl_display != nullptr && fl_window != 0 && fl_gc != nullptr;
#else
    return false;
#endif
}

Mode defaultMode() {
#ifdef QUORVEL_X11_BATCHING
    return Mode::Batched;
#else
    return Mode::OneCallPerShape;
#endif
}

void drawSeries(const std::vector<std::pair<int, int>>& points, Mode mode) {
#ifdef QUORVEL_X11_BATCHING
    if (mode == Mode::Batched && batchingAvailable()) {
        drawBatched(points);
        return;
    }
#else
    (void)mode;
#endif
    drawOneByOne(points);
}

}  // namespace SeriesPainter
