// One series of the chart: its name, its points by time and the normal range
// it is drawn with. The chart keeps its own copies of all of them and never
// reads the user's document, so a document that is replaced or released
// while a series is shown cannot be read through the chart.
#pragma once

#include <string>

#include "rules/chart/PointMap.h"

// The normal range of a series: its limits and their texts as the chart
// labels them.
struct NormalRange {
    double lo = 0;
    double hi = 0;
    std::string loText;  // "%.0f" for whole numbers, "%.1f" otherwise
    std::string hiText;
};

struct ChartVariable {
    std::string name;
    PointMap points;
    std::string variable;  // name of the variable the series was read from (empty: none)
    NormalRange range;     // read from that variable when the series was made
};
