#include "rules/chart/ChartMath.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "rules/readings/RangeRules.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "store/VariableTable.h"

namespace ChartMath {

namespace {

// A double as a scale index. The steps follow the size of the values (see
// stepFor), so indexes stay far inside the integers a double holds exactly;
// the limit only keeps the conversion defined.
ScaleIndex toIndex(double v) {
    if (std::isnan(v)) return 0;
    const double limit = 9007199254740992.0;  // 2^53
    if (v > limit) v = limit;
    if (v < -limit) v = -limit;
    return static_cast<ScaleIndex>(v);
}

// Largest ratio of a value to its scale's step: beyond it the step is
// made coarser, so that a point still lands on a pixel row of its own.
const double kFinestRatio = 1e12;

double magnitudeOf(double min, double max) { return std::max(std::fabs(min), std::fabs(max)); }

std::string format(const char* fmt, double value) {
    char small[64];
    int n = std::snprintf(small, sizeof small, fmt, value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&big[0], big.size(), fmt, value);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// Sets a local time to the start of its hour (or day), ten seconds in, and
// returns the instant.
std::int64_t snap(std::int64_t t, bool toDay, int* year) {
    std::tm tm{};
    platform::instantToLocal(t, tm);
    if (toDay) tm.tm_hour = 0;
    tm.tm_min = 0;
    tm.tm_sec = 10;
    tm.tm_isdst = -1;
    std::int64_t out = t;
    if (!platform::localToInstant(tm, out)) out = t;
    if (year) *year = tm.tm_year;
    return out;
}

double parseLimit(const std::string& text, const std::string& seriesName, bool& ok) {
    double v = 0;
    ok = RangeRules::readLimit(text, seriesName, v);
    return ok ? v : 0;
}

double defaultFor(const std::map<std::string, double>& defaults, const std::string& name) {
    auto it = defaults.find(name);
    return it == defaults.end() ? 0.0 : it->second;
}

}  // namespace

std::int64_t rangeSpan(TimeRange range) {
    switch (range) {
        case TimeRange::Year: return 31557600;
        case TimeRange::SixMonths: return 15778800;
        case TimeRange::ThreeMonths: return 7889400;
        case TimeRange::Month: return 2678400;
        case TimeRange::Week: return 604800;
        case TimeRange::Auto: break;
    }
    return 0;
}

namespace {

// Where a value stands on the logarithmic scale of nice steps: its decade
// (scale, a power of ten) and its fraction within the decade.
struct LogPlace {
    double scale;
    double fraction;
    int exponent;
};

LogPlace logPlaceOf(double x) {
    double t = std::log10(x + 0.1) + 1;
    int e = static_cast<int>(std::floor(t));
    return LogPlace{std::pow(10.0, e - 1), t - e, e};
}

// The place of candidate step c within the decade of the given scale
// (10 counts as the end of the decade).
double candidatePlace(double c, double scale) {
    double g = std::log10(c * scale + 0.1) + 1;
    int k = c >= 10 ? 1 : 0;
    return g - std::floor(g) + k;
}

const double kValueCandidates[5] = {1, 1, 2, 5, 10};

}  // namespace

double bestSpacing(StepFor what, double x) {
    if (!std::isfinite(x) || x < 0) x = 0;
    const LogPlace place = logPlaceOf(x);
    static const double days[5] = {1, 3, 5, 7, 10};
    static const double hours[5] = {5.0 / 12, 1.25, 2.5, 5, 10};
    const double* candidates = what == StepFor::Values ? kValueCandidates : (place.exponent > 0 ? days : hours);
    double best = 1.0;
    double pick = candidates[0];
    for (int i = 0; i < 5; ++i) {
        double d = std::fabs(place.fraction - candidatePlace(candidates[i], place.scale));
        if (d < best) {
            best = d;
            pick = candidates[i];
        }
    }
    return place.scale * pick;
}

YScale refittedScale(const YScale& scale, int intervals, double target) {
    if (scale.hi - scale.lo >= intervals) return scale;
    if (!std::isfinite(target) || target < 0) target = 0;
    const LogPlace place = logPlaceOf(target);
    double best = 1.0;
    YScale out = scale;
    for (double c : kValueCandidates) {
        double d = candidatePlace(c, place.scale) - place.fraction;
        if (d >= 0 && d < best) {
            best = d;
            out.step = place.scale * c;
        }
    }
    const double magnitude = magnitudeOf(scale.min, scale.max);
    if (magnitude / out.step > kFinestRatio) out.step = bestSpacing(StepFor::Values, magnitude / kFinestRatio);
    double middle = (scale.min + scale.max) / out.step;
    if (!std::isfinite(middle)) middle = scale.min / out.step + scale.max / out.step;
    const ScaleIndex m = toIndex(middle);
    out.lo = toIndex(std::floor((static_cast<double>(m) - intervals) * 0.5));
    out.hi = toIndex(std::floor((static_cast<double>(m) + intervals) * 0.5));
    if (scale.min / out.step <= out.lo) {
        out.lo -= 1;
        out.hi -= 1;
    }
    return out;
}

void valueRange(PointMap::const_iterator begin, PointMap::const_iterator end, double& min, double& max) {
    min = max = 0;
    if (begin == end) return;
    min = max = begin->second;
    for (auto it = std::next(begin); it != end; ++it) {
        if (it->second < min) min = it->second;
        if (it->second > max) max = it->second;
    }
}

namespace {

// A sixth of the values' spread, also for the largest doubles.
double sixthOfSpread(double min, double max) {
    const double spread = max - min;
    return std::isfinite(spread) ? spread / 6 : max / 6 - min / 6;
}

// The ends of a scale around min and max with the given step, at most
// kMaxIntervals apart (the step grows tenfold until they are).
void placeEnds(YScale& s, double min, double max) {
    for (;;) {
        s.lo = toIndex(std::floor(min / s.step - 0.1));
        s.hi = toIndex(std::ceil(max / s.step + 0.1));
        if (s.hi - s.lo <= kMaxIntervals) return;
        s.step *= 10;
    }
}

// A scale for values from min to max: a nice step near a sixth of their
// spread, never so fine against their size that the ends leave the exact
// integers of a double.
YScale scaleFor(double min, double max, SpacingFn spacing) {
    YScale s;
    s.min = min;
    s.max = max;
    s.step = spacing(StepFor::Values, sixthOfSpread(min, max));
    if (!(s.step > 0) || !std::isfinite(s.step)) s.step = bestSpacing(StepFor::Values, sixthOfSpread(min, max));
    const double magnitude = magnitudeOf(min, max);
    if (magnitude / s.step > kFinestRatio) s.step = bestSpacing(StepFor::Values, magnitude / kFinestRatio);
    placeEnds(s, min, max);
    return s;
}

}  // namespace

YScales ordinaryScales(const std::vector<std::pair<double, double>>& ranges, SpacingFn spacing, RefitFn refit) {
    YScales out;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        out.series.push_back(scaleFor(ranges[i].first, ranges[i].second, spacing));
        const int count = static_cast<int>(out.series.back().hi - out.series.back().lo);
        if (count > out.nTicks) {
            out.nTicks = count;
            out.reference = static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < out.series.size(); ++i) {
        if (static_cast<int>(i) == out.reference) continue;
        YScale& s = out.series[i];
        if (out.nTicks > 2) {
            double target = (s.max - s.min) * 1.1 / (out.nTicks - 2);
            if (!std::isfinite(target)) target = (s.max / (out.nTicks - 2) - s.min / (out.nTicks - 2)) * 1.1;
            s = refit(s, out.nTicks, target);
        } else if (s.hi - s.lo < out.nTicks) {
            // No finite target: the series keeps its step and bottom and
            // only grows to the common number of intervals.
            s.hi = s.lo + out.nTicks;
        }
    }
    return out;
}

YScales groupedScales(const std::vector<std::pair<double, double>>& ranges, const std::vector<std::string>& groups,
                      const std::vector<bool>& hasPoints, SpacingFn spacing, RefitFn refit) {
    const std::size_t n = ranges.size();
    auto member = [&](std::size_t i, std::size_t j) {
        return i < groups.size() && j < groups.size() && !groups[i].empty() && groups[i] == groups[j];
    };
    auto shows = [&](std::size_t i) { return i < hasPoints.size() && hasPoints[i]; };
    // The span of each series' group.
    std::vector<std::pair<double, double>> spans = ranges;
    for (std::size_t i = 0; i < n; ++i) {
        bool any = false;
        for (std::size_t j = 0; j < n; ++j) {
            if (j != i && !member(i, j)) continue;
            if (!shows(j)) continue;
            if (!any) spans[i] = ranges[j];
            spans[i].first = std::min(spans[i].first, ranges[j].first);
            spans[i].second = std::max(spans[i].second, ranges[j].second);
            any = true;
        }
    }
    YScales out = ordinaryScales(spans, spacing, refit);
    // Refitting may give members different steps: each takes its group's
    // first scale, and keeps its own shown values.
    for (std::size_t i = 0; i < n && i < out.series.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!member(i, j)) continue;
            YScale shared = out.series[j];
            shared.min = out.series[i].min;
            shared.max = out.series[i].max;
            out.series[i] = shared;
            break;
        }
        out.series[i].min = ranges[i].first;
        out.series[i].max = ranges[i].second;
    }
    return out;
}

