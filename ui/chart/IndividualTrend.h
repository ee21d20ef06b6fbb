// One series' statistics in the trend panel.
#pragma once

#include <string>

#include <FL/Fl_Group.H>

#include "ui/chart/TimeKey.h"

class IndividualTrend : public Fl_Group {
public:
    IndividualTrend(int h, std::string name, PointMap points);
    ~IndividualTrend() override;
};
