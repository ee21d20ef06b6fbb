// The arithmetic of the chart, free of widgets: nice steps, y scales, the
// time window of each mode, the time axis and its labels, pixel positions,
// the title, the normal-range texts and the shading triangles.
#pragma once

#include <cmath>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "rules/chart/ChartVariable.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

namespace ChartMath {

// The chart's time range, as its buttons name it: Auto shows every reading,
// the others the span before the latest reading.
enum class TimeRange { Auto, Year, SixMonths, ThreeMonths, Month, Week };
// The number of time ranges, Auto included (one button each).
constexpr int kTimeRanges = 6;

// Length of the shown window before the latest point ("Year" ... "Week");
// 0 for "Auto".
std::int64_t rangeSpan(TimeRange range);

// What a step is wanted for: a y scale's values or the time axis's days.
enum class StepFor { Values, Days };

// A nice step near x: for y scales (values) 1, 2, 5 times a power of ten;
// for the time axis (x in days) 1, 3, 5, 7, 10 days times a power of ten, or
// 1, 3, 6, 12 hours or 1 day below a day.
double bestSpacing(StepFor what, double x);

// A grid position of a y scale in steps from zero. Wider than int, so that
// any finite value over its step fits.
using ScaleIndex = std::int64_t;

// Most intervals a y scale is given, whatever the values: the cost of a draw
// follows the plot's size, never the values.
constexpr int kMaxIntervals = 40;

// One series' y scale: the axis runs from lo * step to hi * step.
struct YScale {
    double step = 0.1;
    ScaleIndex lo = -1;
    ScaleIndex hi = 1;
    double min = 0;  // smallest shown value (0 without shown points)
    double max = 0;  // largest shown value (0 without shown points)
};

// The scale refitted to the given number of intervals when it has fewer:
// a nice step just above target, its ends around the middle of its values.
// A scale with enough intervals comes back as it is.
YScale refittedScale(const YScale& scale, int intervals, double target);

struct YScales {
    std::vector<YScale> series;
    int nTicks = 0;      // number of intervals, the same for every series
    int reference = -1;  // the series whose scale the others follow (ordinary mode)
};

// The smallest and largest value of some points; (0, 0) without points.
void valueRange(PointMap::const_iterator begin, PointMap::const_iterator end, double& min, double& max);

using SpacingFn = double (*)(StepFor what, double x);
using RefitFn = YScale (*)(const YScale& scale, int intervals, double target);

// Ordinary mode: each series its own scale, refitted to the largest number
// of intervals. ranges holds each series' (min, max). The chart passes its
// own (traced) step and refit routines.
YScales ordinaryScales(const std::vector<std::pair<double, double>>& ranges, SpacingFn spacing = bestSpacing,
                       RefitFn refit = refittedScale);
// Multi-Display: as ordinaryScales, except that series read from the same
// variable (groups[i], the two members of blood pressure or blood sugar)
// share one scale spanning the shown values of both. hasPoints[i] tells
// whether series i shows any point (a series without one adds nothing to
// its group's span).
YScales groupedScales(const std::vector<std::pair<double, double>>& ranges, const std::vector<std::string>& groups,
                      const std::vector<bool>& hasPoints, SpacingFn spacing = bestSpacing,
                      RefitFn refit = refittedScale);
// Normal-range mode: one common scale for every series.
YScales normalRangeScales(const std::vector<std::pair<double, double>>& ranges, SpacingFn spacing = bestSpacing);

// The shown window: first and last time and, per series, the first shown point.
struct TimeWindow {
    bool anyPoint = false;  // false: no series has a point; the window is the day before now
    std::int64_t tMin = 0;
    std::int64_t tMax = 0;
    std::vector<PointMap::const_iterator> begin;  // per series; end is the map's end
    std::vector<PointMap::const_iterator> end;
};
TimeWindow timeWindow(const std::list<ChartVariable>& variables, TimeRange range, std::int64_t now);

// Most intervals of the time axis.
constexpr int kMaxTimeTicks = 40;

// The time axis: tick step S in days and the snapped ends in units of S days.
struct TimeAxis {
    double S = 1;
    double xmin = 0;
    double xmax = 1;
    bool sameYear = true;
    int ticks() const;  // number of intervals between the ends, at least 1
};
TimeAxis timeAxis(std::int64_t tMin, std::int64_t tMax, SpacingFn spacing = bestSpacing);

// The two lines of the label of the tick `days` days after the epoch on the
// axis: "%b %d" and, when its ticks are less than a day apart, "%I%p"
// ("%H:00" on the 24-hour clock the preferences may choose), else "%Y" when
// its ends lie in different years, else empty. C-locale texts.
struct TickLabel {
    std::string day;
    std::string second;
};
TickLabel tickLabel(const TimeAxis& axis, double days, const Units::Preferences& units);

// "%x" in the C locale: month/day/two-digit year; YYYY-MM-DD when the
// preferences choose ISO dates.
std::string shortDate(std::int64_t t, const Units::Preferences& units);
// Where a shown range starts: its short date, and its time of day after it
// ("2026-12-01 17:20", "12/01/26 05:20 PM") when it does not start at
// midnight, since the readings of that day before then are outside it.
std::string startText(std::int64_t t, const Units::Preferences& units);

// Where the plot lies in a chart widget at (x, y) of size w x h: the
// rectangle inside the axes, and the row of the legend below it.
struct PlotArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int legendRow = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
// Its margins (for the title, labels and legend) grow with scale, the text size.
PlotArea plotArea(int x, int y, int w, int h, double scale = 1.0);

// Keeps a pixel coordinate inside what the window system can draw.
inline int clampPixel(double v) {
    if (std::isnan(v)) return 0;
    if (v > 30000) v = 30000;
    if (v < -30000) v = -30000;
    return static_cast<int>(v);
}
// Pixel positions, inline: a draw asks them for every shown reading.
inline int xPixel(std::int64_t instant, double xmin, double xmax, double S, int left, int right) {
    if (xmax == xmin) return left;
    return clampPixel((static_cast<double>(instant) / (S * 86400) - xmin) / (xmax - xmin) * (right - left) + left);
}
inline int yPixel(double value, double step, ScaleIndex lo, ScaleIndex hi, int top, int bottom) {
    if (hi == lo || step == 0) return bottom;
    return clampPixel((value / step - static_cast<double>(lo)) / static_cast<double>(hi - lo) * (top - bottom) +
                      bottom);
}
// The row of grid line k of nTicks (k = 0 at the bottom).
int gridRow(int k, int nTicks, int top, int bottom);
// The column of tick i of n.
int tickColumn(int i, int n, int left, int right);

// "History for A, B and C".
std::string title(const std::vector<std::string>& names);

// Label of a y tick: "%.0f" for whole steps, "%.1f" otherwise; "%.3g"
// when that would be longer than kMaxLabelLength characters.
constexpr std::size_t kMaxLabelLength = 9;
std::string yLabel(double value, double step);

// The normal range of a series from its variable element's normalLow and
// normalHigh, falling back to the store's defaults for the series name, in
// the unit the series is shown in.
using NormalRange = ::NormalRange;
NormalRange normalRange(const XmlNode* variable, const std::string& seriesName, const Units::Preferences& units);
std::string rangeText(double value);
// What the chart shows: series side by side (Multi-Display), or each against
// its normal range on one common scale.
enum class Display { Multi, NormalRange };
// The legend text of a series, naming its unit once units are named; against
// the normal range with its range.
std::string legendText(const std::string& name, Display display, const NormalRange& range,
                       const Units::Preferences& units);
// A number of a series with the series' unit once units are named: "37.5 °C".
std::string withUnit(const std::string& numberText, const std::string& seriesName, const Units::Preferences& units);

// Shading outside the normal range: the filled triangles between the series
// line and the limit rows, in drawing order.
struct PixelPoint {
    int x;
    int y;
    double value;
};
struct Triangle {
    int x[3];
    int y[3];
    bool above;  // over the high limit (else under the low limit)
};
std::vector<Triangle> shadingTriangles(const std::vector<PixelPoint>& points, double lo, double hi, int yLo,
                                       int yHi);

// Top rows for labels of the given height wanted at the given rows, in the
// same order: a label that would overlap one above it moves down just below
// it; labels that overlap nothing stay where they are wanted.
std::vector<int> spreadLabels(const std::vector<int>& wanted, int height);

}  // namespace ChartMath
