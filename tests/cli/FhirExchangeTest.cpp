// The FHIR form of the readings: what the export says of each variable
// (codes, units, category, the local time's offset, the blood sugar's
// member, the program's own code for the others, ids that stay the same),
// the way back through the import, and another system's Bundle.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/ReadingsExport.h"
#include "exchange/fhir/FhirImport.h"

using namespace cli;
using json = nlohmann::json;

namespace {

std::string entry(int id, const std::string& values, const std::string& date, const std::string& time) {
    return "\t\t<entry id=\"" + std::to_string(id) + "\">" + values + "<date>" + date + "</date><time>" + time +
           "</time></entry>\n";
}

const std::string kVariables =
    "\t<variable name=\"Pulse\"><normalLow>60</normalLow><normalHigh>100</normalHigh>\n" +
    entry(0, "<value>72.000000</value>", "2024/01/03", "08:00:00 AM") +
    entry(1, "<value>64.500000</value>", "2024/07/03", "09:30:00 PM") + "\t</variable>\n" +
    "\t<variable name=\"Blood Sugar\">\n" +
    entry(0, "<fasting>101.000000</fasting><postprandial>150.000000</postprandial>", "2024/02/01", "07:00:00 AM") +
    "\t</variable>\n\t<variable name=\"Blood Pressure\">\n" +
    entry(0, "<systolic>120.000000</systolic><diastolic>80.000000</diastolic>", "2024/01/02", "10:00:00 AM") +
    "\t</variable>\n\t<variable name=\"My  Sleep %\">\n" +
    entry(3, "<value>7.250000</value>", "2024/01/04", "06:00:00 AM") + "\t</variable>\n";

std::string record(int id) {
    const std::string n = std::to_string(id);
    return "\t<patient id=\"" + n + "\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee" + n +
           "</last>\n\t\t</name>\n\t\t<file>user" + n + ".hma</file>\n\t</patient>\n";
}

class FhirExchange : public ::testing::Test {
protected:
    void SetUp() override {
        data.write("config.hma", "<config>\n" + record(0) + record(1) + "</config>\n");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee0", kVariables));
        data.write("user1.hma", userFileXml(1, "Ann", "Lee1", ""));
    }

    std::string exportText(const std::string& user, bool fhir) {
        ExportRequest request;
        request.users = {user};
        request.fhir = fhir;
        std::string text;
        std::ostringstream told;
        Diagnostics tell(told, "");
        EXPECT_EQ(ReadingsExport::write(request, text, nullptr, tell), exchange::kOk) << told.str();
        return text;
    }

    int import(const std::string& bundle, const std::string& user = "1", bool skipBad = false,
               bool otherPerson = false, const std::string& sugarMember = "") {
        writeFile(data.root + "/bundle.json", bundle);
        ImportOptions o;
        o.user = user;
        o.skipBad = skipBad;
        o.otherPerson = otherPerson;
        o.bloodSugarMember = sugarMember;
        o.format = "fhir";
        o.file = data.root + "/bundle.json";
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = runImport(o);
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TestDataFolder data;
    std::string out, err;
};

// variable,member,datetime,value of each row of a CSV export.
std::vector<std::string> readingsOf(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::size_t from = 0;
        for (int comma = 0; comma < 3; ++comma) from = line.find(',', from) + 1;
        rows.push_back(line.substr(from, line.rfind(',', line.rfind(',') - 1) - from));  // without unit and entry id
    }
    return rows;
}

}  // namespace

TEST_F(FhirExchange, EachVariableIsToldWithItsCodeUnitCategoryAndOffset) {
    const std::string text = exportText("0", true);
    EXPECT_EQ(exportText("0", true), text);  // the same ids every time
    const json bundle = json::parse(text);
    ASSERT_EQ(bundle["type"], "collection");
    const json& patient = bundle["entry"][0];
    EXPECT_EQ(patient["resource"]["identifier"][0]["value"], "0");
    std::map<std::string, json> byId;
    for (const json& e : bundle["entry"]) {
        if (e["resource"]["resourceType"] != "Observation") continue;
        EXPECT_EQ(e["resource"]["subject"]["reference"], patient["fullUrl"]);
        byId[e["resource"]["identifier"][0]["value"]] = e["resource"];
    }
    ASSERT_EQ(byId.size(), 6u);
    const json& winter = byId["0/Pulse/0"];
    EXPECT_EQ(winter["effectiveDateTime"], "2024-01-03T08:00:00+01:00");
    EXPECT_EQ(byId["0/Pulse/1"]["effectiveDateTime"], "2024-07-03T21:30:00+02:00");
    EXPECT_EQ(winter["code"]["coding"][0]["code"], "8867-4");
    EXPECT_EQ(winter["category"][0]["coding"][0]["code"], "vital-signs");
    EXPECT_EQ(winter["valueQuantity"], json::parse(R"({"value":72.0,"unit":"beats/minute",
        "system":"http://unitsofmeasure.org","code":"/min"})"));
    EXPECT_EQ(winter["referenceRange"][0]["high"]["value"], 100.0);
    const json& pressure = byId["0/Blood Pressure/0"];
    EXPECT_FALSE(pressure.contains("valueQuantity"));
    EXPECT_EQ(pressure["component"][1]["code"]["coding"][0]["code"], "8462-4");
    EXPECT_EQ(pressure["component"][1]["valueQuantity"]["code"], "mm[Hg]");
    const json& after = byId["0/Blood Sugar/0/postprandial"];
    EXPECT_EQ(after["category"][0]["coding"][0]["code"], "laboratory");
    EXPECT_EQ(after["code"]["coding"][1]["code"], "postprandial");
    EXPECT_EQ(after["valueQuantity"]["value"], 150.0);
    const json& own = byId["0/My  Sleep %/3"];
    EXPECT_EQ(own["code"]["coding"][0]["system"], "urn:quorvel:variable");
    EXPECT_EQ(own["code"]["coding"][0]["code"], "My%20%20Sleep%20%25");
    EXPECT_FALSE(own.contains("category"));
}

