// The sample data folder of `make demo`: the files load with the store, have
// the layout the program writes, and hold plausible, well-formed readings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "scripts/demo/DemoData.h"
#include "store/Global.h"

namespace {

const char* const kEnd = "2026/12/07";

demo::Options optionsFor(const TestDataFolder& data) {
    demo::Options o;
    o.templatePath = data.path("template_new.xml");
    o.outFolder = data.folder;
    EXPECT_TRUE(demo::parseDate(kEnd, o.lastDay));
    return o;
}

bool allDigits(const std::string& s, std::size_t from, std::size_t count) {
    if (from + count > s.size()) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// "72.000000": an optional minus, digits, a dot and six decimals.
bool isValueText(const std::string& s) {
    const std::size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    const std::size_t dot = s.find('.');
    return dot != std::string::npos && dot > start && allDigits(s, start, dot - start) && s.size() == dot + 7 &&
           allDigits(s, dot + 1, 6);
}

// "2024/03/05"
bool isDateText(const std::string& s) {
    return s.size() == 10 && allDigits(s, 0, 4) && s[4] == '/' && allDigits(s, 5, 2) && s[7] == '/' &&
           allDigits(s, 8, 2);
}

// "09:07:05 PM": hour 01 to 12, minutes and seconds 00 to 59.
bool isTimeText(const std::string& s) {
    if (s.size() != 11 || !allDigits(s, 0, 2) || s[2] != ':' || !allDigits(s, 3, 2) || s[5] != ':' ||
        !allDigits(s, 6, 2) || s[8] != ' ')
        return false;
    const int hour = std::stoi(s.substr(0, 2));
    const std::string suffix = s.substr(9);
    return hour >= 1 && hour <= 12 && s[3] <= '5' && s[6] <= '5' && (suffix == "AM" || suffix == "PM");
}

double numberOf(const XmlNode* node) { return std::atof(Global::textOf(node)); }

// The normal range of a variable for the given member (or the single value).
bool normalRange(const XmlNode* variable, const char* member, double& lo, double& hi) {
    const XmlNode* low = variable->first_node("normalLow");
    const XmlNode* high = variable->first_node("normalHigh");
    if (member) {
        low = low ? low->first_node(member) : nullptr;
        high = high ? high->first_node(member) : nullptr;
    }
    if (!low || !high || !*low->value() || !*high->value()) return false;
    lo = numberOf(low);
    hi = numberOf(high);
    return true;
}

// Seconds of an entry's date and time read as the new entry window reads
// them; false when the texts do not read or the clock would normalise them.
bool entryInstant(const char* date, const char* time, std::int64_t& out) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char suffix[16] = {0};
    if (std::sscanf(date, "%d/%d/%d", &y, &mo, &d) != 3) return false;
    if (std::sscanf(time, "%d:%d:%d %15s", &h, &mi, &s, suffix) != 4) return false;
    h %= 12;
    if (std::strcmp(suffix, "PM") == 0)
        h += 12;
    else if (std::strcmp(suffix, "AM") != 0)
        return false;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    if (tm.tm_year != y - 1900 || tm.tm_mon != mo - 1 || tm.tm_mday != d || tm.tm_hour != h || tm.tm_min != mi ||
        tm.tm_sec != s)
        return false;
    out = static_cast<std::int64_t>(t);
    return true;
}

struct Summary {
    int entries = 0;
    int values = 0;
    int outside = 0;
    std::set<std::string> valueNames;
    std::string firstDate, lastDate;
};

}  // namespace

TEST(DemoData, FormatCheckersOfThisSuiteTellGoodFromBadTexts) {
    EXPECT_TRUE(isValueText("72.000000"));
    EXPECT_TRUE(isValueText("-0.500000"));
    EXPECT_FALSE(isValueText("72"));
    EXPECT_FALSE(isValueText("72.00000"));
    EXPECT_FALSE(isValueText(".000000"));
    EXPECT_TRUE(isDateText("2024/03/05"));
    EXPECT_FALSE(isDateText("2024/3/5"));
    EXPECT_FALSE(isDateText("2024-03-05"));
    EXPECT_TRUE(isTimeText("12:15:00 AM"));
    EXPECT_FALSE(isTimeText("00:15:00 AM"));
    EXPECT_FALSE(isTimeText("13:15:00 PM"));
    EXPECT_FALSE(isTimeText("09:60:00 PM"));
    EXPECT_FALSE(isTimeText("09:07:05 pm"));
}

