// One series of the chart: its name, its points by time and the variable
// element of the open user's document it was read from.
#pragma once

#include <string>

#include "store/XmlDocument.h"
#include "ui/chart/TimeKey.h"

struct ChartVariable {
    std::string name;
    PointMap points;
    XmlNode* node = nullptr;  // not owned; valid while the user's document is loaded
};
