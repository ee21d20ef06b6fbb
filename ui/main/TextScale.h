// The one size every window and dialog is drawn at: the person's text size
// (100 to 200 %). A window is built at its designed size; just before it is
// first shown, TextScale::fit lays it out at the chosen size in one walk
// over its widgets (place and size, label and text sizes, the columns of
// lists and tables), as large as fits the screen's work area. Widgets that
// draw for themselves (the chart, the history table) read px() from here.
#pragma once

class Fl_Window;
class Fl_Widget;

namespace TextScale {

// The chosen size in percent and as a factor (1.0 to 2.0).
int percent();
double factor();
// Takes a new size (an offered one, TextSize): the windows shown next are
// laid out at it; the toolkit's own pieces (tooltips, scroll bars) follow
// at once.
void setPercent(int percent);

// A designed length or font size at the chosen size.
int px(int designed);

// Lays a window built at its designed size out at the chosen size, as large
// as fits the work area of the screen it is on (never smaller than
// designed), and keeps it within that work area. Returns the factor used.
double fit(Fl_Window& window);

// Lays a window out again at the factor to from the factor from it was laid
// out at (a window already shown whose size changes while it is open):
// every length and font size is taken back to its designed value first, so
// that going up and down does not wander. The window keeps its place,
// within the work area.
void rescale(Fl_Window& window, double from, double to);

// The factor a window of the designed size width x height is laid out at:
// the chosen one, or as much of it as the work area (sw x sh) holds.
double fittingFactor(int width, int height, int sw, int sh);

}  // namespace TextScale