TEST(DemoData, CalendarHelpersRoundTripAndRefuseBadDates) {
    for (std::int64_t day = -1000; day < 30000; day += 37) {
        demo::Date d = demo::civilFromDays(day);
        EXPECT_EQ(demo::daysFromCivil(d.year, d.month, d.day), day);
    }
    EXPECT_EQ(demo::daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(demo::daysFromCivil(2024, 3, 1) - demo::daysFromCivil(2024, 2, 28), 2);  // leap year
    EXPECT_EQ(demo::daysFromCivil(2100, 3, 1) - demo::daysFromCivil(2100, 2, 28), 1);  // no leap year

    demo::Date d;
    EXPECT_TRUE(demo::parseDate("2024/02/29", d));
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    EXPECT_TRUE(demo::parseDate("2024/3/5", d));
    EXPECT_FALSE(demo::parseDate("2023/02/29", d));
    EXPECT_FALSE(demo::parseDate("2024/13/01", d));
    EXPECT_FALSE(demo::parseDate("2024-03-05", d));
    EXPECT_FALSE(demo::parseDate("2024/03/05x", d));
    EXPECT_FALSE(demo::parseDate("1969/12/31", d));
    EXPECT_FALSE(demo::parseDate("", d));

    EXPECT_EQ(demo::dateText(demo::Date{2024, 3, 5}), "2024/03/05");
    EXPECT_EQ(demo::timeText(0, 15, 0), "12:15:00 AM");
    EXPECT_EQ(demo::timeText(12, 0, 0), "12:00:00 PM");
    EXPECT_EQ(demo::timeText(21, 7, 5), "09:07:05 PM");
    EXPECT_EQ(demo::valueText(72), "72.000000");
    EXPECT_EQ(demo::valueText(98.6), "98.600000");
}

TEST(DemoData, RegistryListsThreePeopleInIdOrder) {
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string error;
    ASSERT_TRUE(demo::generate(optionsFor(data), error)) << error;

    ASSERT_TRUE(Global::loadFile(Global::configDoc, "config.hma", Global::configText));
    const XmlNode* config = Global::configDoc->first_node("config");
    ASSERT_NE(config, nullptr);
    int expected = 0;
    std::set<std::string> names;
    for (const XmlNode* p = config->first_node(); p; p = p->next_sibling()) {
        ASSERT_STREQ(p->name(), "patient");
        ASSERT_NE(p->first_attribute(), nullptr);
        EXPECT_STREQ(p->first_attribute()->name(), "id");
        EXPECT_EQ(std::string(p->first_attribute()->value()), std::to_string(expected));
        const XmlNode* name = p->first_node();
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(name->name(), "name");
        ASSERT_NE(name->next_sibling(), nullptr);
        EXPECT_STREQ(name->next_sibling()->name(), "file");
        EXPECT_EQ(std::string(name->next_sibling()->value()), "user" + std::to_string(expected) + ".hma");
        EXPECT_STRNE(Global::childText(name, "first"), "");
        EXPECT_STRNE(Global::childText(name, "last"), "");
        names.insert(std::string(Global::childText(name, "first")) + " " + Global::childText(name, "last"));
        ++expected;
    }
    EXPECT_EQ(expected, 3);
    EXPECT_EQ(names.size(), 3u);
    // A fourth user added by the program gets the next id.
    EXPECT_EQ(Global::getNewId(nullptr), 3);
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST(DemoData, UserFilesHoldAYearOfWellFormedReadingsOfEveryTemplateVariable) {
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string error;
    ASSERT_TRUE(demo::generate(optionsFor(data), error)) << error;

    // The variables of the template, in its order.
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "template_new.xml", Global::userText));
    std::vector<std::string> templateVariables;
    for (const XmlNode* v = Global::userDoc->first_node("patient")->first_node("variable"); v;
         v = v->next_sibling("variable"))
        templateVariables.push_back(v->first_attribute("name")->value());
    ASSERT_FALSE(templateVariables.empty());

    int peopleWithPostprandial = 0;
    int peopleFastingOnly = 0;
    std::map<std::string, int> outsideByVariable;

    for (int id = 0; id < 3; ++id) {
        SCOPED_TRACE("user" + std::to_string(id));
        const std::string file = "user" + std::to_string(id) + ".hma";
        ASSERT_TRUE(Global::loadFile(Global::userDoc, file.c_str(), Global::userText));
        const XmlNode* patient = Global::userDoc->first_node("patient");
        ASSERT_NE(patient, nullptr);
        EXPECT_EQ(std::string(patient->first_attribute()->name()), "id");
        EXPECT_EQ(std::string(patient->first_attribute()->value()), std::to_string(id));

        // info: every field filled, in the order the readers expect.
        const XmlNode* info = patient->first_node();
        ASSERT_NE(info, nullptr);
        EXPECT_STREQ(info->name(), "info");
        const char* order[] = {"name", "dob", "gender", "weight", "height", "stepSize", "race"};
        const XmlNode* field = info->first_node();
        for (const char* expectedName : order) {
            ASSERT_NE(field, nullptr) << expectedName;
            EXPECT_STREQ(field->name(), expectedName);
            if (std::strcmp(expectedName, "name") != 0) {
                EXPECT_STRNE(field->value(), "") << expectedName;
            }
            field = field->next_sibling();
        }
        int y = 0, m = 0, d = 0, feet = 0;
        float inches = 0;
        EXPECT_EQ(std::sscanf(Global::childText(info, "dob"), "%d/%d/%d", &y, &m, &d), 3);
        EXPECT_EQ(std::sscanf(Global::childText(info, "height"), "%d ft %f in", &feet, &inches), 2);

        std::vector<std::string> variables;
        bool hasPostprandial = false;
        bool hasFasting = false;
        for (const XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable")) {
            const std::string name = v->first_attribute()->value();
            SCOPED_TRACE(name);
            EXPECT_STREQ(v->first_attribute()->name(), "name");
            variables.push_back(name);
            // The four limits come first, then the entries.
            const XmlNode* child = v->first_node();
            for (const char* range : {"normalLow", "normalHigh", "panicLow", "panicHigh"}) {
                ASSERT_NE(child, nullptr);
                EXPECT_STREQ(child->name(), range);
                child = child->next_sibling();
            }
            Summary s;
            std::int64_t previous = INT64_MIN;
            for (; child; child = child->next_sibling()) {
                ASSERT_STREQ(child->name(), "entry");
                EXPECT_STREQ(child->first_attribute()->name(), "id");
                EXPECT_EQ(std::string(child->first_attribute()->value()), std::to_string(s.entries));
                // value elements, then date, then time
                std::vector<const XmlNode*> values;
                const XmlNode* part = child->first_node();
                while (part && std::strcmp(part->name(), "date") != 0) {
                    values.push_back(part);
                    part = part->next_sibling();
                }
                ASSERT_NE(part, nullptr) << "entry " << s.entries << " has no date";
                const XmlNode* date = part;
                const XmlNode* time = date->next_sibling();
                ASSERT_NE(time, nullptr);
                EXPECT_STREQ(time->name(), "time");
                EXPECT_EQ(time->next_sibling(), nullptr);
                ASSERT_FALSE(values.empty());
                EXPECT_LE(values.size(), 2u);
                EXPECT_TRUE(isDateText(date->value())) << date->value();
                EXPECT_TRUE(isTimeText(time->value())) << time->value();
                std::int64_t instant = 0;
                ASSERT_TRUE(entryInstant(date->value(), time->value(), instant))
                    << date->value() << " " << time->value();
                EXPECT_GT(instant, previous) << "entries are in time order";
                previous = instant;
                if (s.entries == 0) s.firstDate = date->value();
                s.lastDate = date->value();

                for (const XmlNode* value : values) {
                    const std::string valueName = value->name();
                    s.valueNames.insert(valueName);
                    ++s.values;
                    EXPECT_TRUE(isValueText(value->value())) << value->value();
                    const double number = numberOf(value);
                    double lo = 0, hi = 0;
                    if (normalRange(v, valueName == "value" ? nullptr : valueName.c_str(), lo, hi) &&
                        (number < lo || number > hi))
                        ++s.outside;
                    if (name == "Mood") {
                        EXPECT_GE(number, 1);
                        EXPECT_LE(number, 10);
                        EXPECT_EQ(number, std::floor(number));
                    }
                    if (name == "SpO2") {
                        EXPECT_LE(number, 100);
                    }
                    if (valueName == "postprandial") hasPostprandial = true;
                    if (valueName == "fasting") hasFasting = true;
                }
                ++s.entries;
            }
            // About a year of readings, ending with the chosen day.
            EXPECT_GE(s.entries, 40) << "too few readings";
            demo::Date first, last, end;
            ASSERT_TRUE(demo::parseDate(s.firstDate, first));
            ASSERT_TRUE(demo::parseDate(s.lastDate, last));
            ASSERT_TRUE(demo::parseDate(kEnd, end));
            const auto endDay = demo::daysFromCivil(end.year, end.month, end.day);
            const auto lastDay = demo::daysFromCivil(last.year, last.month, last.day);
            EXPECT_LE(lastDay, endDay);
            EXPECT_GE(lastDay, endDay - 31);
            const auto span = demo::daysFromCivil(last.year, last.month, last.day) -
                              demo::daysFromCivil(first.year, first.month, first.day);
            EXPECT_GE(span, 330);
            EXPECT_LE(span, 365);
            // Plausible: most readings lie inside the normal range.
            EXPECT_LT(s.outside * 2, s.values) << s.outside << " of " << s.values << " outside";
            outsideByVariable[name] += s.outside;
            if (name == "Blood Pressure") {
                EXPECT_EQ(s.valueNames, (std::set<std::string>{"diastolic", "systolic"}));
            } else if (name != "Blood Sugar") {
                EXPECT_EQ(s.valueNames, std::set<std::string>{"value"});
            }
        }
        EXPECT_EQ(variables, templateVariables);
        EXPECT_TRUE(hasFasting);
        if (hasPostprandial)
            ++peopleWithPostprandial;
        else
            ++peopleFastingOnly;
    }
    EXPECT_EQ(peopleFastingOnly, 1);
    EXPECT_EQ(peopleWithPostprandial, 2);
    for (const char* name : {"Pulse", "Blood Pressure", "Blood Sugar", "SpO2", "Temperature"})
        EXPECT_GT(outsideByVariable[name], 0) << name << " never leaves its normal range";
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST(DemoData, FilesHaveTheLayoutTheProgramWrites) {
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string error;
    ASSERT_TRUE(demo::generate(optionsFor(data), error)) << error;
    for (const char* name : {"config.hma", "user0.hma", "user1.hma", "user2.hma"}) {
        SCOPED_TRACE(name);
        const std::string written = data.read(name);
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.find('\r'), std::string::npos);
        EXPECT_EQ(written.find("    "), std::string::npos) << "indented with tabs only";
        XmlDocument& doc = std::strcmp(name, "config.hma") == 0 ? Global::configDoc : Global::userDoc;
        std::vector<char>& text = std::strcmp(name, "config.hma") == 0 ? Global::configText : Global::userText;
        ASSERT_TRUE(Global::loadFile(doc, name, text));
        const std::string copy = std::string("again-") + name;
        ASSERT_TRUE(Global::saveFile(copy.c_str(), doc));
        EXPECT_EQ(data.read(copy), written) << "saving the loaded file changes it";
    }
    EXPECT_EQ(data.read("user1.hma").rfind("<patient id=\"1\">\n\t<info>\n\t\t<name>\n\t\t\t<first>", 0), 0u);
}

