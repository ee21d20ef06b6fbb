// The chart of one variable over the report's period as inline SVG, its
// values drawn with the program chart's arithmetic (common scale of the
// normal-range mode, step choice, value labels, pixel rows) and its time
// running evenly over the period with ticks as far apart as their labels
// need (TimeTicks): the normal range as a band, the readings as a line,
// readings outside the normal range marked in one colour and shape (a
// triangle pointing up or down) and readings beyond the panic limits in
// another (a square), so that a black-and-white printout keeps the
// difference. Both marker colours keep a contrast of at
// least 3:1 against the band and the background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/report/ReportData.h"

namespace SvgChart {

// Colours of the page, shared with its legend and checked by the tests.
constexpr const char* kBandColor = "#d3ecd6";
constexpr const char* kOutsideColor = "#b35c00";
constexpr const char* kPanicColor = "#c0182a";
constexpr const char* kGridColor = "#b8b8b8";
enum class Marker { Above, Below, Panic };
// The marker of a reading as a small inline <svg> for the legend.
std::string markerIcon(Marker marker);

// Series 0 and 1, as the program's normal-range chart colours them.
const char* seriesColor(std::size_t i);

// Plot area in SVG units.
constexpr int kWidth = 780;
constexpr int kHeight = 236;
constexpr int kLeft = 52;
constexpr int kRight = 744;
constexpr int kTop = 12;
constexpr int kBottom = 192;

struct PlotPoint {
    int x;           // pixel column
    double value;
    std::int64_t instant;
};

// Of every run of points in the same pixel column keeps the first, the
// smallest, the largest and the last, each once and in time order, so that
// a long series stays small without losing a spike.
std::vector<PlotPoint> reduceToColumns(const std::vector<PlotPoint>& points);

// The <svg> element of a variable's chart over [from, to].
std::string chart(const ReportVariable& variable, std::int64_t from, std::int64_t to);

}  // namespace SvgChart
