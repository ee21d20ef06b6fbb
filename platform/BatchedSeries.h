// Drawing the markers and the line of one chart series in a few
// multi-shape window-system requests instead of one toolkit call per shape.
// Only the X11 build has such requests; elsewhere nothing is available and
// callers draw shape by shape (ui/chart/SeriesPainter).
#pragma once

#include <utility>
#include <vector>

namespace BatchedSeries {

// True when the window system offers batched drawing at all.
bool supported();
// True when batched drawing is possible right now (a drawable is current).
bool available();
// Draws a filled circle of marker pixels (at most kLargestMarker) on every
// point and the lines between neighbours, pixel for pixel as
// fl_pie(x - marker / 2, y - marker / 2, marker, marker, 0, 360) and fl_line
// would, in the current colour and line style. False when nothing was drawn
// (not available, a larger marker, or the points are spread too far); the
// caller then draws shape by shape.
const int kLargestMarker = 28;
bool draw(const std::vector<std::pair<int, int>>& points, int marker = 8);

}  // namespace BatchedSeries