TEST(DemoData, SameSeedGivesSameBytesAndOtherSeedOtherReadings) {
    TestDataFolder a;
    std::string error;
    demo::Options options = optionsFor(a);
    ASSERT_TRUE(demo::generate(options, error)) << error;
    const std::string first = a.read("user0.hma");
    const std::string firstConfig = a.read("config.hma");
    ASSERT_TRUE(demo::generate(options, error)) << error;
    EXPECT_EQ(a.read("user0.hma"), first);
    EXPECT_EQ(a.read("config.hma"), firstConfig);

    options.seed += 1;
    ASSERT_TRUE(demo::generate(options, error)) << error;
    EXPECT_NE(a.read("user0.hma"), first);
    EXPECT_EQ(a.read("config.hma"), firstConfig);

    // Another last day moves every reading.
    options = optionsFor(a);
    ASSERT_TRUE(demo::parseDate("2024/02/29", options.lastDay));
    ASSERT_TRUE(demo::generate(options, error)) << error;
    const std::string leap = a.read("user2.hma");
    EXPECT_NE(leap.find("<date>2024/02/29</date>"), std::string::npos);
    EXPECT_EQ(leap.find("<date>2024/03/01</date>"), std::string::npos);
}

TEST(DemoData, VariablesTheTemplateAddsGetReadingsToo) {
    TestDataFolder data;
    DialogRecorder dialogs;
    std::string templ = data.read("template_new.xml");
    const std::string extra =
        "\t<variable name=\"Respiration\">\n\t\t<normalLow>12</normalLow>\n\t\t<normalHigh>20</normalHigh>\n"
        "\t\t<panicLow>8</panicLow>\n\t\t<panicHigh>30</panicHigh>\n\t</variable>\n"
        "\t<variable name=\"Steps\">\n\t\t<normalLow/>\n\t\t<normalHigh/>\n\t\t<panicLow/>\n\t\t<panicHigh/>\n"
        "\t</variable>\n";
    const auto end = templ.rfind("</patient>");
    ASSERT_NE(end, std::string::npos);
    templ.insert(end, extra);
    data.write("template_new.xml", templ);

    std::string error;
    ASSERT_TRUE(demo::generate(optionsFor(data), error)) << error;
    ASSERT_TRUE(Global::loadFile(Global::userDoc, "user0.hma", Global::userText));
    for (const char* name : {"Respiration", "Steps"}) {
        SCOPED_TRACE(name);
        const XmlNode* v = Global::findVariable(name);
        ASSERT_NE(v, nullptr);
        int count = 0;
        double sum = 0;
        for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
            sum += numberOf(e->first_node("value"));
            ++count;
        }
        ASSERT_GT(count, 20);
        const double mean = sum / count;
        if (std::strcmp(name, "Respiration") == 0) {
            EXPECT_GT(mean, 14);
            EXPECT_LT(mean, 18);
        } else {
            EXPECT_GT(mean, 30);
            EXPECT_LT(mean, 70);
        }
    }
}

