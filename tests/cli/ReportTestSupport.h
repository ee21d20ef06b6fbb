// Small builders shared by the report's tests: variables with entries as a
// user file holds them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct TestReading {
    const char* date;  // "2026/03/05"
    const char* time;  // "08:30:00 AM"
    double value;
    double second = -1;  // the second member's value; below 0: none
};

// A variable element with its four ranges (texts as stored) and entries.
// Members: empty for a single-valued variable, else the two member names.
inline std::string variableXml(const std::string& name, const std::vector<std::string>& limits,
                               const std::vector<TestReading>& readings,
                               const std::vector<std::string>& members = {}) {
    static const char* const ranges[4] = {"normalLow", "normalHigh", "panicLow", "panicHigh"};
    std::string xml = "\t<variable name=\"" + name + "\">\n";
    for (int r = 0; r < 4; ++r) {
        xml += std::string("\t\t<") + ranges[r] + ">";
        if (members.empty()) {
            xml += limits[r];
        } else {
            for (std::size_t m = 0; m < members.size(); ++m)
                xml += "<" + members[m] + ">" + limits[r * members.size() + m] + "</" + members[m] + ">";
        }
        xml += std::string("</") + ranges[r] + ">\n";
    }
    int id = 0;
    for (const TestReading& r : readings) {
        char value[64];
        xml += "\t\t<entry id=\"" + std::to_string(id++) + "\">";
        if (members.empty()) {
            std::snprintf(value, sizeof value, "%f", r.value);
            xml += std::string("<value>") + value + "</value>";
        } else {
            std::snprintf(value, sizeof value, "%f", r.value);
            xml += "<" + members[0] + ">" + value + "</" + members[0] + ">";
            if (r.second >= 0) {
                std::snprintf(value, sizeof value, "%f", r.second);
                xml += "<" + members[1] + ">" + value + "</" + members[1] + ">";
            }
        }
        xml += std::string("<date>") + r.date + "</date><time>" + r.time + "</time></entry>\n";
    }
    return xml + "\t</variable>\n";
}

inline std::string pulseXml(const std::vector<TestReading>& readings) {
    return variableXml("Pulse", {"60", "100", "40", "130"}, readings);
}
