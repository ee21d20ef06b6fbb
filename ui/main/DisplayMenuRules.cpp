#include "ui/main/DisplayMenuRules.h"

// Filled in with the chart.
DisplayMenuRules::Menus DisplayMenuRules::build(XmlNode*) { return Menus(); }
const char* DisplayMenuRules::elementName(Action) { return nullptr; }
bool DisplayMenuRules::entryKey(const char*, const char*, std::tm&) { return false; }
PointMap DisplayMenuRules::seriesPoints(XmlNode*, const char*) { return PointMap(); }
std::vector<std::pair<std::string, std::string>> DisplayMenuRules::normalRangeSeries(const std::string&) { return {}; }