YScales normalRangeScales(const std::vector<std::pair<double, double>>& ranges, SpacingFn spacing) {
    YScales out;
    if (ranges.empty()) return out;
    double ymin = ranges[0].first, ymax = ranges[0].second;
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].first < ymin) ymin = ranges[i].first;
        if (ranges[i].second > ymax) ymax = ranges[i].second;
    }
    const YScale common = scaleFor(ymin, ymax, spacing);
    for (const auto& r : ranges) {
        YScale s = common;
        s.min = r.first;
        s.max = r.second;
        out.series.push_back(s);
    }
    out.nTicks = static_cast<int>(common.hi - common.lo);
    out.reference = 0;
    return out;
}

TimeWindow timeWindow(const std::list<ChartVariable>& variables, TimeRange range, std::int64_t now) {
    // A range none of the buttons names shows nothing.
    const bool spanned = range > TimeRange::Auto && range <= TimeRange::Week;
    TimeWindow w;
    for (const ChartVariable& v : variables) {
        if (v.points.empty()) continue;
        std::int64_t first = v.points.begin()->first.instant;
        std::int64_t last = v.points.rbegin()->first.instant;
        if (!w.anyPoint) {
            w.anyPoint = true;
            w.tMin = first;
            w.tMax = last;
        } else {
            if (last > w.tMax) w.tMax = last;
            if (first < w.tMin) w.tMin = first;
        }
    }
    if (!w.anyPoint) {
        w.tMax = now;
        w.tMin = now - 86400;
    } else if (spanned) {
        w.tMin = w.tMax - rangeSpan(range);
    }
    TimeKey start;
    start.instant = w.tMin;
    for (const ChartVariable& v : variables) {
        if (range == TimeRange::Auto) {
            w.begin.push_back(v.points.begin());
        } else if (spanned) {
            w.begin.push_back(v.points.lower_bound(start));
        } else {
            w.begin.push_back(v.points.end());
        }
        w.end.push_back(v.points.end());
    }
    return w;
}

