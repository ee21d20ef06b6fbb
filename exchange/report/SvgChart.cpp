#include "exchange/report/SvgChart.h"

#include <algorithm>

#include "exchange/report/HtmlText.h"
#include "exchange/report/TimeTicks.h"
#include "rules/chart/ChartMath.h"

namespace SvgChart {

namespace {

// The size of the time labels, as written in their <text> elements.
constexpr double kTickFont = 10;

// Dots for every reading only while they stay apart from each other.
constexpr std::size_t kMostDots = 400;

std::string number(int v) { return std::to_string(v); }

void line(std::string& out, int x1, int y1, int x2, int y2, const char* extra) {
    out += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
           number(y2) + "\" " + extra + "/>\n";
}

void text(std::string& out, int x, int y, const char* anchor, const std::string& content, const char* size = nullptr) {
    out += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\"" +
           (size ? std::string(" font-size=\"") + size + "\"" : std::string()) + ">" + HtmlText::escape(content) +
           "</text>\n";
}

// A marker's outline centred on (x, y).
std::string markerPath(Marker marker, int x, int y) {
    const std::string cx = number(x);
    switch (marker) {
        case Marker::Above:
            return "<path d=\"M" + cx + " " + number(y - 5) + "l5 8h-10z\"/>";
        case Marker::Below:
            return "<path d=\"M" + cx + " " + number(y + 5) + "l5 -8h-10z\"/>";
        case Marker::Panic:
            break;
    }
    return "<rect x=\"" + number(x - 4) + "\" y=\"" + number(y - 4) + "\" width=\"8\" height=\"8\"/>";
}

const char* markerColor(Marker marker) { return marker == Marker::Panic ? kPanicColor : kOutsideColor; }

}  // namespace

std::string markerIcon(Marker marker) {
    return std::string("<svg viewBox=\"-6 -6 12 12\" aria-hidden=\"true\" fill=\"") + markerColor(marker) + "\">" +
           markerPath(marker, 0, 0) + "</svg>";
}

const char* seriesColor(std::size_t i) {
    static const char* const colors[2] = {"#18479d", "#007b7b"};
    return colors[i % 2];
}

std::vector<PlotPoint> reduceToColumns(const std::vector<PlotPoint>& points) {
    std::vector<PlotPoint> out;
    out.reserve(std::min<std::size_t>(points.size(), 4 * static_cast<std::size_t>(kRight - kLeft + 1)));
    std::size_t i = 0;
    while (i < points.size()) {
        std::size_t end = i + 1, lowest = i, highest = i;
        while (end < points.size() && points[end].x == points[i].x) {
            if (points[end].value < points[lowest].value) lowest = end;
            if (points[end].value > points[highest].value) highest = end;
            ++end;
        }
        std::size_t keep[4] = {i, lowest, highest, end - 1};
        std::sort(keep, keep + 4);
        for (std::size_t k = 0; k < 4; ++k)
            if (k == 0 || keep[k] != keep[k - 1]) out.push_back(points[keep[k]]);
        i = end;
    }
    return out;
}

std::string chart(const ReportVariable& variable, std::int64_t from, std::int64_t to) {
    // One common scale over the readings and the normal ranges.
    std::vector<std::pair<double, double>> ranges;
    for (const ReportSeries& s : variable.series) {
        double min = 0, max = 0;
        ChartMath::valueRange(s.points.begin(), s.points.end(), min, max);
        if (s.points.empty() && s.hasNormal) min = max = s.normalLow;
        if (s.hasNormal) {
            min = std::min(min, s.normalLow);
            max = std::max(max, s.normalHigh);
        }
        ranges.emplace_back(min, max);
    }
    const ChartMath::YScales scales = ChartMath::normalRangeScales(ranges);
    const ChartMath::YScale& y = scales.series.at(0);
    // Time runs evenly from the period's first second to its last.
    const auto xOf = [&](std::int64_t instant) {
        return ChartMath::xPixel(instant, static_cast<double>(from), static_cast<double>(to), 1.0 / 86400, kLeft,
                                 kRight);
    };
    const auto yOf = [&](double v) { return ChartMath::yPixel(v, y.step, y.lo, y.hi, kTop, kBottom); };
    const auto clampRow = [](int row) { return std::max(kTop, std::min(kBottom, row)); };

    std::string out;
    out.reserve(16384);
    out += "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + number(kWidth) + " " +
           number(kHeight) + "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"11\" role=\"img\">\n";
    out += "<title>" + HtmlText::escape(variable.title) + "</title>\n";
    out += "<rect x=\"" + number(kLeft) + "\" y=\"" + number(kTop) + "\" width=\"" + number(kRight - kLeft) +
           "\" height=\"" + number(kBottom - kTop) + "\" fill=\"#ffffff\" stroke=\"#000000\" stroke-width=\"1\"/>\n";

    // Normal ranges as bands.
    for (const ReportSeries& s : variable.series) {
        if (!s.hasNormal) continue;
        const int yHigh = clampRow(yOf(s.normalHigh)), yLow = clampRow(yOf(s.normalLow));
        out += "<rect class=\"band\" x=\"" + number(kLeft + 1) + "\" y=\"" + number(yHigh) + "\" width=\"" +
               number(kRight - kLeft - 1) + "\" height=\"" + number(std::max(1, yLow - yHigh)) + "\" fill=\"" +
               kBandColor + "\"/>\n";
    }

    // Grid and value labels.
    const std::string gridStyle = std::string("stroke=\"") + kGridColor + "\" stroke-dasharray=\"3 3\"";
    for (int k = 0; k <= scales.nTicks; ++k) {
        const int row = ChartMath::gridRow(k, scales.nTicks, kTop, kBottom);
        if (k > 0) line(out, kLeft, row, kRight, row, gridStyle.c_str());
        std::string label = ChartMath::yLabel((y.lo + k) * y.step, y.step);
        if (variable.decimalComma) std::replace(label.begin(), label.end(), '.', ',');
        text(out, kLeft - 5, row + 4, "end", label);
    }
    if (*variable.unit) {
        const int middle = (kTop + kBottom) / 2;
        out += "<text x=\"12\" y=\"" + number(middle) + "\" text-anchor=\"middle\" transform=\"rotate(-90 12 " +
               number(middle) + ")\">" + HtmlText::escape(variable.unit) + "</text>\n";
    }

    // Time ticks as far apart as their labels need.
    const TimeTicks ticks = TimeTicks::choose(from, to, kRight - kLeft, kTickFont, variable.dates);
    for (const TimeTick& tick : ticks.ticks) {
        const int column = xOf(tick.instant);
        line(out, column, kBottom, column, kBottom + 5, "stroke=\"#000000\"");
        text(out, column, kBottom + 17, "middle", tick.label, "10");
        if (!tick.second.empty()) text(out, column, kBottom + 30, "middle", tick.second, "10");
    }

    // Limits of each normal range, dashed in the series colour.
    for (std::size_t i = 0; i < variable.series.size(); ++i) {
        const ReportSeries& s = variable.series[i];
        if (!s.hasNormal) continue;
        const std::string style = std::string("stroke=\"") + seriesColor(i) + "\" stroke-dasharray=\"6 3\"";
        for (double limit : {s.normalLow, s.normalHigh}) {
            const int row = yOf(limit);
            if (row >= kTop && row <= kBottom) line(out, kLeft, row, kRight, row, style.c_str());
        }
    }

    // The readings: line, dots, then the marks of out-of-range readings.
    std::string marks[2];  // outside the normal range, beyond the panic limits
    for (std::size_t i = 0; i < variable.series.size(); ++i) {
        const ReportSeries& s = variable.series[i];
        std::vector<PlotPoint> points;
        points.reserve(s.points.size());
        for (const auto& p : s.points)
            points.push_back(PlotPoint{xOf(p.first.instant), p.second, p.first.instant});
        const std::vector<PlotPoint> shown = reduceToColumns(points);
        if (shown.empty()) continue;
        out += std::string("<polyline fill=\"none\" stroke=\"") + seriesColor(i) +
               "\" stroke-width=\"1.5\" stroke-linejoin=\"round\" points=\"";
        for (const PlotPoint& p : shown) out += number(p.x) + "," + number(yOf(p.value)) + " ";
        out += "\"/>\n";
        if (shown.size() <= kMostDots) {
            out += std::string("<g fill=\"") + seriesColor(i) + "\">";
            for (const PlotPoint& p : shown)
                out += "<circle cx=\"" + number(p.x) + "\" cy=\"" + number(yOf(p.value)) + "\" r=\"2.2\"/>";
            out += "</g>\n";
        }
        for (const PlotPoint& p : shown) {
            const bool panic = s.beyondPanic(p.value);
            const ReportSeries::Place place = s.place(p.value);
            if (!panic && (place == ReportSeries::Place::Inside || place == ReportSeries::Place::Unranged)) continue;
            const Marker marker = panic ? Marker::Panic
                                  : place == ReportSeries::Place::Above ? Marker::Above
                                                                        : Marker::Below;
            marks[panic ? 1 : 0] += markerPath(marker, p.x, yOf(p.value));
        }
    }
    if (!marks[0].empty()) out += std::string("<g class=\"outside\" fill=\"") + kOutsideColor + "\">" + marks[0] + "</g>\n";
    if (!marks[1].empty()) out += std::string("<g class=\"panic\" fill=\"") + kPanicColor + "\">" + marks[1] + "</g>\n";
    out += "</svg>\n";
    return out;
}

}  // namespace SvgChart
