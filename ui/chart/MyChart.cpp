#include "ui/chart/MyChart.h"

#include <algorithm>
#include <ctime>
#include <iostream>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Pack.H>
#include <FL/fl_draw.H>

#include "app/Trace.h"
#include "rules/chart/ChartMath.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/Units.h"
#include "rules/readings/ReadingDetails.h"
#include "store/Global.h"
#include "ui/chart/TrendBox.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

namespace {

const Fl_Color selectedButtonColor = fl_rgb_color(55, 156, 255);
const Fl_Color gridColor = static_cast<Fl_Color>(38);
const Fl_Color seriesColors[4] = {FL_RED, FL_BLUE, FL_DARK_GREEN, FL_DARK_CYAN};

Fl_Color rangeColor(int i) {
    static const Fl_Color colors[6] = {fl_rgb_color(24, 71, 157),  FL_DARK_CYAN, fl_rgb_color(83, 24, 157),
                                       FL_DARK_RED,                fl_rgb_color(200, 24, 216),
                                       fl_rgb_color(255, 96, 20)};
    return colors[i];
}

// The time range each button carries as user data, in the buttons' order.
const ChartMath::TimeRange kRanges[ChartMath::kTimeRanges] = {
    ChartMath::TimeRange::Auto,        ChartMath::TimeRange::Year,  ChartMath::TimeRange::SixMonths,
    ChartMath::TimeRange::ThreeMonths, ChartMath::TimeRange::Month, ChartMath::TimeRange::Week};
const char* const kModeLabels[6] = {"Auto", "Year", "6 Months", "3 Months", "Month", "Week"};
const char* const kModeTips[6] = {"Show every reading (Ctrl+1)", "Show the last year (Ctrl+2)",
                                  "Show the last six months (Ctrl+3)", "Show the last three months (Ctrl+4)",
                                  "Show the last month (Ctrl+5)", "Show the last week (Ctrl+6)"};

const int kLimitLabelHeight = 15;

// A designed length or font size at the text size (ui/main/TextScale).
int s(int designed) { return TextScale::px(designed); }

// Lines one pixel wide at the designed size, thicker as the text grows.
int lineWidth() { return TextScale::factor() >= 1.5 ? s(1) : 0; }

// The frame of the plot: its left and bottom axes.
void drawAxes(const ChartMath::PlotArea& plot) {
    fl_color(FL_BLACK);
    fl_line(plot.left, plot.bottom, plot.left, plot.top);
    fl_line(plot.left, plot.bottom, plot.right, plot.bottom);
}

// "History for A and B" above the plot.
void drawTitle(const ChartMath::PlotArea& plot, const std::list<ChartVariable>& variables) {
    std::vector<std::string> names;
    for (const ChartVariable& v : variables) names.push_back(v.name);
    fl_color(FL_BLACK);
    fl_font(FL_HELVETICA_BOLD, s(16));
    fl_draw(ChartMath::title(names).c_str(), plot.left, plot.top - s(40), plot.width(), s(40), FL_ALIGN_CENTER, nullptr,
            0);
}

// The ticks of the time axis below the plot, each with its two lines of label.
void drawTimeAxis(const ChartMath::PlotArea& plot, const ChartMath::TimeAxis& axis, const Units::Preferences& units) {
    const int n = axis.ticks();
    const double half = static_cast<double>(plot.width()) / (2 * n);
    const int labelWidth = plot.width() / n;
    for (int i = 0; i <= n; ++i) {
        const int xp = ChartMath::tickColumn(i, n, plot.left, plot.right);
        fl_color(gridColor);
        fl_line_style(FL_SOLID, lineWidth());
        fl_line(xp, plot.bottom - s(5), xp, plot.bottom);
        const ChartMath::TickLabel label = MyChart::tickLabel(axis, (i + axis.xmin) * axis.S, units);
        fl_color(gridColor);
        fl_font(FL_HELVETICA, s(12));
        const int lx = static_cast<int>(xp - half);
        fl_draw(label.day.c_str(), lx, plot.bottom + s(6), labelWidth, s(20), FL_ALIGN_CENTER);
        fl_draw(label.second.c_str(), lx, plot.bottom + s(20), labelWidth, s(20), FL_ALIGN_CENTER);
    }
}

// The dashed rows of the y scales' ticks across the plot.
void drawGrid(const ChartMath::PlotArea& plot, int nTicks) {
    fl_color(gridColor);
    for (int k = 1; k <= nTicks; ++k) {
        const int gy = ChartMath::gridRow(k, nTicks, plot.top, plot.bottom);
        fl_line_style(FL_DASH, lineWidth());
        fl_line(plot.left, gy, plot.right, gy);
    }
}

// The side of the plot a series' y labels go on, by its place in the chart:
// the first and fourth series label the left axis from outside, the second
// and third the right one.
bool labelsOutsideLeft(int slot) { return slot == 0 || slot == 3; }

// A series' y labels and their ticks, in the current colour, on its side of the plot.
void drawYLabels(const ChartMath::PlotArea& plot, std::size_t index, const ChartMath::YScale& scale, int nTicks,
                 const Units::Preferences& units) {
    const int slot = static_cast<int>(index % 4);
    const int x0 = (index % 2 == 0) ? plot.left : plot.right;
    const int d = labelsOutsideLeft(slot) ? s(5) : 0;
    for (int k = 0; k <= nTicks; ++k) {
        const double value = (scale.lo + k) * scale.step;
        const int ly = ChartMath::gridRow(k, nTicks, plot.top, plot.bottom);
        fl_line_style(FL_SOLID, lineWidth());
        fl_line(x0 - d, ly, x0 - d + s(5), ly);
        const std::string text = Units::marked(ChartMath::yLabel(value, scale.step), units);
        fl_font(FL_HELVETICA, s(12));
        if (labelsOutsideLeft(slot))
            fl_draw(text.c_str(), x0 - s(37), ly - s(15), s(30), s(15), FL_ALIGN_RIGHT);
        else
            fl_draw(text.c_str(), x0 + s(7), ly - s(15), s(30), s(15), FL_ALIGN_LEFT);
    }
}

// A series' legend entry at legendX on the legend row: a stretch of line with
// a marker in the current colour, then its text; legendX moves past it.
void drawLegendEntry(const ChartMath::PlotArea& plot, int& legendX, const std::string& text) {
    const int row = plot.legendRow;
    fl_line_style(FL_SOLID, lineWidth());
    fl_line(legendX, row, legendX + s(50), row);
    fl_pie(legendX + s(20), row - s(4), s(8), s(8), 0, 360);
    legendX += s(55);
    fl_color(FL_BLACK);
    fl_font(FL_HELVETICA, s(14));
    int lw = 0, lh = 0;
    fl_measure(text.c_str(), lw, lh, 0);
    fl_draw(text.c_str(), legendX, row - s(10), lw, s(20), FL_ALIGN_LEFT, nullptr, 0);
    legendX += lw + s(15);
}

}  // namespace

