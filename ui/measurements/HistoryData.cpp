#include "ui/measurements/HistoryData.h"
