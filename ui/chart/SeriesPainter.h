// Draws the markers and the line of one chart series. The plain way makes
// one toolkit call per marker and per segment; where the window system has
// multi-shape requests (X11, platform/BatchedSeries.h) the same shapes are
// sent in a few of them, which gives the same pixels much faster.
#pragma once

#include <utility>
#include <vector>

#include <FL/Enumerations.H>

#include "rules/chart/ChartMath.h"

namespace SeriesPainter {

enum class Mode { OneCallPerShape, Batched };

// The way series are drawn by default: Batched where the window system
// offers it, else OneCallPerShape.
Mode defaultMode();
// True when batched drawing is possible right now (a drawable is current).
bool batchingAvailable();

// For every point a filled circle of marker pixels centred on it (8:
// fl_pie(x - 4, y - 4, 8, 8, 0, 360)) and, from the second point on, a line
// from the previous point, in the current colour and line style. Batched
// falls back to one call per shape when batching is not available.
void drawSeries(const std::vector<std::pair<int, int>>& points, Mode mode, int marker = 8);

// The shading outside the normal range: every triangle filled and outlined
// (fl_polygon) in order, in the above or the below colour. A triangle whose
// corners share one pixel column has no inside, and its outline is a
// stretch of that column; Batched joins such stretches of one colour and
// column into one where that leaves the pixels as they are (the colours
// apart, or the stretches next in the drawing order): the same pixels with
// a call per column instead of one per reading.
void drawShading(const std::vector<ChartMath::Triangle>& triangles, Fl_Color above, Fl_Color below, Mode mode);

}  // namespace SeriesPainter