// Which of its limits a normal-range label names: the low one's label stands
// above its line, the high one's below.
enum class LimitSide { Low, High };

struct MyChart::LimitLabel {
    std::string text;
    int row;  // the row it is wanted at
    Fl_Color color;
    LimitSide side;
};

// The shown stretch of one series for a draw, and whether the previous
// draw's copy holds exactly these points.
struct MyChart::ShownStretch {
    PointMap::const_iterator begin;
    PointMap::const_iterator end;
    std::list<ChartVariable>::iterator previous;
    bool reusable = false;
};

namespace {

MyChart::ShownStretch collect(const ChartVariable& v, PointMap::const_iterator begin, PointMap::const_iterator end,
                              std::list<ChartVariable>& previous, std::list<ChartVariable>::iterator old) {
    MyChart::ShownStretch s;
    s.begin = begin;
    s.end = end;
    s.previous = old;
    s.reusable = old != previous.end() && old->name == v.name &&
                 old->points.size() == static_cast<std::size_t>(end - begin) &&
                 std::equal(begin, end, old->points.begin(), [](const PointMap::value_type& a, const PointMap::value_type& b) {
                     return a.first.instant == b.first.instant && a.second == b.second;
                 });
    return s;
}

// The shown points of every series, read once; the copies of the last draw
// are taken back for series whose shown points did not change.
std::vector<MyChart::ShownStretch> shownStretches(const std::list<ChartVariable>& variables,
                                                  const ChartMath::TimeWindow& window,
                                                  std::list<ChartVariable>& previous) {
    std::vector<MyChart::ShownStretch> stretches;
    auto old = previous.begin();
    std::size_t index = 0;
    for (auto it = variables.begin(); it != variables.end(); ++it, ++index) {
        stretches.push_back(collect(*it, window.begin[index], window.end[index], previous, old));
        if (old != previous.end()) ++old;
    }
    return stretches;
}

// The pixel positions of the shown points of a series.
std::vector<std::pair<int, int>> pixelsOf(const MyChart::ShownStretch& stretch, const ChartMath::TimeAxis& axis,
                                          const ChartMath::YScale& scale, const ChartMath::PlotArea& plot) {
    std::vector<std::pair<int, int>> line;
    line.reserve(static_cast<std::size_t>(stretch.end - stretch.begin));
    for (auto p = stretch.begin; p != stretch.end; ++p)
        line.emplace_back(ChartMath::xPixel(p->first.instant, axis.xmin, axis.xmax, axis.S, plot.left, plot.right),
                          ChartMath::yPixel(p->second, scale.step, scale.lo, scale.hi, plot.top, plot.bottom));
    return line;
}

// A series as the draw puts it: for clicks, where each pixel column's points begin.
MyChart::DrawnSeries drawnSeriesOf(const ChartVariable& v, const ChartMath::YScale& scale,
                                   const std::vector<std::pair<int, int>>& line) {
    MyChart::DrawnSeries drawn;
    drawn.name = v.name;
    drawn.variable = v.variable;
    drawn.scale = scale;
    if (!line.empty()) {
        drawn.firstX = line.front().first;
        drawn.columns.assign(static_cast<std::size_t>(line.back().first - drawn.firstX) + 2, 0);
        std::size_t column = 0;
        for (std::size_t i = 0; i < line.size(); ++i)
            while (column <= static_cast<std::size_t>(line[i].first - drawn.firstX))
                drawn.columns[column++] = static_cast<std::uint32_t>(i);
        drawn.columns.back() = static_cast<std::uint32_t>(line.size());
    }
    return drawn;
}

// The rows of a normal range's limits on the common scale.
struct LimitRows {
    int low = 0;
    int high = 0;
};

LimitRows limitRowsOf(const NormalRange& range, const ChartMath::YScale& common, const ChartMath::PlotArea& plot) {
    return {ChartMath::yPixel(range.lo, common.step, common.lo, common.hi, plot.top, plot.bottom),
            ChartMath::yPixel(range.hi, common.step, common.lo, common.hi, plot.top, plot.bottom)};
}

// The shading of a series beyond its normal range, by the values beside their pixels.
void drawShading(const MyChart::ShownStretch& stretch, const std::vector<std::pair<int, int>>& line,
                 const NormalRange& range, LimitRows rows, const ChartMath::PlotArea& plot, SeriesPainter::Mode mode) {
    std::vector<ChartMath::PixelPoint> pixels;
    pixels.reserve(line.size());
    auto at = line.begin();
    for (auto p = stretch.begin; p != stretch.end; ++p, ++at) pixels.push_back({at->first, at->second, p->second});
    std::vector<ChartMath::Triangle> triangles =
        ChartMath::shadingTriangles(pixels, range.lo, range.hi, rows.low, rows.high);
    // Limits beyond the shown values put their rows outside the plot: the
    // shading stops at its edges.
    fl_push_clip(plot.left, plot.top, plot.width() + 1, plot.height() + 1);
    SeriesPainter::drawShading(triangles, rangeColor(3), rangeColor(2), mode);
    fl_pop_clip();
}

}  // namespace

