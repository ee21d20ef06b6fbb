#include "ui/measurements/EntryRules.h"
