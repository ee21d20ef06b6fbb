// One series' statistics in the trend panel.
#pragma once

#include <string>

#include <FL/Fl_Group.H>

#include "rules/chart/PointMap.h"

class IndividualTrend : public Fl_Group {
public:
    IndividualTrend(int h, const std::string& name, const PointMap& points);
    // The same for a stretch of a series, without copying its points.
    IndividualTrend(int h, const std::string& name, PointMap::const_iterator begin, PointMap::const_iterator end);
    ~IndividualTrend() override;

private:
    // The child boxes, with the name already made safe as a label.
    void build(const std::string& label, PointMap::const_iterator first, PointMap::const_iterator last);
};
