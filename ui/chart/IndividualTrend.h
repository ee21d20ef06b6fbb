// One series' statistics in the trend panel.
#pragma once

#include <string>

#include <FL/Fl_Group.H>

#include "rules/chart/PointMap.h"
#include "rules/units/Units.h"

class IndividualTrend : public Fl_Group {
public:
    // The series' name is titled with the unit of the units given.
    IndividualTrend(int h, const std::string& name, const PointMap& points, const Units::Preferences& units);
    // The same for a stretch of a series, without copying its points.
    IndividualTrend(int h, const std::string& name, PointMap::const_iterator begin, PointMap::const_iterator end,
                    const Units::Preferences& units);
    ~IndividualTrend() override;

private:
    // The child boxes, with the name already made safe as a label.
    void build(const std::string& label, PointMap::const_iterator first, PointMap::const_iterator last,
               const Units::Preferences& units);
};
