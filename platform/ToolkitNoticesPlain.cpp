#include "platform/ToolkitNotices.h"

void ToolkitNotices::dropOwnDestroyNotices() {}