TEST(DemoData, RefusesMissingTemplateBadFolderAndBadOptions) {
    TestDataFolder data;
    std::string error;
    const std::string registry = data.read("config.hma");
    demo::Options options = optionsFor(data);
    options.templatePath = data.path("no-such-template.xml");
    EXPECT_FALSE(demo::generate(options, error));
    EXPECT_NE(error.find("no-such-template.xml"), std::string::npos) << error;
    EXPECT_EQ(data.read("config.hma"), registry);

    options = optionsFor(data);
    options.outFolder = data.path("missing-folder/");
    error.clear();
    EXPECT_FALSE(demo::generate(options, error));
    EXPECT_NE(error.find("missing-folder"), std::string::npos) << error;

    data.write("broken.xml", "<patient id=\"0\"><info></patient");
    options = optionsFor(data);
    options.templatePath = data.path("broken.xml");
    EXPECT_FALSE(demo::generate(options, error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;

    data.write("noinfo.xml", "<patient id=\"0\"><variable name=\"Pulse\"/></patient>");
    options.templatePath = data.path("noinfo.xml");
    EXPECT_FALSE(demo::generate(options, error));
    EXPECT_NE(error.find("info"), std::string::npos) << error;

    options = optionsFor(data);
    options.days = 0;
    EXPECT_FALSE(demo::generate(options, error));
    options = optionsFor(data);
    options.lastDay = demo::Date{2023, 2, 29};
    EXPECT_FALSE(demo::generate(options, error));
    EXPECT_FALSE(data.exists("user0.hma"));
}
