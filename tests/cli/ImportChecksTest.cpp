// What every import checks as the entry window does (the plausible values,
// numbers as people write them, the person a file is of), and the files
// other health software and spreadsheets write (tests/data/imports).
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/ReadingsExport.h"
#include "HealthExportWriter.h"

using namespace cli;

namespace {

std::string record(int id, const std::string& first, const std::string& last) {
    const std::string n = std::to_string(id);
    return "\t<patient id=\"" + n + "\">\n\t\t<name>\n\t\t\t<first>" + first + "</first>\n\t\t\t<last>" + last +
           "</last>\n\t\t</name>\n\t\t<file>user" + n + ".hma</file>\n\t</patient>\n";
}

std::string sample(const std::string& name) {
    return readFile(std::string(QUORVEL_SOURCE_DIR) + "/tests/data/imports/" + name);
}

std::string pulseObservation(const std::string& value, const std::string& when = "2026-03-01T08:00:00+01:00") {
    return R"({"resource":{"resourceType":"Observation","status":"final","code":{"coding":[{"system":
        "http://loinc.org","code":"8867-4"}]},"effectiveDateTime":")" + when + R"(","valueQuantity":)" + value + "}}";
}

std::string bundleOf(const std::string& entries) { return R"({"resourceType":"Bundle","entry":[)" + entries + "]}"; }

class ImportChecks : public ::testing::Test {
protected:
    void SetUp() override {
        data.write("config.hma", "<config>\n" + record(0, "Ann", "Lee0") + record(1, "Ann", "Lee1") + "</config>\n");
        data.write("user0.hma", userFileXml(0, "Ann", "Lee0", ""));
        std::string user1 = userFileXml(1, "Ann", "Lee1", "");
        user1.replace(user1.find("<dob/>"), 6, "<dob>1950/3/7</dob>");
        data.write("user1.hma", user1);
    }

    int import(const std::string& name, const std::string& content, ImportOptions o) {
        writeFile(data.root + "/" + name, content);
        o.file = data.root + "/" + name;
        if (o.user.empty() && o.format != "csv") o.user = "1";
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = runImport(o);
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    ImportOptions plain(const std::string& variable) {
        ImportOptions o;
        o.user = "1";
        o.variable = variable;
        return o;
    }

    ImportOptions fhir(const std::string& sugarMember = "", bool otherPerson = false) {
        ImportOptions o;
        o.format = "fhir";
        o.bloodSugarMember = sugarMember;
        o.otherPerson = otherPerson;
        return o;
    }

    std::string csvOf(const std::string& user, bool spreadsheet = false, bool decimalComma = false,
                      Units::Preferences units = Units::Preferences()) {
        ExportRequest request;
        request.users = {user};
        request.spreadsheet = spreadsheet;
        request.decimalComma = decimalComma;
        request.units = units;
        std::string text;
        std::ostringstream told;
        Diagnostics tell(told, "");
        EXPECT_EQ(ReadingsExport::write(request, text, nullptr, tell), exchange::kOk) << told.str();
        return text;
    }

    // variable,member,datetime,value of each row of the user's export.
    std::vector<std::string> readings(const std::string& user = "1") {
        std::vector<std::string> rows;
        std::istringstream lines(csvOf(user));
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            std::size_t from = 0;
            for (int comma = 0; comma < 3; ++comma) from = line.find(',', from) + 1;
            rows.push_back(line.substr(from, line.rfind(',', line.rfind(',') - 1) - from));
        }
        return rows;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TestDataFolder data;
    std::string out, err;
};

}  // namespace

