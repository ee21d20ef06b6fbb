// The time chart: its series, the time-range buttons, the From/To row and
// the drawing of the whole chart.
#pragma once

#include <cstdint>
#include <ctime>
#include <list>
#include <string>
#include <vector>

#include <FL/Fl_Group.H>

#include "rules/chart/ChartMath.h"
#include "rules/chart/ChartVariable.h"
#include "store/XmlDocument.h"
#include "ui/chart/SeriesPainter.h"

class Fl_Pack;
class Fl_Button;
class Fl_Box;

class MyChart : public Fl_Group {
public:
    MyChart(int x, int w, int h);
    ~MyChart() override;

    int varCount = 0;
    // The time range the buttons chose, and whether the series are shown
    // side by side or against their normal range.
    ChartMath::TimeRange timeRange = ChartMath::TimeRange::Auto;
    ChartMath::Display display = ChartMath::Display::Multi;
    // Where the last draw put the plot (before the first, where it will be).
    ChartMath::PlotArea plot;
    Fl_Pack* timeRangePack = nullptr;
    Fl_Pack* datePack = nullptr;
    std::vector<Fl_Button*> timeButtons;
    Fl_Box* fromBox = nullptr;
    Fl_Box* toBox = nullptr;
    std::list<ChartVariable> variables;
    std::list<ChartVariable> shownVariables;
    Fl_Group* chartArea = nullptr;

    int dropVar(const char* name);
    int addPointToVariable(std::string name, std::tm when, double value);
    void addVariable(ChartVariable v);
    // Reads the normal range again for the series taken from the named
    // variable, after its limits were edited.
    void updateRanges(const std::string& variableName, const XmlNode* variable);
    void refresh();
    static void timeButtonCB(Fl_Widget* button, void* data);

    // Draws the whole chart when it changed, only its changed children when
    // only they did.
    void draw() override;
    // The whole draws so far (one per action that changes the chart).
    std::size_t draws = 0;
    // A click on a point shows its variable, date, time and value beside it;
    // a double-click opens the variable's history with that reading selected.
    int handle(int event) override;
    // From the keyboard: the next (direction 1) or previous (-1) drawn point
    // becomes the picked one, its details shown as after a click, across
    // the series in the order drawn; false when the chart shows no point.
    bool stepPoint(int direction);
    // Opens the picked point's variable's history with its reading
    // selected, as a double-click does; false when no point is picked.
    bool openPickedHistory();

    // A point as the last draw put it on the screen, and the series it belongs to.
    struct DrawnPoint {
        int x = 0, y = 0;
        std::size_t series = 0;  // index into drawnSeries
        std::int64_t instant = 0;
        double value = 0;
    };
    // A series as the last draw put it on the screen: its shown points (a
    // copy shared with the draw's), its scale, and, for each pixel column
    // from firstX on, the index of its first point; so what is kept grows
    // with the width of the chart, not with the readings.
    struct DrawnSeries {
        std::string name;      // "Pulse", "Systolic"
        std::string variable;  // the variable it was read from
        PointMap points;
        ChartMath::YScale scale;
        int firstX = 0;
        std::vector<std::uint32_t> columns;  // one more than the columns: the end
    };
    std::vector<DrawnSeries> drawnSeries;
    ChartMath::TimeAxis drawnAxis;  // the time axis of the last draw (over plot)
    // The number of points of the last draw, and one of them (index counts
    // the points of all series, in the order drawn).
    std::size_t drawnPointCount() const;
    DrawnPoint drawnPoint(std::size_t index) const;
    // The point whose details are shown: its series' name (empty: none) and instant.
    std::string pickedSeries;
    std::int64_t pickedInstant = 0;
    // The variable whose history a double-click opens when its button comes up.
    std::string historyOnRelease;
    // The drawn point within a few pixels of (x, y), the nearest (the first
    // drawn of equally near ones); false when none is.
    bool pointNear(int x, int y, DrawnPoint& found) const;
    // The point p of a drawn series (the series' index given) where the draw put it.
    DrawnPoint pointOf(const DrawnSeries& series, std::size_t index, PointMap::const_iterator p) const;
    // "Pulse, 2026/12/07 08:00:00 AM: 72"
    static std::string pointText(const std::string& series, std::int64_t instant, double value,
                                 const Units::Preferences& units);

    // The units of the main window the chart is part of (the defaults in a
    // window of its own).
    const Units::Preferences& units() const;

    // What an empty chart tells the person to do next; empty when it shows readings.
    std::string emptyHint() const;

    // A group for a row of packed widgets that only moves with the chart.
    static Fl_Group* fixedRow(int x, int y, int w, int h);

    // The scales of a draw.
    static double bestSpacing(ChartMath::StepFor what, double x);
    static ChartMath::YScale refittedScale(const ChartMath::YScale& scale, int intervals, double target);
    // The time a draw shows: each series' shown points and the time axis over them.
    struct ShownTime {
        ChartMath::TimeWindow window;
        ChartMath::TimeAxis axis;
    };
    // The shown time of the chosen time range; puts its first and last day
    // in the From/To row.
    ShownTime showTimeSpan();
    // The two lines of a time label.
    static ChartMath::TickLabel tickLabel(const ChartMath::TimeAxis& axis, double days,
                                          const Units::Preferences& units);

    // How series markers and lines reach the screen (the same pixels either way).
    SeriesPainter::Mode paintMode = SeriesPainter::defaultMode();

    // The shown stretch of one series in a draw, and a normal-range limit's
    // label, drawn once every series is (both only in MyChart.cpp).
    struct ShownStretch;
    struct LimitLabel;

private:
    // The steps of a draw, in their order.
    void drawReadings(std::list<ChartVariable>& previous);
    ChartMath::YScales scalesOf(const std::vector<ShownStretch>& stretches) const;
    void drawSeries(std::size_t index, const ChartVariable& v, const ShownStretch& stretch,
                    const ChartMath::YScales& scales, int& legendX, std::vector<LimitLabel>& limitLabels);
    void drawPickedPoint();
    void drawEmptyHint();
    void drawControls();
};
