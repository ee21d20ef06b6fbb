// The report command on a real data folder: the page it writes, read back
// from disk.
#include <gtest/gtest.h>

#include <sstream>

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "cli/ReportCommand.h"
#include "exchange/report/DoctorReport.h"
#include "exchange/report/HtmlReport.h"
#include "platform/Platform.h"
#include "rules/units/Units.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome report(const TestDataFolder& data, const std::string& user, const std::string& output,
           const std::string& to = "2026-03-31", const std::string& last = "", bool showFolder = false,
           const Units::Preferences& units = Units::Preferences()) {
    cli::ReportOptions o;
    o.dataDir = data.folder;
    o.user = user;
    o.to = to;
    o.last = last;
    o.output = output;
    o.showFolder = showFolder;
    o.units = units;
    std::ostringstream out, err;
    const int status = cli::runReport(o, out, err);
    return Outcome{status, out.str(), err.str()};
}

void addUser(const TestDataFolder& data, int id, const std::string& firstXml, const std::string& lastXml,
             const std::string& variables) {
    std::string config = data.read("config.hma");
    const std::string record = "\t<patient id=\"" + std::to_string(id) + "\">\n\t\t<name>\n\t\t\t<first>" + firstXml +
                               "</first>\n\t\t\t<last>" + lastXml + "</last>\n\t\t</name>\n\t\t<file>user" +
                               std::to_string(id) + ".hma</file>\n\t</patient>\n";
    if (config.find("<config/>") != std::string::npos || config.find("<config>") == std::string::npos) {
        config = "<config>\n" + record + "</config>\n";
    } else {
        config.insert(config.rfind("</config>"), record);
    }
    data.write("config.hma", config);
    data.write("user" + std::to_string(id) + ".hma", userFileXml(id, firstXml, lastXml, variables));
}

}  // namespace

TEST(ReportCommand, NamesAndVariableNamesFromTheDataShowAsText) {
    TestDataFolder data;
    const std::vector<TestReading> one = {{"2026/03/05", "08:30:00 AM", 72}};
    addUser(data, 0, "&lt;script&gt;alert(1)&lt;/script&gt;", "&quot;&gt;&lt;img src=x&gt;",
            variableXml("&lt;b&gt;Mood&lt;/b&gt;", {"4", "10", "2", "10"}, one));
    const std::string file = data.root + "/page.html";
    const Outcome run = report(data, "0", file);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = readFile(file);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("Readings of &lt;script&gt;alert(1)&lt;/script&gt; &quot;&gt;&lt;img src=x&gt;"),
              std::string::npos);
    EXPECT_NE(page.find("<h3>&lt;b&gt;Mood&lt;/b&gt;</h3>"), std::string::npos);
    // The printed margins name the person too, as text in a CSS string.
    EXPECT_NE(page.find("\\3c script\\3e alert(1)\\3c \\2f script\\3e  \\22 \\3e \\3c img src\\3d x\\3e , "
                        "date of birth not recorded\";"),
              std::string::npos);
    EXPECT_EQ(DoctorReport::defaultName("<script>", "a/b c", "2026-03-31"), "_script_-a_b_c-2026-03-31.html");
}

TEST(ReportCommand, ThePageHoldsHeaderSectionsReadingsNewestFirstAndTheClosingLine) {
    TestDataFolder data;
    addUser(data, 0, "Ann", "Lee",
            pulseXml({{"2026/03/01", "08:00:00 AM", 72},
                      {"2026/03/02", "08:00:00 AM", 135},
                      {"2026/03/03", "09:15:00 PM", 58},
                      {"2025/01/01", "08:00:00 AM", 99}}) +
                variableXml("Blood Pressure", {"90", "60", "139", "89", "70", "40", "180", "120"},
                            {{"2026/03/03", "07:00:00 AM", 150, 80}, {"2026/03/04", "07:00:00 AM", 120}},
                            {"systolic", "diastolic"}) +
                variableXml("Temperature", {"96.9", "99.5", "95", "103"}, {{"2025/06/01", "08:00:00 AM", 98.6}}));
    const std::string file = data.root + "/page.html";
    const Outcome run = report(data, "Ann Lee", file, "2026-03-31", "31d");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(file), std::string::npos);
    const std::string page = readFile(file);
    for (const char* text : {"Readings of Ann Lee", "2026-03-01 to 2026-03-31", "<h3>Pulse (/min)</h3>",
                             "<h3>Blood Pressure (mmHg)</h3>",
                             "Morning (before 12:00)", "<details>", HtmlReport::kClosingLine})
        EXPECT_NE(page.find(text), std::string::npos) << text;
    // Nothing outside the period: the 2025 pulse and the temperature.
    EXPECT_EQ(page.find("<h3>Temperature"), std::string::npos);
    EXPECT_NE(page.find("All 3 readings of Pulse"), std::string::npos);
    const std::size_t newest = page.find("<tr><td>2026-03-03<td>21:15 <b class=o>58\xE2\x86\x93</b>");
    const std::size_t panic = page.find("<tr><td>2026-03-02<td>08:00 <b class=p>135\xE2\x86\x91!</b>");
    const std::size_t oldest = page.find("<tr><td>2026-03-01<td>08:00 72</tr>");
    EXPECT_NE(newest, std::string::npos);
    EXPECT_LT(newest, panic);
    EXPECT_LT(panic, oldest);
    EXPECT_NE(page.find("07:00 120/\xE2\x80\x93"), std::string::npos);
    // One day of blood pressure (the reading without a diastolic value does
    // not count) gives no home average, and the page says why.
    EXPECT_NE(page.find("<tr><th>Home average<td>none: the latest days in a row with morning or evening readings, "
                        "<span class=nb>2026-03-03</span> to <span class=nb>2026-03-03</span>, are 1 day; at least 3 "
                        "are needed</tr>"),
              std::string::npos);
    EXPECT_EQ(page.find("<tr><th>Class"), std::string::npos);
    EXPECT_NE(page.find("07:00 <b class=o>150\xE2\x86\x91</b>/80"), std::string::npos);
}

