#include "ui/chart/IndividualTrend.h"

IndividualTrend::IndividualTrend(int h, std::string, PointMap) : Fl_Group(0, 0, 150, h) { end(); }
IndividualTrend::~IndividualTrend() {}
