// The chart's place in the keyboard's Tab order. While it has the focus (a
// dotted box around the plot shows it), Left and Right go through the
// chart's points and Return opens the picked point's row in its history.
#pragma once

#include <FL/Fl_Widget.H>

class MyChart;

class ChartKeys : public Fl_Widget {
public:
    // Made the last child of the chart, over its plot.
    explicit ChartKeys(MyChart& chart);

    int handle(int event) override;
    void draw() override;

private:
    MyChart& chart_;
};