TEST(ReportCommand, EveryPageNamesThePersonValuesCarryUnitsAndTheFolderStaysOutUnlessAsked) {
    TestDataFolder data;
    std::vector<TestReading> pressure;
    std::vector<std::string> days;
    for (int d = 20; d <= 26; ++d) days.push_back("2026/03/" + std::to_string(d));
    for (const std::string& day : days) {
        pressure.push_back({day.c_str(), "07:00:00 AM", day == days[0] ? 200.0 : 125.0, 80});
        pressure.push_back({day.c_str(), "08:00:00 PM", day == days[0] ? 200.0 : 135.0, 84});
    }
    addUser(data, 0, "Ann", "Lee",
            pulseXml({{"2026/03/05", "08:30:00 AM", 72}}) +
                variableXml("Blood Pressure", {"90", "60", "139", "89", "70", "40", "180", "120"}, pressure,
                            {"systolic", "diastolic"}) +
                variableXml("Temperature", {"96.9", "99.5", "95", "103"}, {{"2026/03/05", "08:00:00 AM", 98}}));
    std::string file = data.read("user0.hma");
    file.replace(file.find("<dob/>"), 6, "<dob>1950/3/7</dob>");
    data.write("user0.hma", file);

    const std::string page = data.root + "/page.html";
    ASSERT_EQ(report(data, "0", page).status, 0);
    const std::string text = readFile(page);
    for (const char* wanted :
         {"<tr><th>Date of birth<td>1950-03-07</tr>", "@top-left { content: \"Ann Lee, born 1950-03-07\";",
          "@bottom-right { content: \"page \" counter(page) \" of \" counter(pages);",
          "<tr><td>Pulse (beats per minute)<td class=n>1<td class=n>72<td class=n>72<td class=n>72<td class=n>\xE2\x80\x93",
          "<tr><td>Systolic (mmHg)<td class=n>14<td class=n>140<td class=n>125<td class=n>200<td class=n>",
          "<tr><td>Temperature (\xC2\xB0" "F)<td class=n>1<td class=n>98.0<td class=n>98.0<td class=n>98.0", "(normal range: 60 - 100 beats per minute)",
          // The home series: the first day's 200/80 and 200/84 left out.
          "<tr><th>Home average<td><strong>130/82 mmHg</strong> over 6 days, <span class=nb>2026-03-21</span> to "
          "<span class=nb>2026-03-26</span>, from 12 readings</tr>",
          "<tr><th>Class<td><strong>normal</strong>: below the home threshold of 135/85 mmHg (2023 ESH Guidelines "
          "for the management of arterial hypertension)</tr>",
          "<tr><th>Morning average<td>125/80 mmHg from 6 readings</tr>",
          "<tr><th>Evening average<td>135/84 mmHg from 6 readings</tr>",
          "<tr><th>At or above 135/85<td>6 of 12 readings (50.0%)</tr>",
          "<tr><th>Left out<td>day 1, <span class=nb>2026-03-20</span> (2 readings)</tr>",
          "<tr><th>Home threshold<td>135/85 mmHg (European Society of Hypertension)</tr>",
          "<tr><th>Normal range set for this person<td>Systolic 90 - 139 mmHg, Diastolic 60 - 89 mmHg</tr>",
          // One line for each other variable.
          "<tr><td>Pulse (beats per minute)<td class=n>1<td class=n>72<td class=n><span class=nb>72 - 72</span>"
          "<td>0 of 1 (0 below, 0 above <span class=nb>60 - 100</span>)<td></tr>",
          "<tr><td>Temperature (\xC2\xB0" "F)<td class=n>1<td class=n>98.0<td class=n><span class=nb>98.0 - 98.0"
          "</span><td>0 of 1 (0 below, 0 above <span class=nb>96.9 - 99.5</span>)<td>0 fevers (from "
          "<span class=nb>100.4 \xC2\xB0" "F</span>)</tr>",
          "<main>"})
        EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
    // The summary first, then the charts, the reading lists last.
    const std::size_t summary = text.find("<h2>Summary</h2>"), charts = text.find("<h2>Charts</h2>"),
                      lists = text.find("<h2>All readings</h2>");
    EXPECT_LT(text.find("Home average"), charts);
    EXPECT_LT(summary, charts);
    EXPECT_LT(charts, text.find("<svg"));
    EXPECT_LT(charts, lists);
    EXPECT_LT(text.rfind("<svg class"), lists);
    EXPECT_LT(lists, text.find("<details>"));
    EXPECT_EQ(text.find(data.folder), std::string::npos);
    EXPECT_EQ(text.find("data folder"), std::string::npos);

    ASSERT_EQ(report(data, "0", page, "2026-03-31", "", true).status, 0);
    EXPECT_NE(readFile(page).find("Made with Quorvel from the data folder " + data.folder), std::string::npos);
}