Fl_Group* MyChart::fixedRow(int x, int y, int w, int h) {
    // A row of packed widgets keeps its size when the window is resized: a
    // pack that changed size while the window was small would otherwise not
    // come back to its place when the window grows again.
    Fl_Group* row = new Fl_Group(x, y, w, h);
    row->resizable(nullptr);
    return row;
}

MyChart::MyChart(int x, int w, int h) : Fl_Group(x, 52, w, h) {
    TRACE_SCOPE("MyChart::MyChart");
    varCount = 0;
    plot = ChartMath::plotArea(x, 52, w, h);

    Fl_Group* rangeRow = fixedRow(x + 10, 57, w, 20);
    timeRangePack = new Fl_Pack(x + 10, 57, w, 20);
    timeRangePack->type(Fl_Pack::HORIZONTAL);
    timeRangePack->spacing(10);
    Fl_Box* rangeLabel = new Fl_Box(0, 0, 100, 20, "Time Range:");
    rangeLabel->box(FL_ROUNDED_FRAME);
    for (int i = 0; i < ChartMath::kTimeRanges; ++i) {
        Fl_Button* b = new Fl_Button(0, 0, 80, 20, kModeLabels[i]);
        b->callback(timeButtonCB, const_cast<ChartMath::TimeRange*>(&kRanges[i]));
        b->tooltip(kModeTips[i]);
        timeButtons.push_back(b);
    }
    timeButtons[0]->color(selectedButtonColor);
    timeRangePack->end();
    timeRangePack->deactivate();
    rangeRow->end();

    Fl_Group* dateRow = fixedRow(x + 30, 84, w, 20);
    datePack = new Fl_Pack(x + 30, 84, w, 20);
    datePack->type(Fl_Pack::HORIZONTAL);
    datePack->spacing(10);
    Fl_Box* fromLabel = new Fl_Box(0, 0, 35, 20, "From: ");
    fromLabel->box(FL_NO_BOX);
    fromBox = new Fl_Box(0, 0, 70, 20);
    fromBox->box(FL_PLASTIC_DOWN_BOX);
    fromBox->color(FL_WHITE);
    Fl_Box* toLabel = new Fl_Box(0, 0, 25, 20, "To: ");
    toLabel->box(FL_NO_BOX);
    toBox = new Fl_Box(0, 0, 70, 20);
    toBox->box(FL_PLASTIC_DOWN_BOX);
    toBox->color(FL_WHITE);
    datePack->end();
    datePack->deactivate();
    dateRow->end();

    // Left open: the trend panel constructed next becomes its child.
    chartArea = new Fl_Group(x, 107, w, h - 30);
    resizable(chartArea);
}

