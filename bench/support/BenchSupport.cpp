#include "BenchSupport.h"

#include <cstdio>

namespace bench {

std::string pulseUserFile(int entries) {
    std::string xml =
        "<patient id=\"0\">\n\t<info>\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n\t\t</name>\n"
        "\t\t<dob/>\n\t\t<gender/>\n\t\t<weight/>\n\t\t<height/>\n\t\t<stepSize/>\n\t\t<race/>\n\t</info>\n"
        "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
        "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n";
    xml.reserve(static_cast<std::size_t>(entries) * 130 + 1024);
    char line[256];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(line, sizeof line,
                      "\t\t<entry id=\"%d\">\n\t\t\t<value>%d.000000</value>\n\t\t\t<date>20%02d/%02d/%02d</date>\n"
                      "\t\t\t<time>%02d:%02d:00 AM</time>\n\t\t</entry>\n",
                      i, 50 + i % 60, 10 + i % 15, 1 + i % 12, 1 + i % 28, 1 + i % 12, i % 60);
        xml += line;
    }
    xml += "\t</variable>\n\t<variable name=\"Mood\"/>\n</patient>\n";
    return xml;
}

}  // namespace bench