TEST(ReportCommand, ProblemsEndWithAStatusAndWriteNothing) {
    TestDataFolder data;
    addUser(data, 0, "Ann", "Lee", pulseXml({}));
    addUser(data, 1, "Ann", "Lee", pulseXml({}));
    const struct {
        const char* user;
        std::string output;
        const char* to;
        int status;
        const char* message;
    } cases[] = {
        {"Ann Lee", data.root + "/a.html", "", 1, "is ambiguous; give one of the ids: 0 1"},
        {"7", data.root + "/a.html", "", 1, "no user with the id or the name \"7\""},
        {"0", data.root + "/missing/a.html", "", 1, "the output folder does not exist"},
        {"0", data.root + "/a.html", "2026-02-31", 2, "--to"},
        {"", data.root + "/a.html", "", 2, "--user"},
    };
    for (const auto& c : cases) {
        const Outcome run = report(data, c.user, c.output, c.to);
        EXPECT_EQ(run.status, c.status) << c.user;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(platform::pathExists(data.root + "/a.html"));
}

// In °C the report's title, values and limits are all in °C: a fever above
// the normal range, and one beyond the panic limit, with the decimals the
// converted limits need in every cell of the column.
TEST(ReportCommand, ValuesAndLimitsAreInTheChosenUnits) {
    TestDataFolder data;
    addUser(data, 0, "Ann", "Lee",
            variableXml("Temperature", {"96.9", "99.5", "95", "103"},
                        {{"2026/03/01", "08:00:00 AM", 101.3}, {"2026/03/02", "08:00:00 AM", 104}}));
    Units::Preferences celsius;
    celsius.temperature = Units::Temperature::Celsius;
    const std::string file = data.root + "/page.html";
    const Outcome run = report(data, "0", file, "2026-03-31", "31d", false, celsius);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = readFile(file);
    for (const char* text : {"<h3>Temperature (\xC2\xB0" "C)</h3>", "<title>Temperature (\xC2\xB0" "C)</title>",
                             "08:00 <b class=o>38.5\xE2\x86\x91</b>", "08:00 <b class=p>40.0\xE2\x86\x91!</b>",
                             "above 39.4", "2 fevers (from <span class=nb>38.0 \xC2\xB0" "C</span>)"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
}

// Values converted from the file's unit show with the unit's own decimals,
// everywhere on the page: 180 mg/dL is 10.0 mmol/L, never 9.99.
TEST(ReportCommand, ConvertedValuesShowWithTheirUnitsDecimals) {
    TestDataFolder data;
    addUser(data, 0, "Ann", "Lee",
            variableXml("Blood Sugar", {"90", "90", "130", "180", "54", "54", "250", "300"},
                        {{"2026/03/01", "08:00:00 AM", 180, 200}, {"2026/03/02", "08:00:00 AM", 100, 120}},
                        {"fasting", "postprandial"}));
    Units::Preferences mmol;
    mmol.sugar = Units::Sugar::MillimolesPerLitre;
    const std::string file = data.root + "/page.html";
    ASSERT_EQ(report(data, "0", file, "2026-03-31", "31d", false, mmol).status, 0);
    const std::string page = readFile(file);
    for (const char* text : {"08:00 <b class=o>10.0\xE2\x86\x91</b>/<b class=o>11.1\xE2\x86\x91</b>",
                             "(normal range: 5.0 - 7.2 mmol/L)", "(normal range: 5.0 - 10.0 mmol/L)"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
    EXPECT_EQ(page.find("9.99"), std::string::npos);
    EXPECT_EQ(page.find("5.00"), std::string::npos);
}