MyChart::~MyChart() {}

int MyChart::dropVar(const char* name) {
    TRACE_SCOPE("MyChart::dropVar");
    if (!name) return -1;
    if (std::string(name) == "all") {
        variables.clear();
        varCount = 0;
        return 0;
    }
    for (auto it = variables.begin(); it != variables.end(); ++it) {
        if (it->name == name) {
            variables.erase(it);
            varCount = static_cast<int>(variables.size());
            return 0;
        }
    }
    return -1;
}

int MyChart::addPointToVariable(std::string name, std::tm when, double value) {
    TRACE_SCOPE("MyChart::addPointToVariable");
    const std::string wanted = std::move(name);
    for (ChartVariable& v : variables) {
        if (v.name != wanted) continue;
        TimeKey key = TimeKey::fromTm(when);
        if (!key.valid) {
            TRACE_MSG(4, "MyChart::addPointToVariable") << "Time out of range, point not added to " << wanted;
            return -1;
        }
        v.points[key] = value;
        return 0;
    }
    return -1;
}

void MyChart::addVariable(ChartVariable v) {
    variables.push_back(std::move(v));
    varCount = static_cast<int>(variables.size());
}

void MyChart::updateRanges(const std::string& variableName, const XmlNode* variable) {
    bool changed = false;
    for (ChartVariable& v : variables) {
        if (v.variable != variableName) continue;
        v.range = ChartMath::normalRange(variable, v.name, units());
        changed = true;
    }
    if (changed) redraw();
}

void MyChart::refresh() {
    redraw();
    if (varCount == 0) {
        timeRangePack->deactivate();
        datePack->deactivate();
        for (std::size_t i = 0; i < timeButtons.size(); ++i)
            timeButtons[i]->color(i == 0 ? selectedButtonColor : FL_BACKGROUND_COLOR);
        timeRange = ChartMath::TimeRange::Auto;
        // An empty chart (no user, or nothing chosen) spans no dates.
        fromBox->copy_label("");
        toBox->copy_label("");
    } else {
        timeRangePack->activate();
        datePack->activate();
    }
    MainWindow* mainWindow = MainWindow::of(this);
    if (mainWindow && mainWindow->trendBox) mainWindow->trendBox->redraw();
}

void MyChart::timeButtonCB(Fl_Widget* button, void* data) {
    TRACE_SCOPE("MyChart::timeButtonCB");
    MyChart* chart = nullptr;
    for (Fl_Widget* w = button; w && !chart; w = w->parent()) chart = dynamic_cast<MyChart*>(w);
    if (!chart || !data) return;
    chart->timeRange = *static_cast<const ChartMath::TimeRange*>(data);
    std::cout << "Mode is now " << static_cast<int>(chart->timeRange) << std::endl;
    for (Fl_Button* b : chart->timeButtons) b->color(FL_BACKGROUND_COLOR);
    button->color(selectedButtonColor);
    chart->refresh();
}

double MyChart::bestSpacing(ChartMath::StepFor what, double x) {
    TRACE_SCOPE("MyChart::bestSpacing");
    return ChartMath::bestSpacing(what, x);
}

ChartMath::YScale MyChart::refittedScale(const ChartMath::YScale& scale, int intervals, double target) {
    TRACE_SCOPE("MyChart::refittedScale");
    return ChartMath::refittedScale(scale, intervals, target);
}

