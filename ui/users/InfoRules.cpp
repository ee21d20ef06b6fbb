#include "ui/users/InfoRules.h"
