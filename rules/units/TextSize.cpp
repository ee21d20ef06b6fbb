#include "rules/units/TextSize.h"

#include <cstdlib>

namespace TextSize {

const int kChoices[5] = {100, 125, 150, 175, 200};

int nearest(int percent) {
    int best = kChoices[0];
    for (int choice : kChoices)
        if (std::abs(choice - percent) < std::abs(best - percent)) best = choice;
    return best;
}

int fromDpi(int dpi) {
    // Below 48 or above 480 dots per inch no desktop is set up: a value
    // read wrongly rather than a scale.
    if (dpi < 48 || dpi > 480) return 0;
    // Compared in hundredths of dots per inch, so that halfway is exact.
    int best = kChoices[0];
    for (int choice : kChoices)
        if (std::abs(choice * 96 - dpi * 100) < std::abs(best * 96 - dpi * 100)) best = choice;
    return best;
}

int larger(int percent) {
    for (int choice : kChoices)
        if (choice > percent) return choice;
    return percent;
}

int smaller(int percent) {
    for (int i = 4; i >= 0; --i)
        if (kChoices[i] < percent) return kChoices[i];
    return percent;
}

bool offered(int percent) {
    for (int choice : kChoices)
        if (choice == percent) return true;
    return false;
}

}  // namespace TextSize
