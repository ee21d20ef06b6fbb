#include "rules/chart/SeriesCache.h"

#include "rules/chart/DisplayMenuRules.h"
#include "rules/units/Units.h"

PointMap SeriesCache::points(XmlNode* variable, const char* elementName, std::uint64_t documentGeneration) {
    if (!variable) return PointMap();
    // Points are kept in the units they were shown in: other units, other points.
    if (documentGeneration != generation_ || Units::generation() != unitsGeneration_) {
        clear();
        generation_ = documentGeneration;
        unitsGeneration_ = Units::generation();
    }
    const XmlNode* lastEntry = variable->last_node("entry");
    const bool firstChild = elementName == nullptr;
    for (Kept& k : kept_) {
        if (k.variable != variable || k.firstChild != firstChild || (!firstChild && k.elementName != elementName))
            continue;
        if (k.lastEntry != lastEntry) {
            k.points.clear();  // the stale array goes first, unless something charts it
            k.points = DisplayMenuRules::seriesPoints(variable, elementName);
            k.lastEntry = lastEntry;
        }
        return k.points;
    }
    Kept k;
    k.variable = variable;
    k.firstChild = firstChild;
    k.elementName = firstChild ? "" : elementName;
    k.lastEntry = lastEntry;
    k.points = DisplayMenuRules::seriesPoints(variable, elementName);
    kept_.push_back(std::move(k));
    return kept_.back().points;
}

void SeriesCache::clear() { kept_.clear(); }