MyChart::ShownTime MyChart::showTimeSpan() {
    TRACE_SCOPE("MyChart::showTimeSpan");
    ShownTime shown;
    shown.window = ChartMath::timeWindow(variables, timeRange, static_cast<std::int64_t>(std::time(nullptr)));
    shown.axis = ChartMath::timeAxis(shown.window.tMin, shown.window.tMax, &MyChart::bestSpacing);
    // An ISO date is wider than the usual one; the pack lays the row out again.
    const int dateWidth = s(units().dateStyle != Units::DateStyle::File ? 84 : 70);
    // A range that starts within a day shows its time too (Week, Month and
    // Year run back from the last reading's time).
    const std::string from = ChartMath::startText(shown.window.tMin, units());
    const bool withTime = from != ChartMath::shortDate(shown.window.tMin, units());
    const int timeWidth = !withTime ? 0 : s(units().clock24 ? 46 : 72);
    fromBox->size(dateWidth + timeWidth, fromBox->h());
    toBox->size(dateWidth, toBox->h());
    fromBox->copy_label(from.c_str());
    fromBox->copy_tooltip(timeWidth ? "The chart starts at this time: readings of that day before it are not shown "
                                      "and not in the averages."
                                    : nullptr);
    toBox->copy_label(ChartMath::shortDate(shown.window.tMax, units()).c_str());
    datePack->redraw();
    return shown;
}

ChartMath::TickLabel MyChart::tickLabel(const ChartMath::TimeAxis& axis, double days, const Units::Preferences& units) {
    TRACE_SCOPE("MyChart::tickLabel");
    return ChartMath::tickLabel(axis, days, units);
}

void MyChart::draw() {
    // Only a child changed (a time button pressed, the trend panel): only
    // the children that changed are drawn again, over the chart as it is.
    if ((damage() & ~FL_DAMAGE_CHILD) == 0) {
        for (int i = 0; i < children(); ++i) update_child(*child(i));
        return;
    }
    TRACE_SCOPE("MyChart::draw");
    ++draws;
    plot = ChartMath::plotArea(x(), y(), w(), h(), TextScale::factor());
    // The copies of the last draw are kept aside: a series whose shown
    // points did not change takes its copy back instead of a new one.
    std::list<ChartVariable> previous;
    previous.swap(shownVariables);

    fl_draw_box(FL_THIN_DOWN_BOX, x(), y(), w(), h(), panelColor);
    fl_draw_box(FL_FLAT_BOX, plot.left, plot.top, plot.width(), plot.height(), FL_WHITE);
    drawnSeries.clear();
    if (varCount > 0 && !variables.empty()) drawReadings(previous);
    drawPickedPoint();
    drawEmptyHint();
    drawControls();
}

void MyChart::drawReadings(std::list<ChartVariable>& previous) {
    drawAxes(plot);
    drawTitle(plot, variables);
    const ShownTime shown = showTimeSpan();
    drawnAxis = shown.axis;
    drawTimeAxis(plot, drawnAxis, units());
    const std::vector<ShownStretch> stretches = shownStretches(variables, shown.window, previous);
    const ChartMath::YScales scales = scalesOf(stretches);
    drawGrid(plot, scales.nTicks);

    int legendX = x() + s(20);
    std::vector<LimitLabel> limitLabels;
    std::size_t index = 0;
    for (auto it = variables.begin(); it != variables.end(); ++it, ++index) {
        drawSeries(index, *it, stretches[index], scales, legendX, limitLabels);
        // The points drawn are kept, the last draw's copy when they did not change.
        const ShownStretch& stretch = stretches[index];
        if (stretch.reusable)
            shownVariables.push_back(std::move(*stretch.previous));
        else
            shownVariables.push_back(
                ChartVariable{it->name, PointMap::stretchOf(it->points, stretch.begin, stretch.end), it->variable,
                              it->range});
        drawnSeries.back().points = shownVariables.back().points;
    }
    fl_line_style(0);

    // Limit labels that would overlap are moved apart.
    std::vector<int> rows;
    rows.reserve(limitLabels.size());
    for (const LimitLabel& l : limitLabels) rows.push_back(l.row);
    rows = ChartMath::spreadLabels(rows, s(kLimitLabelHeight));
    fl_font(FL_HELVETICA_BOLD, s(12));
    for (std::size_t i = 0; i < limitLabels.size(); ++i) {
        const LimitLabel& l = limitLabels[i];
        fl_color(l.color);
        fl_draw(l.text.c_str(), plot.left + s(5), rows[i], s(30), s(kLimitLabelHeight),
                l.side == LimitSide::Low ? FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_RIGHT
                                         : FL_ALIGN_TOP | FL_ALIGN_BOTTOM | FL_ALIGN_LEFT);
    }
}

