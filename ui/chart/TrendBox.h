// The "Analysis" panel under the chart: one group per shown series with its
// average, minimum and maximum over the chart's time window.
#pragma once

#include <vector>

#include <FL/Fl_Group.H>

class Fl_Pack;
class IndividualTrend;

class TrendBox : public Fl_Group {
public:
    TrendBox(int x, int y, int w);
    ~TrendBox() override;

    std::vector<IndividualTrend*> trends;
    Fl_Pack* trendPack = nullptr;

    void populate();
    void draw() override;
};