TEST_F(FhirExchange, ExportThenImportGivesBackTheSameReadingsOnce) {
    data.write("user1.hma", userFileXml(1, "Ann", "Lee1", "\t<variable name=\"My  Sleep %\"/>\n"));
    ASSERT_EQ(import(exportText("0", true), "1", false, true), kOk) << err;
    EXPECT_EQ(out, "added 5, already present 0, refused 0\n  Blood Pressure: 1 new, 0 already present\n"
                   "  Blood Sugar: 1 new, 0 already present\n  My  Sleep %: 1 new, 0 already present\n"
                   "  Pulse: 2 new, 0 already present\n");
    EXPECT_EQ(readingsOf(exportText("1", false)), readingsOf(exportText("0", false)));
    ASSERT_EQ(import(exportText("0", true), "1", false, true), kOk) << err;
    EXPECT_EQ(out.substr(0, out.find('\n')), "added 0, already present 5, refused 0");
}

TEST_F(FhirExchange, AnotherSystemsBundleIsConvertedAndWhatIsNotAReadingIsNamed) {
    auto observation = [](const std::string& code, const std::string& quantity, const std::string& when) {
        return R"({"resource":{"resourceType":"Observation","status":"final","code":{"coding":[{"system":
            "http://loinc.org","code":")" + code + R"(","display":"x"}]},"effectiveDateTime":")" + when +
               R"(","valueQuantity":)" + quantity + "}}";
    };
    const std::string good =
        observation("8310-5", R"({"value":37,"unit":"C","system":"http://unitsofmeasure.org","code":"Cel"})",
                    "2024-03-01T06:00:00Z") + "," +
        observation("29463-7", R"({"value":70,"code":"kg"})", "2024-03-01T07:00:00.250-05:00") + "," +
        observation("8302-2", R"({"value":170,"code":"cm"})", "2024-03-01T07:00:00Z");
    ASSERT_EQ(import(R"({"resourceType":"Bundle","type":"collection","entry":[)" + good + "]}"), kOk) << err;
    EXPECT_NE(out.find("left out: 1 Observations of another code: 8302-2 x\n"), std::string::npos) << out;
    EXPECT_EQ(readingsOf(exportText("1", false)),
              (std::vector<std::string>{"Temperature,,2024-03-01T07:00:00,98.600000",
                                        "Weight,,2024-03-01T13:00:00,154.323584"}));

    // A time without its offset, or a unit the variable is not kept in, refuses the Bundle as a whole.
    const std::string before = data.read("user1.hma");
    const std::string bad = observation("8867-4", R"({"value":61,"code":"/min"})", "2024-03-02T07:00:00") + "," +
                            observation("8867-4", R"({"value":1,"code":"Hz"})", "2024-03-03T07:00:00Z") + "," +
                            observation("8867-4", R"({"value":62,"code":"/min"})", "2024-03-04T07:00:00Z");
    EXPECT_EQ(import(R"({"resourceType":"Bundle","entry":[)" + bad + "]}"), kProblem);
    EXPECT_NE(err.find("bundle.json: entry 1: the time \"2024-03-02T07:00:00\" is not a date and time with its "
                       "offset from UTC"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("bundle.json: entry 2: the unit \"Hz\" of Pulse is not one of /min, {beats}/min"),
              std::string::npos)
        << err;
    EXPECT_EQ(data.read("user1.hma"), before);
    EXPECT_EQ(import("[1, 2]"), kProblem);
    EXPECT_NE(err.find("not a FHIR Bundle"), std::string::npos) << err;
}