ChartMath::YScales MyChart::scalesOf(const std::vector<ShownStretch>& stretches) const {
    std::vector<std::pair<double, double>> ranges;
    std::vector<std::string> groups;
    std::vector<bool> hasPoints;
    for (const ChartVariable& v : variables) groups.push_back(v.variable);
    for (const ShownStretch& st : stretches) {
        hasPoints.push_back(st.begin != st.end);
        double mn = 0, mx = 0;
        ChartMath::valueRange(st.begin, st.end, mn, mx);
        ranges.emplace_back(mn, mx);
    }
    ChartMath::YScales scales;
    if (display == ChartMath::Display::NormalRange)
        scales = ChartMath::normalRangeScales(ranges, &MyChart::bestSpacing);
    else
        scales = ChartMath::groupedScales(ranges, groups, hasPoints, &MyChart::bestSpacing, &MyChart::refittedScale);
    std::size_t i = 0;
    for (auto it = variables.begin(); it != variables.end() && i < scales.series.size(); ++it, ++i) {
        const ChartMath::YScale& sc = scales.series[i];
        TRACE_MSG(4, "MyChart::draw") << "Y axis of " << it->name << ": "
                                      << ChartMath::yLabel(static_cast<double>(sc.lo) * sc.step, sc.step) << " to "
                                      << ChartMath::yLabel(static_cast<double>(sc.hi) * sc.step, sc.step);
    }
    return scales;
}

void MyChart::drawSeries(std::size_t index, const ChartVariable& v, const ShownStretch& stretch,
                         const ChartMath::YScales& scales, int& legendX, std::vector<LimitLabel>& limitLabels) {
    const ChartMath::YScale& scale = scales.series[index];
    const bool againstRange = display == ChartMath::Display::NormalRange;
    const Fl_Color color = againstRange ? rangeColor(static_cast<int>(index % 2)) : seriesColors[index % 4];
    fl_color(color);
    drawYLabels(plot, index, scale, scales.nTicks, units());
    drawLegendEntry(plot, legendX, ChartMath::legendText(v.name, display, v.range, units()));

    const std::vector<std::pair<int, int>> line = pixelsOf(stretch, drawnAxis, scale, plot);
    drawnSeries.push_back(drawnSeriesOf(v, scale, line));
    LimitRows limits;
    if (againstRange) {
        limits = limitRowsOf(v.range, scales.series[0], plot);
        drawShading(stretch, line, v.range, limits, plot, paintMode);
    }
    // The series line with its markers.
    fl_color(color);
    // Thicker as the text grows, while the line can be followed at all: a
    // series with more points than the plot has pixel columns is a band of
    // markers, which a thick line (many times slower to draw) would not change.
    fl_line_style(FL_SOLID, line.size() <= static_cast<std::size_t>(plot.width()) ? lineWidth() : 0);
    SeriesPainter::drawSeries(line, paintMode, s(8));
    if (!againstRange) return;
    // A limit line only where its row lies in the plot; its label above the
    // low line and below the high line, drawn once every series is.
    const Fl_Color limitColor = rangeColor(4 + static_cast<int>(index % 2));
    fl_color(limitColor);
    fl_line_style(FL_DASH, s(2));
    if (limits.low >= plot.top && limits.low <= plot.bottom) {
        fl_line(plot.left, limits.low, plot.right, limits.low);
        limitLabels.push_back(
            {ChartMath::withUnit(v.range.loText, v.name, units()), limits.low - s(20), limitColor, LimitSide::Low});
    }
    if (limits.high >= plot.top && limits.high <= plot.bottom) {
        fl_line(plot.left, limits.high, plot.right, limits.high);
        limitLabels.push_back(
            {ChartMath::withUnit(v.range.hiText, v.name, units()), limits.high + s(5), limitColor, LimitSide::High});
    }
}