TEST_F(ImportChecks, ARowTheEntryWindowWouldQuestionOrNoPersonWritesIsRefusedWithItsLineAndReason) {
    struct Case {
        const char* variable;
        const char* row;
        const char* reason;
    };
    const Case cases[] = {
        {"Pulse", "2026-03-02T08:00:00,720", ":3: Pulse 720 /min is outside what can be measured on a person (20 to 300 /min)"},
        {"Pulse", "2026-03-02T08:00:00,0", ":3: Pulse 0 /min is outside"},
        {"Pulse", "2026-03-02T08:00:00,-0.000000", ":3: Pulse 0 /min is outside"},
        {"Pulse", "2026-03-02T08:00:00,100000", ":3: Pulse 100000 /min is outside"},
        {"Pulse", "2026-03-02T08:00:00,1.2e29", ":3: the value \"1.2e29\" is not a number written with decimals"},
        {"Pulse", "2026-03-02T08:00:00,0x48", ":3: The Value you entered is not a number"},
        {"Pulse", "2026-03-02T08:00:00,0x1p6", ":3: The Value you entered is not a number"},
        {"Temperature", "2026-03-02T08:00:00,36.8",
         ":3: Temperature 36.8 \xC2\xB0" "F is outside what can be measured on a person (77 to 113 \xC2\xB0" "F)"},
        {"Blood Pressure", "2026-03-02T08:00:00,12.8,8.2", ":3: Systolic 12.8 mmHg is outside"},
        {"SpO2", "2026-03-02T08:00:00,0.97", ":3: SpO2 0.97% is outside"},
        {"Pulse", "0000-03-02T08:00:00,72", ":3: the year 0000 is before 1900"},
        {"Pulse", "0001-03-02T08:00:00,72", ":3: the year 0001 is before 1900"},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string before = data.read("user1.hma");
        const std::string good = std::string("datetime,value\n2026-03-01T08:00:00,") +
                                 (std::string(c.variable) == "Blood Pressure" ? "120,80" : "98") + "\n";
        EXPECT_EQ(import("in.csv", good + c.row + "\n", plain(c.variable)), kProblem) << c.row;
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.row << "\n" << err;
        EXPECT_EQ(data.read("user1.hma"), before) << c.row;
        // --skip-bad stores the rest.
        ImportOptions skip = plain(c.variable);
        skip.skipBad = true;
        EXPECT_EQ(import("in.csv", good + c.row + "\n", skip), kProblem) << c.row;
        EXPECT_EQ(readings().size(), std::string(c.variable) == "Blood Pressure" ? 2u : 1u) << c.row;
    }
}

TEST_F(ImportChecks, AnImplausibleValueIsToldInTheFilesUnitAndTheChosenOne) {
    const std::string row = "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\n"
                            "1,Ann,Lee1,Weight,,2026-03-02T08:00:00,0.2,kg,0\n";
    EXPECT_EQ(import("in.csv", row, ImportOptions()), kProblem);
    EXPECT_NE(err.find("in.csv:2: Weight 0.2 kg is outside what can be measured on a person (0.453592 to 453.59237 "
                       "kg), 0.440925 lb in the chosen units (1 to 1000 lb)"),
              std::string::npos)
        << err;
}

TEST_F(ImportChecks, TheFhirAndPhoneImportsCheckAsTheCsvImportDoes) {
    struct Case {
        std::string bundle;
        const char* reason;
    };
    const Case cases[] = {
        {bundleOf(pulseObservation(R"({"value":720,"code":"/min"})")), "entry 1: Pulse 720 /min is outside"},
        {bundleOf(pulseObservation(R"({"value":1.2e29,"code":"/min"})")),
         "entry 1: the value 1.2e29 is not a number written with decimals"},
        {bundleOf(pulseObservation(R"({"value":72,"value":720,"code":"/min"})")),
         "the key \"value\" appears twice in one object (entry 1); nothing written"},
        {bundleOf(pulseObservation(R"({"value":72,"code":"/min"})", "0000-03-01T08:00:00Z")),
         "entry 1: the year 0000 is before 1900"},
    };
    for (const Case& c : cases) {
        const std::string before = data.read("user1.hma");
        EXPECT_EQ(import("b.json", c.bundle, fhir()), kProblem) << c.bundle;
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.bundle << "\n" << err;
        EXPECT_EQ(data.read("user1.hma"), before);
    }

    const std::string type = "HKQuantityTypeIdentifierHeartRate";
    const std::string path = data.root + "/export.xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    HealthExportWriter w(file);
    w.record(type, "Omron", "count/min", "2026-03-01 08:00:00 +0100", "0x48");
    w.record(type, "Omron", "count/min", "2026-03-01 09:00:00 +0100", "0x1p6");
    w.record(type, "Omron", "count/min", "2026-03-01 10:00:00 +0100", "720");
    w.record(type, "Omron", "count/min", "2026-03-01 11:00:00 +0100", "72");
    w.finish();
    std::fclose(file);
    ImportOptions phone;
    phone.format = "apple-health";
    EXPECT_EQ(import("export.xml", readFile(path), phone), kProblem);
    EXPECT_NE(err.find(": the value \"0x48\" is not a number written with decimals"), std::string::npos) << err;
    EXPECT_NE(err.find(": the value \"0x1p6\" is not a number written with decimals"), std::string::npos) << err;
    EXPECT_NE(err.find(": Pulse 720 /min is outside"), std::string::npos) << err;
    EXPECT_TRUE(readings().empty());
}

