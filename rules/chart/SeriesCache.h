// The points of the open user's series, kept from one display pick to the
// next: a series is built from the document once and handed out again as
// long as the document holds the same tree and the variable gained no entry.
// A handed-out copy shares the kept array (nothing is copied while the series
// is charted); whichever side changes first gets its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/chart/PointMap.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class SeriesCache {
public:
    // The points of DisplayMenuRules::seriesPoints(variable, elementName, units)
    // for the document of the given generation: the kept ones while still valid,
    // otherwise built and kept. Valid means the same document generation and
    // the same last entry of the variable as when built, in the same units (new entries are
    // appended, and the nodes of a tree are never freed while it lives).
    // Readings corrected or removed in place are not seen: whoever changes
    // them clears the cache.
    PointMap points(XmlNode* variable, const char* elementName, std::uint64_t documentGeneration,
                    const Units::Preferences& units);

    // Drops every kept series (their arrays are freed once nothing charts them).
    void clear();

private:
    struct Kept {
        XmlNode* variable = nullptr;
        bool firstChild = false;  // built for a null element name
        std::string elementName;
        const XmlNode* lastEntry = nullptr;
        PointMap points;
    };

    Kept* find(const XmlNode* variable, bool firstChild, const std::string& elementName);
    // Keeps points as the series of the element and hands out a copy.
    PointMap keep(XmlNode* variable, bool firstChild, const std::string& elementName, const XmlNode* lastEntry,
                  PointMap points);

    std::vector<Kept> kept_;
    std::uint64_t generation_ = 0;
    Units::Preferences units_;
};
