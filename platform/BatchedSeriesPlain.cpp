// Window systems without multi-shape requests (Windows, macOS): series are
// always drawn shape by shape.
#include "platform/BatchedSeries.h"

namespace BatchedSeries {

bool supported() { return false; }
bool available() { return false; }
bool draw(const std::vector<std::pair<int, int>>&, int) { return false; }

}  // namespace BatchedSeries