void MyChart::drawPickedPoint() {
    // The details of the picked point beside it, while it is shown.
    DrawnPoint shownPick;
    const DrawnPoint* picked = nullptr;
    for (std::size_t i = 0; i < drawnSeries.size(); ++i) {
        const DrawnSeries& series = drawnSeries[i];
        if (series.name != pickedSeries) continue;
        const auto p = series.points.lower_bound(TimeKey::fromInstant(pickedInstant));
        if (p == series.points.end() || p->first.instant != pickedInstant) continue;
        shownPick = pointOf(series, i, p);
        picked = &shownPick;
    }
    if (!picked) {
        pickedSeries.clear();
        return;
    }
    std::string text = pointText(pickedSeries, picked->instant, picked->value, units());
    // What was said about the reading, on a line of its own.
    XmlNode* patient = Global::userOpen ? Global::userDoc->first_node("patient") : nullptr;
    const std::string said =
        ReadingDetails::atPoint(patient, pickedSeries, TimeKey::fromInstant(picked->instant).tm).pointLine();
    if (!said.empty()) text += "\n" + said;
    fl_font(FL_HELVETICA, s(12));
    int tw = 0, th = 0;
    fl_measure(text.c_str(), tw, th, 0);
    tw += s(10);
    th += s(6);
    // Right of the point, or left of it near the right edge; above it, or below near the top.
    const int bx = picked->x + s(8) + tw > plot.right ? picked->x - s(8) - tw : picked->x + s(8);
    const int by = picked->y - th - s(4) < plot.top ? picked->y + s(4) : picked->y - th - s(4);
    fl_draw_box(FL_BORDER_BOX, bx, by, tw, th, fl_rgb_color(255, 255, 225));
    fl_color(FL_BLACK);
    fl_draw(text.c_str(), bx + s(5), by, tw - s(10), th, FL_ALIGN_LEFT, nullptr, 0);
}

void MyChart::drawEmptyHint() {
    const std::string hint = emptyHint();
    if (hint.empty()) return;
    TRACE_MSG(4, "MyChart::draw") << "Hint: " << hint;
    fl_color(FL_DARK3);
    fl_font(FL_HELVETICA, s(16));
    fl_draw(hint.c_str(), plot.left, plot.top, plot.width(), plot.height(), FL_ALIGN_CENTER | FL_ALIGN_WRAP, nullptr,
            0);
}

void MyChart::drawControls() {
    // The control rows and the trend panel, always in full: the background
    // above has just been painted over them.
    for (int i = 0; i < children(); ++i) {
        Fl_Widget& c = *child(i);
        draw_child(c);
        draw_outside_label(c);
    }
}

std::string MyChart::emptyHint() const {
    if (!Global::userOpen) {
        // A first start has nobody to choose yet.
        const XmlNode* config = Global::configDoc->first_node("config");
        if (!config || !config->first_node("patient")) return "Add a person: File \342\206\222 New or Ctrl+N";
        return "Choose a person in the Users List";
    }
    if (varCount == 0 || variables.empty()) return "Choose a variable in Multi-Display or Normal Range Display";
    const ChartMath::TimeWindow window =
        ChartMath::timeWindow(variables, timeRange, static_cast<std::int64_t>(std::time(nullptr)));
    for (std::size_t i = 0; i < window.begin.size() && i < window.end.size(); ++i)
        if (window.begin[i] != window.end[i]) return std::string();
    return "No readings between " + ChartMath::shortDate(window.tMin, units()) + " and " +
           ChartMath::shortDate(window.tMax, units());
}

MyChart::DrawnPoint MyChart::pointOf(const DrawnSeries& series, std::size_t index, PointMap::const_iterator p) const {
    DrawnPoint point;
    point.x = ChartMath::xPixel(p->first.instant, drawnAxis.xmin, drawnAxis.xmax, drawnAxis.S, plot.left, plot.right);
    point.y =
        ChartMath::yPixel(p->second, series.scale.step, series.scale.lo, series.scale.hi, plot.top, plot.bottom);
    point.series = index;
    point.instant = p->first.instant;
    point.value = p->second;
    return point;
}

std::size_t MyChart::drawnPointCount() const {
    std::size_t n = 0;
    for (const DrawnSeries& s : drawnSeries) n += s.points.size();
    return n;
}

MyChart::DrawnPoint MyChart::drawnPoint(std::size_t index) const {
    for (std::size_t i = 0; i < drawnSeries.size(); ++i) {
        const DrawnSeries& s = drawnSeries[i];
        if (index < s.points.size()) return pointOf(s, i, s.points.begin() + static_cast<std::ptrdiff_t>(index));
        index -= s.points.size();
    }
    return DrawnPoint();
}