TEST_F(FhirExchange, ABundleOfTwoPeoplesReadingsIsRefusedWholeAndEveryBundleNeedsItsUser) {
    auto pulse = [](const std::string& subject, const std::string& when) {
        return R"({"resource":{"resourceType":"Observation","status":"final","subject":{"reference":")" + subject +
               R"("},"code":{"coding":[{"system":"http://loinc.org","code":"8867-4"}]},"effectiveDateTime":")" + when +
               R"(","valueQuantity":{"value":70,"code":"/min"}}})";
    };
    const std::string bundle = R"({"resourceType":"Bundle","entry":[)" + pulse("Patient/a", "2024-03-01T07:00:00Z") +
                               "," + pulse("Patient/b", "2024-03-02T07:00:00Z") + "]}";
    const std::string before = data.read("user1.hma");
    for (bool skipBad : {false, true}) {
        EXPECT_EQ(import(bundle, "1", skipBad), kProblem);
        EXPECT_NE(err.find("bundle.json: entry 2: the file holds the readings of more than one person (Patient/a, "
                           "Patient/b)"),
                  std::string::npos)
            << err;
        EXPECT_NE(out.find("nothing written"), std::string::npos) << out;
        EXPECT_EQ(data.read("user1.hma"), before);
    }
    EXPECT_EQ(import(bundle, ""), kUsage);
    EXPECT_NE(err.find("needs --user"), std::string::npos) << err;
}

// A value that is not finite has no number to export (it was once written
// as "value": null); a limit followed by the variable's own unit is a limit,
// one in another unit or with other words is none.
TEST_F(FhirExchange, AnInfiniteValueIsLeftOutAndALimitMayNameTheFilesUnit) {
    const std::string pulse =
        "\t<variable name=\"Pulse\"><normalLow>60 /min</normalLow><normalHigh>100 bpm</normalHigh>\n" +
        entry(0, "<value>inf</value>", "2024/01/03", "08:00:00 AM") +
        entry(1, "<value>nan</value>", "2024/01/04", "08:00:00 AM") +
        entry(2, "<value>70 </value>", "2024/01/05", "08:00:00 AM") + "\t</variable>\n" +
        "\t<variable name=\"Temperature\"><normalLow>36 Cel</normalLow><normalHigh>99.5 \xC2\xB0" "F</normalHigh>\n" +
        entry(0, "<value>98.2</value>", "2024/01/03", "08:00:00 AM") + "\t</variable>\n";
    data.write("user0.hma", userFileXml(0, "Ann", "Lee0", pulse));
    const json bundle = json::parse(exportText("0", true));
    std::map<std::string, json> byId;
    for (const json& e : bundle["entry"])
        if (e["resource"]["resourceType"] == "Observation") byId[e["resource"]["identifier"][0]["value"]] = e["resource"];
    ASSERT_EQ(byId.size(), 2u);
    const json& pulseReading = byId["0/Pulse/2"];
    EXPECT_EQ(pulseReading["valueQuantity"]["value"], 70.0);
    EXPECT_EQ(pulseReading["referenceRange"], json::parse(R"([{"low":{"value":60.0,"unit":"beats/minute",
        "system":"http://unitsofmeasure.org","code":"/min"}}])"));
    const json& temperature = byId["0/Temperature/0"];
    ASSERT_EQ(temperature["referenceRange"].size(), 1u);
    EXPECT_FALSE(temperature["referenceRange"][0].contains("low"));
    EXPECT_EQ(temperature["referenceRange"][0]["high"]["value"], 99.5);
}

// What a grouped variable's Observation must carry: the blood pressure its
// components, the blood sugar the mark of its member.
TEST_F(FhirExchange, AGroupedReadingWithoutItsMembersIsNamedAndNotTaken) {
    const std::string sugar = R"({"resource":{"resourceType":"Observation","status":"final","code":{"coding":[
        {"system":"http://loinc.org","code":"2339-0"}]},"effectiveDateTime":"2024-03-01T06:00:00Z",
        "valueQuantity":{"value":99,"code":"mg/dL"}}})";
    // Never dropped: refused, or stored as the member the person chooses.
    EXPECT_EQ(import(R"({"resourceType":"Bundle","entry":[)" + sugar + "]}"), kProblem);
    EXPECT_NE(err.find("entry 1: Blood Sugar without a fasting or postprandial mark (--blood-sugar-member says which "
                       "it is)"),
              std::string::npos)
        << err;
    ASSERT_EQ(import(R"({"resourceType":"Bundle","entry":[)" + sugar + "]}", "1", false, false, "postprandial"), kOk)
        << err;
    EXPECT_EQ(readingsOf(exportText("1", false)),
              (std::vector<std::string>{"Blood Sugar,postprandial,2024-03-01T07:00:00,99.000000"}));
    const std::string pressure = R"({"resource":{"resourceType":"Observation","status":"final","code":{"coding":[
        {"system":"http://loinc.org","code":"85354-9"}]},"effectiveDateTime":"2024-03-01T06:00:00Z",
        "component":[{"code":{"coding":[{"system":"http://loinc.org","code":"8867-4"}]},
        "valueQuantity":{"value":60,"code":"/min"}}]}})";
    EXPECT_EQ(import(R"({"resourceType":"Bundle","entry":[)" + pressure + "]}"), kProblem);
    EXPECT_NE(err.find("no systolic (8480-6) or diastolic (8462-4) component"), std::string::npos) << err;
}
