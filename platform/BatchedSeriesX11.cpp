// Batched drawing of a chart series on X11: the markers as runs of pixels in
// XFillRectangles requests and the lines in XDrawSegments requests, which
// gives the same pixels as one toolkit call per shape, much faster.
#include "platform/BatchedSeries.h"

#include <algorithm>
#include <cstdint>

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

namespace BatchedSeries {

namespace {

short toShort(int v) { return static_cast<short>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

// The box around a marker's centre its pixels are kept in, and the centre's
// place in it.
const int kBox = 32;
const int kCentre = 16;

// The pixels one marker covers, relative to its centre, as the window
// system draws fl_pie(x - m / 2, y - m / 2, m, m, 0, 360): one bit row per
// line of the 32 x 32 box around the centre (bit 0 at x - 16). Drawn once
// per size into a small off-screen image and read back, so that it is
// exactly what the server paints.
struct MarkerMask {
    bool ready = false;
    std::uint32_t rows[kBox] = {};
    int first = 0, last = -1;  // the rows that hold any pixel
};

MarkerMask& markerMask(int marker) {
    static MarkerMask masks[kLargestMarker + 1];
    MarkerMask& mask = masks[marker];
    if (mask.ready) return mask;
    const int size = kBox;
    Fl_Color saved = fl_color();
    Fl_Offscreen off = fl_create_offscreen(size, size);
    fl_begin_offscreen(off);
    fl_color(FL_WHITE);
    fl_rectf(0, 0, size, size);
    fl_color(FL_BLACK);
    fl_pie(kCentre - marker / 2, kCentre - marker / 2, marker, marker, 0, 360);
    uchar pixels[size * size * 3];
    fl_read_image(pixels, 0, 0, size, size);
    fl_end_offscreen();
    fl_delete_offscreen(off);
    fl_color(saved);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const uchar* p = &pixels[(y * size + x) * 3];
            if (p[0] < 128 && p[1] < 128 && p[2] < 128) mask.rows[y] |= std::uint32_t{1} << x;
        }
        if (mask.rows[y]) {
            if (mask.last < 0) mask.first = y;
            mask.last = y;
        }
    }
    mask.ready = true;
    return mask;
}

// The line through the points with the same pixels and far fewer
// segments: the segments between points of one pixel column are vertical
// and together cover the column from the run's lowest to its highest
// point, so each run of points in one column is reduced to its first,
// lowest, highest and last point (repeats left out). The segments into and
// out of the run are kept as they are.
std::vector<std::pair<int, int>> columnPath(const std::vector<std::pair<int, int>>& points) {
    std::vector<std::pair<int, int>> path;
    path.reserve(std::min<std::size_t>(points.size(), 4096));
    auto add = [&path](const std::pair<int, int>& p) {
        if (path.empty() || path.back() != p) path.push_back(p);
    };
    std::size_t i = 0;
    while (i < points.size()) {
        std::size_t j = i;
        int low = points[i].second, high = low;
        while (j + 1 < points.size() && points[j + 1].first == points[i].first) {
            ++j;
            low = std::min(low, points[j].second);
            high = std::max(high, points[j].second);
        }
        const int x = points[i].first;
        add(points[i]);
        add({x, low});
        add({x, high});
        add(points[j]);
        i = j + 1;
    }
    return path;
}

// All markers of a series as the union of their pixels, sent as runs of
// one row each; the line segments in multi-segment requests. One colour
// and one line style per series, so neither the order of the shapes nor
// drawing a pixel once instead of several times changes the picture.
bool drawBatched(const std::vector<std::pair<int, int>>& points, int marker) {
    if (points.empty()) return true;
    int minX = points[0].first, maxX = minX, minY = points[0].second, maxY = minY;
    for (const auto& p : points) {
        minX = std::min(minX, p.first);
        maxX = std::max(maxX, p.first);
        minY = std::min(minY, p.second);
        maxY = std::max(maxY, p.second);
    }
    const long long width = static_cast<long long>(maxX) - minX + kBox;
    const long long height = static_cast<long long>(maxY) - minY + kBox;
    if (width * height > 16LL * 1024 * 1024) return false;  // spread too far: the plain way

    const MarkerMask& mask = markerMask(marker);
    // One bit per pixel, rows of 64-bit words; bit 0 of word 0 is minX - kCentre.
    const std::size_t words = static_cast<std::size_t>(width + 63) / 64 + 1;
    std::vector<std::uint64_t> bits(words * static_cast<std::size_t>(height), 0);
    // Many points share a pixel (more readings than columns): each centre
    // is stamped once.
    std::vector<std::uint64_t> centres(words * static_cast<std::size_t>(height), 0);
    for (const auto& p : points) {
        const std::size_t bx = static_cast<std::size_t>(p.first - minX);
        const std::size_t by = static_cast<std::size_t>(p.second - minY);
        const std::size_t word = bx / 64, shift = bx % 64;
        std::uint64_t& centre = centres[by * words + word];
        if (centre & (std::uint64_t{1} << shift)) continue;
        centre |= std::uint64_t{1} << shift;
        for (int r = mask.first; r <= mask.last; ++r) {
            const std::uint64_t row = mask.rows[r];
            std::uint64_t* line = &bits[(by + r) * words];
            line[word] |= row << shift;
            if (shift > 64 - kBox) line[word + 1] |= row >> (64 - shift);
        }
    }
    std::vector<XRectangle> runs;
    for (long long y = 0; y < height; ++y) {
        const std::uint64_t* line = &bits[static_cast<std::size_t>(y) * words];
        long long x = 0;
        const long long limit = static_cast<long long>(words) * 64;
        while (x < limit) {
            const std::uint64_t w = line[x / 64] >> (x % 64);
            if (w == 0) {
                x = (x / 64 + 1) * 64;
                continue;
            }
            if (!(w & 1)) {
                x += __builtin_ctzll(w);
                continue;
            }
            long long start = x;
            while (x < limit && ((line[x / 64] >> (x % 64)) & 1)) ++x;
            XRectangle r;
            r.x = toShort(static_cast<int>(start + minX - kCentre));
            r.y = toShort(static_cast<int>(y + minY - kCentre));
            r.width = static_cast<unsigned short>(x - start);
            r.height = 1;
            runs.push_back(r);
        }
    }

    const std::vector<std::pair<int, int>> path = columnPath(points);
    std::vector<XSegment> segments;
    if (path.size() > 1) segments.reserve(path.size() - 1);
    for (std::size_t i = 1; i < path.size(); ++i) {
        XSegment s;
        s.x1 = toShort(path[i - 1].first);
        s.y1 = toShort(path[i - 1].second);
        s.x2 = toShort(path[i].first);
        s.y2 = toShort(path[i].second);
        segments.push_back(s);
    }
    const std::size_t chunk = 8192;
    for (std::size_t i = 0; i < runs.size(); i += chunk)
        XFillRectangles(fl_display, fl_window, fl_gc, &runs[i], static_cast<int>(std::min(chunk, runs.size() - i)));
    for (std::size_t i = 0; i < segments.size(); i += chunk)
        XDrawSegments(fl_display, fl_window, fl_gc, &segments[i],
                      static_cast<int>(std::min(chunk, segments.size() - i)));
    return true;
}

}  // namespace

bool supported() { return true; }

bool available() { return fl_display != nullptr && fl_window != 0 && fl_gc != nullptr; }

bool draw(const std::vector<std::pair<int, int>>& points, int marker) {
    return marker > 0 && marker <= kLargestMarker && available() && drawBatched(points, marker);
}

}  // namespace BatchedSeries