bool MyChart::pointNear(int px, int py, DrawnPoint& found) const {
    const int reach = s(6);  // a little more than a marker's radius
    bool any = false;
    int bestDistance = reach * reach + 1;
    for (std::size_t i = 0; i < drawnSeries.size(); ++i) {
        const DrawnSeries& s = drawnSeries[i];
        if (s.columns.size() < 2) continue;
        // Only the points of the columns within reach.
        const int lastColumn = static_cast<int>(s.columns.size()) - 2;
        const int from = std::max(0, px - reach - s.firstX);
        const int to = std::min(lastColumn, px + reach - s.firstX);
        if (from > to) continue;
        const auto begin = s.points.begin() + static_cast<std::ptrdiff_t>(s.columns[static_cast<std::size_t>(from)]);
        const auto end = s.points.begin() + static_cast<std::ptrdiff_t>(s.columns[static_cast<std::size_t>(to) + 1]);
        for (auto p = begin; p != end; ++p) {
            const DrawnPoint point = pointOf(s, i, p);
            const int dx = point.x - px, dy = point.y - py;
            const int d = dx * dx + dy * dy;
            if (d < bestDistance) {
                bestDistance = d;
                found = point;
                any = true;
            }
        }
    }
    return any;
}

std::string MyChart::pointText(const std::string& series, std::int64_t instant, double value,
                               const Units::Preferences& units) {
    const TimeKey key = TimeKey::fromInstant(instant);
    return series + ", " + ClockStyle::date(key.tm, units) + " " + ClockStyle::time(key.tm, units) + ": " +
           ChartMath::withUnit(Units::marked(Units::trimmed(value, Units::kReadingDecimals), units), series, units);
}

const Units::Preferences& MyChart::units() const { return MainWindow::unitsOf(MainWindow::of(this)); }

bool MyChart::stepPoint(int direction) {
    if (drawnPointCount() == 0) return false;
    // Where the picked point is now: its series and its place in it.
    std::ptrdiff_t series = -1, place = -1;
    for (std::size_t i = 0; i < drawnSeries.size() && series < 0; ++i) {
        if (drawnSeries[i].name != pickedSeries) continue;
        const PointMap& points = drawnSeries[i].points;
        for (auto p = points.begin(); p != points.end(); ++p)
            if (p->first.instant == pickedInstant) {
                series = static_cast<std::ptrdiff_t>(i);
                place = p - points.begin();
                break;
            }
    }
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(drawnSeries.size());
    if (series < 0) {
        // Nothing picked (or no longer shown): the first or the last point.
        series = direction > 0 ? 0 : count - 1;
        place = direction > 0 ? -1 : static_cast<std::ptrdiff_t>(drawnSeries[series].points.size());
    }
    place += direction;
    // Past the end of a series, on to the next one that has points; at
    // either end of the chart the pick stays.
    while (place < 0 || place >= static_cast<std::ptrdiff_t>(drawnSeries[series].points.size())) {
        const std::ptrdiff_t next = series + direction;
        if (next < 0 || next >= count) return true;
        series = next;
        place = direction > 0 ? 0 : static_cast<std::ptrdiff_t>(drawnSeries[series].points.size()) - 1;
    }
    const DrawnSeries& s = drawnSeries[series];
    const auto point = s.points.begin() + place;
    pickedSeries = s.name;
    pickedInstant = point->first.instant;
    TRACE_MSG(4, "MyChart::stepPoint") << "Point picked: " << pointText(s.name, pickedInstant, point->second, units());
    redraw();
    return true;
}

bool MyChart::openPickedHistory() {
    for (const DrawnSeries& s : drawnSeries) {
        if (pickedSeries.empty() || s.name != pickedSeries) continue;
        if (MainWindow* mainWindow = MainWindow::of(this)) mainWindow->openHistory(s.variable, pickedInstant);
        return true;
    }
    return false;
}

int MyChart::handle(int event) {
    if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE) {
        DrawnPoint p;
        if (pointNear(Fl::event_x(), Fl::event_y(), p)) {
            const DrawnSeries& series = drawnSeries[p.series];
            pickedSeries = series.name;
            pickedInstant = p.instant;
            TRACE_MSG(4, "MyChart::handle") << "Point picked: " << pointText(series.name, p.instant, p.value, units());
            // The history opens once the button is up: the rest of this
            // click must not reach the window that opens under the pointer.
            historyOnRelease = Fl::event_clicks() > 0 ? series.variable : std::string();
            redraw();
            return 1;
        }
        if (!pickedSeries.empty()) {
            pickedSeries.clear();
            redraw();
        }
    }
    if (event == FL_RELEASE && !historyOnRelease.empty()) {
        const std::string variable = historyOnRelease;
        historyOnRelease.clear();
        if (MainWindow* mainWindow = MainWindow::of(this)) mainWindow->openHistory(variable, pickedInstant);
        return 1;
    }
    return Fl_Group::handle(event);
}
