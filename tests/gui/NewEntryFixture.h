// A main window over a throw-away data folder holding one registered user,
// opened as the current user, for the tests of the variable tabs and the
// new entry window; and a reader of the user's file as saved on disk.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <rapidxml/rapidxml.hpp>

#include "TestSupport.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"

namespace entrytest {

// The variables of the test user: Pulse with entries 0 and 7 (6 is missing),
// Blood Pressure and Mood without entries, Temperature in between.
inline const char* kVariables =
    "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n"
    "\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n\t\t<entry id=\"0\">\n"
    "\t\t\t<value>70.000000</value>\n\t\t\t<date>2024/1/2</date>\n\t\t\t<time>08:00:00 AM</time>\n"
    "\t\t</entry>\n\t\t<entry id=\"7\">\n\t\t\t<value>75.000000</value>\n"
    "\t\t\t<date>2024/1/3</date>\n\t\t\t<time>08:00:00 AM</time>\n\t\t</entry>\n\t</variable>\n"
    QUORVEL_TEST_BLOOD_PRESSURE_XML
    "\t<variable name=\"Temperature\">\n\t\t<normalLow>96.9</normalLow>\n"
    "\t\t<normalHigh>99.5</normalHigh>\n\t\t<panicLow>95</panicLow>\n"
    "\t\t<panicHigh>103</panicHigh>\n\t</variable>\n\t<variable name=\"Mood\">\n"
    "\t\t<normalLow>4</normalLow>\n\t\t<normalHigh>10</normalHigh>\n\t\t<panicLow>2</panicLow>\n"
    "\t\t<panicHigh>10</panicHigh>\n\t</variable>\n";

// One saved entry: its id and its children as (name, text) in order.
struct SavedEntry {
    std::string id;
    std::vector<std::pair<std::string, std::string>> children;
    std::string child(const std::string& name) const {
        for (const auto& c : children)
            if (c.first == name) return c.second;
        return std::string();
    }
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& c : children) n.push_back(c.first);
        return n;
    }
};

class EntryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz) oldTz = tz;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        data = std::make_unique<TestDataFolder>();
        dialogs = std::make_unique<DialogRecorder>();
        data->write("config.hma",
                    "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n"
                    "\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n");
        data->write("user0.hma", userFileXml(0, "Ann", "Lee", variables()));
        ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
        ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
        Global::userOpen = true;
        Global::currentFile = "user0.hma";
        Global::currentId = "0";
        window = new MainWindow(1100, 800);
        Fl::check();
    }

    void TearDown() override {
        delete window;
        dialogs.reset();
        data.reset();
        if (oldTz.empty())
            unsetenv("TZ");
        else
            setenv("TZ", oldTz.c_str(), 1);
        tzset();
    }

    virtual std::string variables() const { return kVariables; }

    // The entries of one variable as the user's file on disk holds them.
    std::vector<SavedEntry> savedEntries(const std::string& variableName) const {
        std::vector<SavedEntry> result;
        std::string text = data->read("user0.hma");
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        rapidxml::xml_document<char> doc;
        doc.parse<0>(buffer.data());
        rapidxml::xml_node<char>* patient = doc.first_node("patient");
        for (auto* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable")) {
            auto* name = v->first_attribute();
            if (!name || variableName != name->value()) continue;
            for (auto* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
                SavedEntry s;
                s.id = e->first_attribute("id") ? e->first_attribute("id")->value() : "";
                for (auto* c = e->first_node(); c; c = c->next_sibling()) s.children.push_back({c->name(), c->value()});
                result.push_back(s);
            }
        }
        return result;
    }

    // Names of the variable elements in the saved file, in order.
    std::vector<std::string> savedVariableNames() const {
        std::vector<std::string> names;
        std::string text = data->read("user0.hma");
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        rapidxml::xml_document<char> doc;
        doc.parse<0>(buffer.data());
        rapidxml::xml_node<char>* patient = doc.first_node("patient");
        for (auto* v = patient ? patient->first_node("variable") : nullptr; v; v = v->next_sibling("variable"))
            names.push_back(v->first_attribute() ? v->first_attribute()->value() : "");
        return names;
    }

    std::unique_ptr<TestDataFolder> data;
    std::unique_ptr<DialogRecorder> dialogs;
    MainWindow* window = nullptr;
    std::string oldTz;
};

}  // namespace entrytest
