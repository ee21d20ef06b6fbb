#include "ui/chart/ChartKeys.h"

#include <FL/Fl.H>
#include <FL/Fl_Group.H>

#include "app/Trace.h"
#include "ui/chart/MyChart.h"

ChartKeys::ChartKeys(MyChart& chart)
    : Fl_Widget(chart.plot.left, chart.plot.top, chart.plot.width(), chart.plot.height()), chart_(chart) {
    box(FL_NO_BOX);
    chart.add(this);
}

int ChartKeys::handle(int event) {
    switch (event) {
        case FL_FOCUS:
        case FL_UNFOCUS:
            // The whole chart is drawn again, with or without the box.
            TRACE_MSG(4, "ChartKeys::handle") << (event == FL_FOCUS ? "The chart has the focus" : "The chart lost the focus");
            chart_.redraw();
            return 1;
        case FL_KEYBOARD: {
            if (Fl::focus() != this) return 0;
            if (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) return 0;
            const int key = Fl::event_key();
            if (key == FL_Right || key == FL_Left) return chart_.stepPoint(key == FL_Right ? 1 : -1) ? 1 : 0;
            if (key == FL_Enter || key == FL_KP_Enter) return chart_.openPickedHistory() ? 1 : 0;
            return 0;
        }
        default:
            // Clicks and the pointer's moves are the chart's own.
            return 0;
    }
}

void ChartKeys::draw() {
    // Only the focus box: the chart has drawn the plot under it.
    const ChartMath::PlotArea& plot = chart_.plot;
    draw_focus(FL_NO_BOX, plot.left - 4, plot.top - 4, plot.width() + 8, plot.height() + 8);
}