TEST_F(ImportChecks, ABundleOfAnotherPersonIsRefusedByNameUnlessAskedFor) {
    auto patient = [](const std::string& fields) {
        return R"({"resource":{"resourceType":"Patient",)" + fields + "}},";
    };
    const std::string pulse = pulseObservation(R"({"value":72,"code":"/min"})");
    struct Case {
        std::string patient;
        const char* told;  // empty: the user's own
    };
    const Case cases[] = {
        {patient(R"("name":[{"family":"Roe","given":["Bob"]}])"), "entry 1: the file is for Bob Roe, not Ann Lee1 (id 1) born 1950-03-07"},
        {patient(R"("identifier":[{"system":"urn:quorvel:user","value":"0"}],"name":[{"family":"Lee1","given":["Ann"]}])"),
         "entry 1: the file is for id 0, not Ann Lee1"},
        {patient(R"("name":[{"family":"LEE1","given":["ann"]}],"birthDate":"1961-01-01")"),
         "entry 1: the file is for born 1961-01-01, not Ann Lee1"},
        {patient(R"("name":[{"family":"LEE1","given":["Ann"]}],"birthDate":"1950-03-07")"), ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string bundle = bundleOf(c.patient + pulse);
        if (!*c.told) {
            EXPECT_EQ(import("b.json", bundle, fhir()), kOk) << c.patient << err;
            EXPECT_EQ(readings().size(), 1u);
            continue;
        }
        EXPECT_EQ(import("b.json", bundle, fhir()), kProblem) << c.patient;
        EXPECT_NE(err.find(c.told), std::string::npos) << c.patient << "\n" << err;
        EXPECT_NE(out.find("nothing written"), std::string::npos) << out;
        EXPECT_TRUE(readings().empty());
        EXPECT_EQ(import("b.json", bundle, fhir("", true)), kOk) << c.patient << err;
        EXPECT_EQ(readings().size(), 1u);
    }
}

TEST_F(ImportChecks, AHospitalsBundleIsReadWithItsPanelsHalvesGlucoseCodesAndMissingValues) {
    const std::string bundle = sample("hospital-vitals.fhir.json");
    // A glucose without its mark is never dropped: refused until the person says where it goes.
    EXPECT_EQ(import("h.json", bundle, fhir()), kProblem);
    EXPECT_NE(err.find("entry 6: Blood Sugar without a fasting or postprandial mark (--blood-sugar-member says which "
                       "it is)"),
              std::string::npos)
        << err;
    EXPECT_TRUE(readings().empty());
    ASSERT_EQ(import("h.json", bundle, fhir("fasting")), kOk) << err;
    EXPECT_NE(out.find("added 9, already present 0, refused 0"), std::string::npos) << out;
    EXPECT_NE(out.find("left out: 1 Observations without a value (dataAbsentReason)"), std::string::npos) << out;
    EXPECT_EQ(readings(), (std::vector<std::string>{
                              "Blood Sugar,fasting,2026-03-02T07:00:00,99.000000",
                              "Blood Pressure,systolic,2026-03-02T08:00:00,131.000000",
                              "Blood Pressure,diastolic,2026-03-02T08:00:00,84.000000",
                              "Blood Sugar,fasting,2026-03-03T07:00:00,104.000000",
                              "Blood Pressure,systolic,2026-03-03T08:00:00,128.000000",
                              "Blood Pressure,diastolic,2026-03-03T08:00:00,82.000000",
                              "Blood Sugar,fasting,2026-03-04T07:00:00,109.897600",
                              "Blood Pressure,systolic,2026-03-04T08:00:00,126.000000",
                              "Blood Pressure,diastolic,2026-03-04T08:00:00,80.000000",
                              "Blood Sugar,fasting,2026-03-05T07:00:00,99.088000",
                              "Blood Sugar,fasting,2026-03-06T07:00:00,112.000000",
                              "Pulse,,2026-03-06T07:31:00,64.000000",
                          }));
    // One glucose factor: 6.1 mmol/L reads back as 6.1 where the windows show mmol/L.
    Units::Preferences mmol;
    mmol.sugar = Units::Sugar::MillimolesPerLitre;
    EXPECT_EQ(Units::readingText(Units::Quantity::BloodSugar, 109.8976, mmol), "6.1");

    EXPECT_EQ(import("d.json", sample("date-only.fhir.json"), fhir()), kProblem);
    EXPECT_NE(err.find("entry 1: the time \"2026-03-05\" is a date without a time of day"), std::string::npos) << err;
}

TEST_F(ImportChecks, SpreadsheetsFilesAreReadInTheirOwnSeparatorsLineEndsDatesAndDecimalCommas) {
    EXPECT_EQ(import("cr.csv", sample("cr-only-pulse.csv"), plain("Pulse")), kOk) << err;
    EXPECT_EQ(out, "added 2, already present 0, refused 0\n");
    EXPECT_EQ(import("eu.csv", sample("european-export.csv"), ImportOptions()), kOk) << err;
    EXPECT_EQ(out, "added 2, already present 0, refused 0\n");
    ImportOptions celsius = plain("Temperature");
    celsius.units.temperature = Units::Temperature::Celsius;
    EXPECT_EQ(import("t.csv", sample("european-temperature.csv"), celsius), kOk) << err;
    EXPECT_EQ(readings(), (std::vector<std::string>{
                              "Weight,,2026-03-01T07:30:00,155.425895",
                              "Temperature,,2026-03-01T07:30:00,98.240000",
                              "Pulse,,2026-03-01T08:00:00,71.000000",
                              "Temperature,,2026-03-02T07:45:00,98.780000",
                              "Pulse,,2026-03-02T08:00:00,73.000000",
                              "Blood Pressure,systolic,2026-03-02T08:00:00,128.000000",
                              "Blood Pressure,diastolic,2026-03-02T08:00:00,82.000000",
                          }));

    const std::string before = data.read("user1.hma");
    EXPECT_EQ(import("w.csv", sample("windows-1252.csv"), ImportOptions()), kProblem);
    EXPECT_NE(err.find("w.csv: line 2: the text is not UTF-8 (a spreadsheet's Windows-1252 text?): save it again as "
                       "\"CSV UTF-8\"; nothing written"),
              std::string::npos)
        << err;
    EXPECT_EQ(import("s.csv", "datetime;value\n2026-03-03T08:00:00;72;1;2\n", plain("Pulse")), kProblem);
    EXPECT_NE(err.find("s.csv:2: expected 2 columns for Pulse, found 4; the file uses ';' between values"),
              std::string::npos)
        << err;
    EXPECT_EQ(data.read("user1.hma"), before);
}

TEST_F(ImportChecks, TheSpreadsheetExportWritesWhatTheWindowsShowAndReadsBack) {
    data.write("user1.hma", userFileXml(1, "Ann", "Lee1",
                                        "\t<variable name=\"Weight\">\n\t\t<entry id=\"0\"><value>155.425895</value>"
                                        "<date>2026/03/01</date><time>07:30:00 AM</time></entry>\n\t</variable>\n"));
    Units::Preferences metric;
    metric.mass = Units::Mass::Kilogram;
    const std::string comma = csvOf("1", true, true, metric);
    EXPECT_EQ(comma, "\xEF\xBB\xBFuser_id;first_name;last_name;variable;member;datetime;value;unit;entry_id\r\n"
                     "1;Ann;Lee1;Weight;;2026-03-01 07:30:00;70,5;kg;0\r\n");
    EXPECT_EQ(csvOf("1", true, false, metric).substr(3, 9), "user_id,f");
    EXPECT_NE(csvOf("1", true, false, metric).find(",2026-03-01 07:30:00,70.5,kg,"), std::string::npos);
    // The windows' decimal comma and date style stay out of every file: the desktop's mark decides.
    Units::Preferences shownWithComma = metric;
    shownWithComma.decimalComma = true;
    shownWithComma.dateStyle = Units::DateStyle::DayFirst;
    EXPECT_NE(csvOf("1", true, false, shownWithComma).find(",2026-03-01 07:30:00,70.5,kg,"), std::string::npos);
    EXPECT_NE(csvOf("1", false, false, shownWithComma).find(",2026-03-01T07:30:00,70.5"), std::string::npos)
        << csvOf("1", false, false, shownWithComma);
    EXPECT_EQ(import("back.csv", comma, ImportOptions()), kOk) << err;
    EXPECT_EQ(out, "added 0, already present 1, refused 0\n");
}

TEST_F(ImportChecks, AReadingAtATimeTheClockSkipsGoesOutAtItsInstantAndComesBackOnce) {
    data.write("user1.hma", userFileXml(1, "Ann", "Lee1",
                                        "\t<variable name=\"Pulse\">\n\t\t<entry id=\"0\"><value>70.000000</value>"
                                        "<date>2026/03/29</date><time>02:30:00 AM</time></entry>\n\t</variable>\n"));
    ExportRequest request;
    request.users = {"1"};
    request.fhir = true;
    std::string bundle;
    std::ostringstream told;
    Diagnostics tell(told, "");
    ASSERT_EQ(ReadingsExport::write(request, bundle, nullptr, tell), exchange::kOk) << told.str();
    EXPECT_NE(bundle.find("\"2026-03-29T03:30:00+02:00\""), std::string::npos) << bundle;
    EXPECT_EQ(import("b.json", bundle, fhir()), kOk) << err;
    EXPECT_EQ(out.substr(0, out.find('\n')), "added 0, already present 1, refused 0");
}

TEST_F(ImportChecks, ThePhoneImportKeepsTheTextsOfTheFirstRefusalsOnlyAndCutsThem) {
    const std::string path = data.root + "/export.xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    HealthExportWriter w(file);
    for (int i = 0; i < 30; ++i)
        w.record("HKQuantityTypeIdentifierHeartRate", "Omron", "count/min", "2026-03-01 08:00:00 +0100",
                 std::string(5000, '7') + "x");
    w.finish();
    std::fclose(file);
    ImportOptions phone;
    phone.format = "apple-health";
    EXPECT_EQ(import("export.xml", readFile(path), phone), kProblem);
    EXPECT_NE(out.find("refused 30"), std::string::npos) << out;
    EXPECT_NE(err.find("export.xml: and 10 more lines refused, not told one by one"), std::string::npos) << err;
    std::istringstream lines(err);
    std::string line;
    int told = 0;
    while (std::getline(lines, line)) {
        EXPECT_LT(line.size(), 400u);
        told += line.find("is not a number") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(told, 20);
}

TEST_F(ImportChecks, CheckNamesStoredReadingsNoPersonCanHave) {
    data.write("user1.hma", userFileXml(1, "Ann", "Lee1",
                                        "\t<variable name=\"Pulse\">\n\t\t<entry id=\"4\"><value>720.000000</value>"
                                        "<date>2026/03/01</date><time>07:30:00 AM</time></entry>\n\t</variable>\n"));
    CheckOptions o;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCheck(o), kProblem);
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("user1.hma: variable Pulse: entry 4: value 720 is outside what can be measured on a person (20 "
                       "to 300 /min)"),
              std::string::npos)
        << out;
}
