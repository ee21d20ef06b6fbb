#include "ui/chart/TrendBox.h"

TrendBox::TrendBox(int x, int y, int w) : Fl_Group(x, y, w, 196) { end(); }
TrendBox::~TrendBox() {}
void TrendBox::populate() {}
void TrendBox::draw() { Fl_Group::draw(); }
