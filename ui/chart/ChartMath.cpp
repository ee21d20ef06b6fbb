#include "ui/chart/ChartMath.h"
