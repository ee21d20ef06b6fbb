#include "BenchSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include <FL/Fl_Input.H>

#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/Global.h"
#include "ui/measurements/NewEntryWindow.h"

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

std::string makeDataFolder() {
    static std::string root;
    char templ[] = "/tmp/quorvel-bench-XXXXXX";
    if (!mkdtemp(templ)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    root = templ;
    Global::init();
    Global::dataFolder = root + "/";
    Trace::setLogPath(root + "/bench_debuglog.txt");
    Trace::setThreshold(5);
    Dialogs::setAlertHandler([](const std::string& m) { std::cerr << "alert: " << m << std::endl; });
    std::ofstream(Global::dataFolder + "config.hma")
        << "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
           "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n";
    std::atexit([] { removeTree(root); });
    return Global::dataFolder;
}

void typeNextPulse(NewEntryWindow* window, const char* date) {
    static int minute = 0;
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:00 PM", 1 + (minute / 60) % 11, minute % 60);
    ++minute;
    window->inputs[0]->value(date);
    window->inputs[1]->value(time);
    window->inputs[2]->value("72");
    window->show();
}

}  // namespace bench
