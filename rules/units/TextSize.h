// The sizes text and windows may be drawn at, in percent of their designed
// size, and the steps between them. The windows read the chosen size from
// ui/main/TextScale; this is only the arithmetic, without the toolkit.
#pragma once

namespace TextSize {

// The sizes offered, smallest first; the first is the designed size.
extern const int kChoices[5];
const int kDesigned = 100;

// The offered size nearest to percent (of two equally near, the smaller);
// sizes beyond the offered ones give the smallest or the largest.
int nearest(int percent);

// The size a desktop drawing at dpi dots per inch asks for (96 is 100 %),
// as the nearest offered size; 0 when dpi is not a plausible value.
int fromDpi(int dpi);

// The next offered size above or below percent; percent itself at either end.
int larger(int percent);
int smaller(int percent);

// Whether percent is one of the offered sizes.
bool offered(int percent);

}  // namespace TextSize
