#include "ui/chart/MyChart.h"

MyChart::MyChart(int x, int w, int h) : Fl_Group(x, 52, w, h) {
    chartArea = new Fl_Group(x, 107, w, h - 30);
    resizable(chartArea);
}
MyChart::~MyChart() {}
int MyChart::dropVar(const char*) { return -1; }
int MyChart::addPointToVariable(std::string, std::tm, double) { return -1; }
void MyChart::addVariable(ChartVariable v) {
    variables.push_back(std::move(v));
    ++varCount;
}
void MyChart::refresh() { redraw(); }
void MyChart::timeButtonCB(Fl_Widget*, void*) {}
void MyChart::draw() { Fl_Group::draw(); }
