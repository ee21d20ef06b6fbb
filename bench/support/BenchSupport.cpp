#include "BenchSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
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

void writeVitalsUserFile(const std::string& path, int readings) {
    std::ofstream out(path);
    out << "<patient id=\"0\">\n\t<info>\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n\t\t</name>\n"
           "\t\t<dob/>\n\t\t<gender/>\n\t\t<weight/>\n\t\t<height/>\n\t\t<stepSize/>\n\t\t<race/>\n\t</info>\n";
    const std::time_t start = 1609459200;  // 2021/01/01
    const std::time_t span = 5LL * 365 * 86400;
    char line[512];
    for (int variable = 0; variable < 3; ++variable) {
        const char* name = variable == 0 ? "Pulse" : variable == 1 ? "Blood Pressure" : "SpO2";
        out << "\t<variable name=\"" << name << "\">\n";
        if (variable == 1)
            out << "\t\t<normalLow>\n\t\t\t<systolic>90</systolic>\n\t\t\t<diastolic>60</diastolic>\n\t\t</normalLow>\n"
                   "\t\t<normalHigh>\n\t\t\t<systolic>139</systolic>\n\t\t\t<diastolic>89</diastolic>\n"
                   "\t\t</normalHigh>\n\t\t<panicLow/>\n\t\t<panicHigh/>\n";
        else
            out << "\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n\t\t<panicLow/>\n\t\t<panicHigh/>\n";
        const int count = variable == 2 ? 50 : readings;
        for (int i = 0; i < count; ++i) {
            std::time_t t = start + span * i / count + variable * 600;
            std::tm tm{};
            localtime_r(&t, &tm);
            const int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
            char when[96];
            std::snprintf(when, sizeof when, "\t\t\t<date>%d/%d/%d</date>\n\t\t\t<time>%02d:%02d:%02d %s</time>\n",
                          tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, hour, tm.tm_min, tm.tm_sec,
                          tm.tm_hour < 12 ? "AM" : "PM");
            if (variable == 1)
                std::snprintf(line, sizeof line,
                              "\t\t<entry id=\"%d\">\n\t\t\t<systolic>%d.000000</systolic>\n"
                              "\t\t\t<diastolic>%d.000000</diastolic>\n%s\t\t</entry>\n",
                              i, 100 + (i * 7) % 60, 60 + (i * 3) % 35, when);
            else
                std::snprintf(line, sizeof line, "\t\t<entry id=\"%d\">\n\t\t\t<value>%d.000000</value>\n%s\t\t</entry>\n",
                              i, (variable == 2 ? 90 : 50) + (i * 13) % 60 % (variable == 2 ? 10 : 60), when);
            out << line;
        }
        out << "\t</variable>\n";
    }
    out << "</patient>\n";
}

int readingsPerVariable() {
    const char* given = std::getenv("QUORVEL_BENCH_READINGS");
    const int n = given ? std::atoi(given) : 0;
    return n > 0 ? n : 100000;
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