int TimeAxis::ticks() const {
    double n = xmax - xmin;
    if (!(n >= 1)) return 1;
    if (n > kMaxTimeTicks) return kMaxTimeTicks;
    return static_cast<int>(n);
}

namespace {

TimeAxis axisWithStep(double S, std::int64_t tMin, std::int64_t tMax) {
    TimeAxis a;
    a.S = S;
    const double unit = a.S * 86400;
    a.xmin = std::floor((static_cast<double>(tMin) - 8640) / unit);
    a.xmax = std::ceil((static_cast<double>(tMax) + 8640) / unit);
    const bool toDay = a.S >= 0.25;
    int yearLeft = 0, yearRight = 0;
    std::int64_t t0 = snap(static_cast<std::int64_t>(a.xmin * 86400 * a.S), toDay, &yearLeft);
    a.xmin = static_cast<double>(t0) / unit;
    std::int64_t t1 = static_cast<std::int64_t>(a.xmax * 86400 * a.S);
    t1 = toDay ? t1 + 86400 : static_cast<std::int64_t>(static_cast<double>(t1) + unit);
    t1 = snap(t1, toDay, &yearRight);
    a.xmax = static_cast<double>(t1) / unit;
    a.sameYear = yearLeft == yearRight;
    return a;
}

}  // namespace

TimeAxis timeAxis(std::int64_t tMin, std::int64_t tMax, SpacingFn spacing) {
    // About eight intervals; a step that would give more than the axis
    // holds is doubled until it does not.
    double days = static_cast<double>(tMax - tMin) / 691200.0;
    for (int tries = 0;; ++tries) {
        TimeAxis a = axisWithStep(spacing(StepFor::Days, days), tMin, tMax);
        if (!(a.xmax - a.xmin > kMaxTimeTicks) || tries == 64) return a;
        days *= 2;
    }
}

