#include "ui/measurements/RangeRules.h"
