#include "rules/chart/SeriesCache.h"

#include "rules/chart/DisplayMenuRules.h"

PointMap SeriesCache::points(XmlNode* variable, const char* elementName, std::uint64_t documentGeneration,
                             const Units::Preferences& units) {
    if (!variable) return PointMap();
    // Points are kept in the units they were shown in: other units, other points.
    if (documentGeneration != generation_ || units != units_) {
        clear();
        generation_ = documentGeneration;
        units_ = units;
    }
    const XmlNode* lastEntry = variable->last_node("entry");
    const bool firstChild = elementName == nullptr;
    if (Kept* k = find(variable, firstChild, firstChild ? "" : elementName)) {
        if (k->lastEntry == lastEntry) return k->points;
        k->points.clear();  // the stale array goes first, unless something charts it
    }
    if (firstChild)
        return keep(variable, true, "", lastEntry, DisplayMenuRules::seriesPoints(variable, nullptr, units));
    // The values read together (both of a blood pressure) are built in one
    // pass and kept, the other one for the pick that is likely to follow.
    const std::vector<std::string> names = DisplayMenuRules::elementsReadWith(variable, elementName);
    std::vector<PointMap> built = DisplayMenuRules::seriesPoints(variable, names, units);
    PointMap wanted;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == elementName) {
            wanted = keep(variable, false, names[i], lastEntry, std::move(built[i]));
            continue;
        }
        Kept* other = find(variable, false, names[i]);
        if (other) other->points.clear();
        keep(variable, false, names[i], lastEntry, std::move(built[i]));
    }
    return wanted;
}

SeriesCache::Kept* SeriesCache::find(const XmlNode* variable, bool firstChild, const std::string& elementName) {
    for (Kept& k : kept_)
        if (k.variable == variable && k.firstChild == firstChild && k.elementName == elementName) return &k;
    return nullptr;
}

PointMap SeriesCache::keep(XmlNode* variable, bool firstChild, const std::string& elementName,
                           const XmlNode* lastEntry, PointMap points) {
    Kept* k = find(variable, firstChild, elementName);
    if (!k) {
        kept_.emplace_back();
        k = &kept_.back();
        k->variable = variable;
        k->firstChild = firstChild;
        k->elementName = elementName;
    }
    k->lastEntry = lastEntry;
    k->points = std::move(points);
    return k->points;
}

void SeriesCache::clear() { kept_.clear(); }
