#include "ui/chart/IndividualTrend.h"

#include <FL/Fl_Box.H>

#include "app/LiteralText.h"
#include "app/Trace.h"
#include "rules/chart/TrendStats.h"
#include "rules/units/Units.h"
#include "ui/main/TextScale.h"

namespace {

// The panel is built again at every draw of the chart, at the text size
// (ui/main/TextScale), its places relative to the panel's corner.
int s(int designed) { return TextScale::px(designed); }

Fl_Box* textBox(int x, int y, const char* text) {
    Fl_Box* b = new Fl_Box(s(x), s(y), s(30), s(15));
    b->labelsize(s(FL_NORMAL_SIZE));
    b->copy_label(text);
    b->box(FL_NO_BOX);
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    return b;
}

// The series' name, with the unit of its statistics once units are named.
std::string titleOf(const std::string& name, const Units::Preferences& units) {
    return Units::label(name, Units::quantityOf(name), units);
}

}  // namespace

IndividualTrend::IndividualTrend(int h, const std::string& name, const PointMap& points,
                                 const Units::Preferences& units)
    : Fl_Group(0, 0, s(150), h) {
    TRACE_SCOPE("IndividualTrend::IndividualTrend");
    build(LiteralText::label(titleOf(name, units)), points.begin(), points.end(), units);
}

IndividualTrend::IndividualTrend(int h, const std::string& name, PointMap::const_iterator begin,
                                 PointMap::const_iterator end, const Units::Preferences& units)
    : Fl_Group(0, 0, s(150), h) {
    TRACE_SCOPE("IndividualTrend::IndividualTrend");
    build(LiteralText::label(titleOf(name, units)), begin, end, units);
}

void IndividualTrend::build(const std::string& label, PointMap::const_iterator first, PointMap::const_iterator last,
                            const Units::Preferences& units) {
    box(FL_PLASTIC_DOWN_BOX);
    color(FL_WHITE);
    Fl_Box* title = new Fl_Box(s(5), s(5), s(140), s(20));
    title->labelsize(s(FL_NORMAL_SIZE));
    title->copy_label(label.c_str());
    title->box(FL_NO_BOX);
    title->labelfont(FL_HELVETICA_BOLD);
    // A name with its unit ("Postprandial (mmol/L)") fits the panel a size smaller.
    if (units.named) title->labelsize(s(12));
    TrendTexts stats = computeStats(first, last);
    for (std::string* text : {&stats.average, &stats.minimum, &stats.maximum}) *text = Units::marked(*text, units);
    TRACE_MSG(4, "IndividualTrend::build") << "Analysis of " << label << ": average " << stats.average
                                           << ", minimum " << stats.minimum << ", maximum " << stats.maximum;
    textBox(10, 35, "Average:");
    textBox(85, 35, stats.average.c_str());
    textBox(10, 55, "Minimum:");
    textBox(85, 55, stats.minimum.c_str());
    textBox(10, 75, "Maximum:");
    textBox(85, 75, stats.maximum.c_str());
    Fl_Group::end();
}

IndividualTrend::~IndividualTrend() {}
