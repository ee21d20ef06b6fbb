// One row of the history window: the texts of one entry, one per column.
#pragma once

#include <string>
#include <vector>

#include "store/XmlDocument.h"

struct HistoryRow {
    XmlNode* entry = nullptr;
    std::vector<std::string> cells;
};
