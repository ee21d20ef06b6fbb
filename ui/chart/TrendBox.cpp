#include "ui/chart/TrendBox.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Pack.H>

#include "app/Trace.h"
#include "ui/chart/IndividualTrend.h"
#include "ui/chart/MyChart.h"
#include "ui/main/MainWindow.h"

TrendBox::TrendBox(int x, int y, int w) : Fl_Group(x, y, w, 196) {
    TRACE_SCOPE("TrendBox::TrendBox");
    Fl_Box* frame = new Fl_Box(x, y, w, 196, "Analysis");
    frame->box(FL_THIN_DOWN_BOX);
    frame->color(panelColor);
    frame->labelfont(FL_HELVETICA_BOLD);
    frame->align(FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    Fl_Group* row = MyChart::fixedRow(x + 10, y + 25, w - 6, 165);
    trendPack = new Fl_Pack(x + 10, y + 25, w - 6, 165);
    trendPack->spacing(10);
    trendPack->type(Fl_Pack::HORIZONTAL);
    trendPack->end();
    row->end();
    end();
}

TrendBox::~TrendBox() {}

namespace {

// The chart whose shown series the panel summarises: the chart it sits in,
// else the main window's.
MyChart* owningChart(Fl_Widget* panel) {
    Fl_Group* area = panel->parent();
    if (area) {
        if (MyChart* chart = dynamic_cast<MyChart*>(area->parent())) return chart;
    }
    MainWindow* window = MainWindow::of(panel);
    return window ? window->chart : nullptr;
}

}  // namespace

void TrendBox::populate() {
    TRACE_SCOPE("TrendBox::populate");
    // Building the groups must not change where the rest of the program's
    // widgets are created: the panel is rebuilt during every draw.
    Fl_Group* previous = Fl_Group::current();
    trends.clear();
    trendPack->clear();
    trendPack->begin();
    if (MyChart* chart = owningChart(this)) {
        const Units::Preferences& units = MainWindow::unitsOf(MainWindow::of(this));
        for (const ChartVariable& v : chart->shownVariables)
            trends.push_back(new IndividualTrend(trendPack->h(), v.name, v.points.begin(), v.points.end(), units));
    }
    trendPack->end();
    Fl_Group::current(previous);
}

void TrendBox::draw() {
    populate();
    Fl_Group::draw();
}
