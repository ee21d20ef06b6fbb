// The "Analysis" panel: one group per shown series with its statistics,
// rebuilt at every draw of the chart.
#include "ChartFixture.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Pack.H>

#include "ui/chart/IndividualTrend.h"

namespace {

std::string labelOf(Fl_Widget* w) { return w->label() ? w->label() : ""; }

// The seven boxes of one group: name, then label and value three times.
std::vector<std::string> textsOf(IndividualTrend* t) {
    std::vector<std::string> out;
    for (int i = 0; i < t->children(); ++i) out.push_back(labelOf(t->child(i)));
    return out;
}

}  // namespace

TEST_F(ChartFixture, PanelFrameAndEmptyPack) {
    ASSERT_EQ(trends->children(), 2);
    Fl_Widget* frame = trends->child(0);
    EXPECT_EQ(labelOf(frame), "Analysis");
    EXPECT_EQ(frame->box(), FL_THIN_DOWN_BOX);
    EXPECT_EQ(frame->color(), panelColor);
    EXPECT_EQ(frame->labelfont(), FL_HELVETICA_BOLD);
    EXPECT_EQ(frame->align(), FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    EXPECT_EQ(trends->h(), 196);
    EXPECT_EQ(trends->trendPack->parent(), trends->child(1));
    EXPECT_EQ(trends->trendPack->x(), trends->x() + 10);
    EXPECT_EQ(trends->trendPack->y(), trends->y() + 25);
    EXPECT_EQ(trends->trendPack->h(), 165);
    EXPECT_EQ(trends->trendPack->spacing(), 10);
    EXPECT_EQ(trends->trendPack->children(), 0);
}

TEST_F(ChartFixture, GroupsShowNameAverageMinimumMaximum) {
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 120}, {instantOf(2026, 3, 2), 130},
                                        {instantOf(2026, 3, 3), 141}}));
    chart->addVariable(series("SpO2", {{instantOf(2026, 3, 2), 72}}));
    chart->refresh();
    render();
    ASSERT_EQ(trends->trends.size(), 2u);
    ASSERT_EQ(trends->trendPack->children(), 2);
    EXPECT_EQ(textsOf(trends->trends[0]), (std::vector<std::string>{"Pulse", "Average:", "130.33", "Minimum:",
                                                                     "120.0", "Maximum:", "141.0"}));
    EXPECT_EQ(textsOf(trends->trends[1]),
              (std::vector<std::string>{"SpO2", "Average:", "72.00", "Minimum:", "72.0", "Maximum:", "72.0"}));
    IndividualTrend* g = trends->trends[0];
    EXPECT_EQ(g->w(), 150);
    EXPECT_EQ(g->h(), 165);
    EXPECT_EQ(g->box(), FL_PLASTIC_DOWN_BOX);
    EXPECT_EQ(g->color(), FL_WHITE);
    EXPECT_EQ(g->child(0)->labelfont(), FL_HELVETICA_BOLD);
    // Children keep their places relative to the group after the pack moved it.
    EXPECT_EQ(g->child(2)->x() - g->x(), 85);
    EXPECT_EQ(g->child(2)->y() - g->y(), 35);
    EXPECT_EQ(g->child(6)->y() - g->y(), 75);
    EXPECT_EQ(g->child(1)->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

TEST_F(ChartFixture, FourGroupsSideBySideInLegendOrder) {
    const char* names[4] = {"D", "A", "C", "B"};
    for (int i = 0; i < 4; ++i) chart->addVariable(series(names[i], {{instantOf(2026, 3, 1 + i), 10.0 * i}}));
    chart->refresh();
    render();
    ASSERT_EQ(trends->trends.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(labelOf(trends->trends[i]->child(0)), names[i]);
        EXPECT_EQ(trends->trends[i]->x(), trends->x() + 10 + i * 160) << i;
        EXPECT_EQ(trends->trends[i]->y(), trends->y() + 25);
    }
}

TEST_F(ChartFixture, WeekChangesTheStatisticsAndEmptySeriesShowNoValues) {
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 100},
                                        {instantOf(2026, 3, 20), 60},
                                        {instantOf(2026, 3, 25), 70}}));
    chart->addVariable(series("Old", {{instantOf(2026, 3, 2), 5}}));
    chart->refresh();
    render();
    EXPECT_EQ(textsOf(trends->trends[0])[2], "76.67");
    chart->timeButtons[5]->do_callback();
    render();
    std::vector<std::string> pulse = textsOf(trends->trends[0]);
    EXPECT_EQ(pulse[2], "65.00");
    EXPECT_EQ(pulse[4], "60.0");
    EXPECT_EQ(pulse[6], "70.0");
    EXPECT_EQ(textsOf(trends->trends[1]),
              (std::vector<std::string>{"Old", "Average:", "", "Minimum:", "", "Maximum:", ""}));
}

TEST_F(ChartFixture, RemovingAllSeriesLeavesOnlyTheFrame) {
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 100}}));
    chart->refresh();
    render();
    ASSERT_EQ(trends->trends.size(), 1u);
    chart->dropVar("all");
    chart->refresh();
    Picture p = render();
    EXPECT_TRUE(trends->trends.empty());
    EXPECT_EQ(trends->trendPack->children(), 0);
    // Inside the panel only its own colour remains.
    EXPECT_EQ(p.at(trends->x() + 80, trends->y() + 100), rgbOf(panelColor));
}

TEST_F(ChartFixture, NamesWithSymbolsAndHugeValuesStayReadable) {
    chart->addVariable(series("@Weight", {{instantOf(2026, 3, 1), 2e15}, {instantOf(2026, 3, 2), 4e15}}));
    chart->refresh();
    render();
    ASSERT_EQ(trends->trends.size(), 1u);
    std::vector<std::string> texts = textsOf(trends->trends[0]);
    // "@" would start a symbol; doubled it shows itself.
    EXPECT_EQ(texts[0], "@@Weight");
    EXPECT_EQ(texts[2], "3e+15");
    EXPECT_EQ(texts[4], "2e+15");
    EXPECT_EQ(texts[6], "4e+15");
}

TEST_F(ChartFixture, RebuildingThePanelLeavesTheCurrentGroupAlone) {
    // Widgets made after a draw (a dialog, say) must not land in the panel.
    chart->addVariable(series("Pulse", {{instantOf(2026, 3, 1), 120}}));
    chart->refresh();
    Fl_Group::current(nullptr);
    render();
    EXPECT_EQ(Fl_Group::current(), nullptr);
    trends->populate();
    EXPECT_EQ(Fl_Group::current(), nullptr);
}
