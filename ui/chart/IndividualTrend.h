// One series' statistics in the trend panel.
#pragma once

#include <string>

#include <FL/Fl_Group.H>

#include "ui/chart/TimeKey.h"

class IndividualTrend : public Fl_Group {
public:
    IndividualTrend(int h, std::string name, PointMap points);
    // The same for a stretch of a series, without copying its points.
    IndividualTrend(int h, std::string name, PointMap::const_iterator begin, PointMap::const_iterator end);
    ~IndividualTrend() override;

private:
    void build(const std::string& name, PointMap::const_iterator begin, PointMap::const_iterator end);
};