TickLabel tickLabel(const TimeAxis& axis, double days, const Units::Preferences& units) {
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    platform::instantToLocal(static_cast<std::int64_t>(days * 86400), tm);
    int mon = tm.tm_mon >= 0 && tm.tm_mon < 12 ? tm.tm_mon : 0;
    TickLabel label;
    label.day = std::string(months[mon]) + " " + twoDigits(tm.tm_mday);
    if (axis.S < 1.0 && units.clock24) {
        label.second = twoDigits(tm.tm_hour) + ":00";
    } else if (axis.S < 1.0) {
        int h = tm.tm_hour % 12;
        label.second = twoDigits(h == 0 ? 12 : h) + (tm.tm_hour < 12 ? "AM" : "PM");
    } else if (!axis.sameYear) {
        label.second = std::to_string(tm.tm_year + 1900);
    }
    return label;
}

std::string shortDate(std::int64_t t, const Units::Preferences& units) {
    std::tm tm{};
    platform::instantToLocal(t, tm);
    if (units.dateStyle != Units::DateStyle::File) return ClockStyle::date(tm, units);
    int yy = ((tm.tm_year + 1900) % 100 + 100) % 100;
    return twoDigits(tm.tm_mon + 1) + "/" + twoDigits(tm.tm_mday) + "/" + twoDigits(yy);
}

std::string startText(std::int64_t t, const Units::Preferences& units) {
    std::tm tm{};
    platform::instantToLocal(t, tm);
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) return shortDate(t, units);
    // The minute is enough to tell the start; a 12-hour time keeps its AM or PM.
    std::string time = ClockStyle::time(tm, units);
    if (time.size() >= 8 && time[5] == ':') time.erase(5, 3);
    return shortDate(t, units) + " " + time;
}

std::vector<int> spreadLabels(const std::vector<int>& wanted, int height) {
    std::vector<std::size_t> order(wanted.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return wanted[a] < wanted[b]; });
    std::vector<int> rows(wanted);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const int below = rows[order[k - 1]] + height;
        if (rows[order[k]] < below) rows[order[k]] = below;
    }
    return rows;
}

PlotArea plotArea(int x, int y, int w, int h, double scale) {
    const auto at = [scale](int designed) { return static_cast<int>(std::lround(designed * scale)); };
    PlotArea plot;
    plot.left = x + w / 20 + at(10);
    plot.right = x + w - at(50);
    plot.top = y + at(90);
    plot.bottom = y + at(50) + 2 * h / 3;
    // Three fifths of the way down from the plot to the bottom of the widget.
    plot.legendRow = (3 * (y + h) + 2 * plot.bottom) / 5;
    return plot;
}

int gridRow(int k, int nTicks, int top, int bottom) {
    if (nTicks == 0) return bottom;
    return bottom + (top - bottom) * k / nTicks;
}

int tickColumn(int i, int n, int left, int right) {
    if (n == 0) return left;
    return left + (right - left) * i / n;
}

