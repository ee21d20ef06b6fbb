#include "ui/chart/TrendStats.h"