std::string title(const std::vector<std::string>& names) {
    if (names.empty()) return std::string();
    std::string text = "History for " + names[0];
    for (std::size_t i = 1; i < names.size(); ++i) text += (i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

std::string yLabel(double value, double step) {
    const std::string text = format(step == std::floor(step) ? "%.0f" : "%.1f", value);
    // A label wider than its place shows the value's first digits and its power of ten.
    return text.size() > kMaxLabelLength ? format("%.3g", value) : text;
}

std::string rangeText(double value) { return format(value == std::floor(value) ? "%.0f" : "%.1f", value); }

NormalRange normalRange(const XmlNode* variable, const std::string& seriesName, const Units::Preferences& units) {
    std::string lowText, highText;
    const XmlNode* low = variable ? variable->first_node("normalLow") : nullptr;
    const XmlNode* high = variable ? variable->first_node("normalHigh") : nullptr;
    if (low && high) {
        // A member of a grouped variable keeps its limits in its own element.
        const VariableMember* member = VariableTable::memberByLabel(seriesName);
        if (member && VariableTable::of(member->variable).grouped()) {
            low = low->first_node(member->element);
            high = high->first_node(member->element);
        }
        if (low && high) {
            lowText = low->value();
            highText = high->value();
        }
    }
    // A limit text too long for its field is ignored like an empty one.
    const std::size_t longest = 31;
    if (lowText.size() > longest) lowText.clear();
    if (highText.size() > longest) highText.clear();

    NormalRange r;
    bool ok = false;
    r.lo = parseLimit(lowText, seriesName, ok);
    if (!ok) r.lo = defaultFor(Global::defaultLow, seriesName);
    r.hi = parseLimit(highText, seriesName, ok);
    if (!ok) r.hi = defaultFor(Global::defaultHigh, seriesName);
    // The limits are stored like the readings; both are shown in the chosen unit.
    const Units::Quantity quantity = Units::quantityOf(seriesName);
    r.lo = Units::toShown(quantity, r.lo, units);
    r.hi = Units::toShown(quantity, r.hi, units);
    r.loText = Units::marked(rangeText(r.lo), units);
    r.hiText = Units::marked(rangeText(r.hi), units);
    return r;
}

std::string legendText(const std::string& name, Display display, const NormalRange& range,
                       const Units::Preferences& units) {
    // The legend names the unit of the series' own scale.
    std::string titled = Units::label(name, Units::quantityOf(name), units);
    if (display != Display::NormalRange) return titled;
    return titled + " (normal range: " + range.loText + " - " + range.hiText + ")";
}

std::string withUnit(const std::string& numberText, const std::string& seriesName, const Units::Preferences& units) {
    return units.named ? Units::withUnit(numberText, Units::quantityOf(seriesName), units) : numberText;
}

namespace {

struct Queue {
    std::vector<std::pair<int, int>> q;
    std::size_t head = 0;
    bool empty() const { return head == q.size(); }
    void push(int x, int y) { q.emplace_back(x, y); }
    void clear() {
        q.clear();
        head = 0;
    }
    // A filled triangle of the first three points; then count points leave.
    void shade(std::size_t count, bool above, std::vector<Triangle>& out) {
        Triangle t;
        for (int i = 0; i < 3; ++i) {
            t.x[i] = q[head + i].first;
            t.y[i] = q[head + i].second;
        }
        t.above = above;
        out.push_back(t);
        head += count;
        if (head == q.size()) {
            clear();
        } else if (head > 1024) {
            q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(head));
            head = 0;
        }
    }
};

// Where the segment from (px, py) to (x, y) meets row yl.
int crossingX(int px, int py, int x, int y, int yl) {
    return static_cast<int>(px + static_cast<std::int64_t>(x - px) * (yl - py) / (y - py));
}

void step(Queue& queue, bool out, bool above, int yl, const PixelPoint& prev, const PixelPoint& p,
          std::vector<Triangle>& triangles) {
    const bool flat = prev.y == p.y;  // no crossing can be computed on one pixel row
    if (queue.empty() && out) {
        if (flat) {
            queue.push(p.x, p.y);
            queue.push(p.x, yl);
            return;
        }
        queue.push(crossingX(prev.x, prev.y, p.x, p.y, yl), yl);
        queue.push(p.x, p.y);
        queue.push(p.x, yl);
        queue.shade(1, above, triangles);
    } else if (!queue.empty() && out) {
        queue.push(p.x, p.y);
        queue.shade(1, above, triangles);
        queue.push(p.x, yl);
        queue.shade(1, above, triangles);
    } else if (!queue.empty() && !out) {
        if (flat) {
            queue.clear();
            return;
        }
        queue.push(crossingX(prev.x, prev.y, p.x, p.y, yl), yl);
        queue.shade(3, above, triangles);
    }
}

}  // namespace

std::vector<Triangle> shadingTriangles(const std::vector<PixelPoint>& points, double lo, double hi, int yLo,
                                       int yHi) {
    std::vector<Triangle> triangles;
    if (points.empty()) return triangles;
    Queue below, aboveQ;
    const PixelPoint& first = points[0];
    if (first.value < lo) {
        below.push(first.x, first.y);
        below.push(first.x, yLo);
    }
    if (first.value > hi) {
        aboveQ.push(first.x, first.y);
        aboveQ.push(first.x, yHi);
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        step(below, points[i].value < lo, false, yLo, points[i - 1], points[i], triangles);
        step(aboveQ, points[i].value > hi, true, yHi, points[i - 1], points[i], triangles);
    }
    return triangles;
}

}  // namespace ChartMath
