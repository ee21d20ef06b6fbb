// quorvel-data import --format apple-health on exports made as a phone makes
// them: the DOCTYPE prolog, a blood-pressure correlation whose halves also
// stand alone, every unit form, a control character inside an attribute, a
// file name in another script and the zip around export.xml.
#include <gtest/gtest.h>

#include <cstdio>
#include <zip.h>

#include "HealthExportWriter.h"
#include "TestSupport.h"
#include "cli/Commands.h"
#include "exchange/ReadingsExport.h"

using namespace cli;

namespace {

const std::string kType = "HKQuantityTypeIdentifier";

// The export the tests read: ten readings for the diary, a watch's pulse and a step count.
std::string writeExport(const std::string& path, const std::string& heartRateUnit = "count/min") {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    HealthExportWriter w(out);
    w.record(kType + "HeartRate", "Omron Connect", heartRateUnit, "2024-01-15 08:00:00 -0500", "72");
    w.record(kType + "HeartRate", "Ann\xe2\x80\x99s Apple Watch", "count/min", "2024-01-15 08:05:00 -0500", "90");
    // The vertical tab: in the correlation and in each of its four records.
    w.bloodPressure("Omron\vConnect", "2024-01-16 07:00:00 -0500", "128", "84");
    w.record(kType + "OxygenSaturation", "Wellue", "%", "2024-01-17 09:00:00 -0500", "0.97");
    w.record(kType + "BodyTemperature", "Thermo", "degC", "2024-07-01 06:30:00 -0400", "37");
    w.record(kType + "BodyTemperature", "Thermo", "degF", "2024-01-18 21:15:00 +0100", "99.1");
    w.record(kType + "BodyMass", "Scale", "kg", "2024-01-19 07:00:00 +0000", "70");
    w.record(kType + "BodyMass", "Scale", "lb", "2024-01-20 07:00:00 +0000", "150.5");
    w.record(kType + "BodyMass", "Scale", "g", "2024-01-21 07:00:00 +0000", "70000");
    w.record(kType + "BloodGlucose", "Contour", "mg/dL", "2024-01-22 06:45:00 +0100", "105");
    w.record(kType + "BloodGlucose", "Contour", "mmol<180.1558800000541>/L", "2024-01-22 13:30:00 +0100", "7.5",
             "  <MetadataEntry key=\"HKBloodGlucoseMealTime\" value=\"2\"/>\n");
    w.record(kType + "StepCount", "iPhone", "count", "2024-01-22 13:30:00 +0100", "812");
    w.finish();
    std::fclose(out);
    return readFile(path);
}

void writeZip(const std::string& path, const std::string& xml) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    static const char cda[] = "<ClinicalDocument/>";
    // The clinical document beside it is not the export.
    zip_file_add(archive, "apple_health_export/export_cda.xml", zip_source_buffer(archive, cda, sizeof cda - 1, 0),
                 0);
    zip_file_add(archive, "apple_health_export/export.xml",
                 zip_source_buffer(archive, xml.data(), xml.size(), 0), 0);
    ASSERT_EQ(zip_close(archive), 0);
}

class HealthExport : public ::testing::Test {
protected:
    void SetUp() override {
        data.write("config.hma", "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n"
                                 "\t\t\t<last>Lee</last>\n\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n"
                                 "</config>\n");
        data.write("user0.hma", readFile(data.path("template_new.xml")));
    }

    int import(const std::string& file, bool allSources = false) {
        ImportOptions o;
        o.user = "0";
        o.format = "apple-health";
        o.file = file;
        o.allSources = allSources;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = runImport(o);
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    // variable,member,datetime,value of every reading of the user, in time order.
    std::vector<std::string> readings() {
        ExportRequest request;
        request.users = {"0"};
        std::string csv;
        std::ostringstream told;
        Diagnostics tell(told, "");
        EXPECT_EQ(ReadingsExport::write(request, csv, nullptr, tell), exchange::kOk) << told.str();
        std::vector<std::string> rows;
        std::istringstream lines(csv);
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line)) {
            std::size_t from = 0;
            for (int comma = 0; comma < 3; ++comma) from = line.find(',', from) + 1;
            rows.push_back(line.substr(from, line.rfind(',', line.rfind(',') - 1) - from));  // without unit and entry id
        }
        return rows;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TestDataFolder data;
    std::string out, err;
};

}  // namespace

TEST_F(HealthExport, AZippedExportIsReadValueByValueInTheDiarysUnitsAndLocalTime) {
    const std::string zipPath = data.root + "/\xe5\xaf\xbc\xe5\x87\xba.zip";  // 导出.zip
    writeZip(zipPath, writeExport(data.root + "/export.xml"));
    ASSERT_EQ(import(zipPath), kOk) << err;
    EXPECT_EQ(readings(), (std::vector<std::string>{
                              "Pulse,,2024-01-15T14:00:00,72.000000",
                              "Blood Pressure,systolic,2024-01-16T13:00:00,128.000000",
                              "Blood Pressure,diastolic,2024-01-16T13:00:00,84.000000",
                              "SpO2,,2024-01-17T15:00:00,97.000000",
                              "Temperature,,2024-01-18T21:15:00,99.100000",
                              "Weight,,2024-01-19T08:00:00,154.323584",
                              "Weight,,2024-01-20T08:00:00,150.500000",
                              "Weight,,2024-01-21T08:00:00,154.323584",
                              "Blood Sugar,fasting,2024-01-22T06:45:00,105.000000",
                              "Blood Sugar,postprandial,2024-01-22T13:30:00,135.120000",
                              "Temperature,,2024-07-01T12:30:00,98.600000",
                          }));
    EXPECT_NE(out.find("added 10, already present 0, refused 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("left out: 1 records from a watch: Pulse"), std::string::npos) << out;
    EXPECT_NE(out.find("left out: 1 records of HKQuantityTypeIdentifierStepCount"), std::string::npos) << out;
    EXPECT_NE(out.find("5 control characters in the export read as blanks"), std::string::npos) << out;

    // The export.xml itself, with the watch's samples: only the watch's pulse is new.
    ASSERT_EQ(import(data.root + "/export.xml", true), kOk) << err;
    EXPECT_NE(out.find("added 1, already present 10, refused 0\n"), std::string::npos) << out;
    EXPECT_EQ(readings().size(), 12u);
}

TEST_F(HealthExport, AnUnknownUnitOrABrokenFileWritesNothing) {
    const std::string before = data.read("user0.hma");
    writeExport(data.root + "/export.xml", "beats");
    EXPECT_EQ(import(data.root + "/export.xml"), kProblem);
    EXPECT_NE(err.find("export.xml: line 73: the unit \"beats\" is not one Pulse is recorded in"), std::string::npos)
        << err;
    EXPECT_NE(out.find("added 0, already present 0, refused 1 (nothing written"), std::string::npos) << out;

    std::string cut = writeExport(data.root + "/export.xml");
    writeFile(data.root + "/export.xml", cut.substr(0, cut.size() / 2));
    EXPECT_EQ(import(data.root + "/export.xml"), kProblem);
    EXPECT_NE(err.find("export.xml: line "), std::string::npos) << err;
    EXPECT_NE(err.find("; nothing written"), std::string::npos) << err;
    EXPECT_EQ(data.read("user0.hma"), before);
}

// 137 KB of nested tags, and of tags one after the other: the nesting is
// refused at its limit with a message, the long sequence read through (the
// memory of both is measured by bench_exports).
TEST_F(HealthExport, NestedTagsAreRefusedPastTheirLimitAndALongSequenceOfTagsIsReadThrough) {
    const std::string before = data.read("user0.hma");
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<HealthData locale=\"en_US\">";
    auto nested = [&](std::size_t levels) {
        std::string text = head;
        for (std::size_t i = 1; i < levels; ++i) text += "<a>";
        for (std::size_t i = 1; i < levels; ++i) text += "</a>";
        return text + "</HealthData>\n";
    };
    std::string open = head;
    while (open.size() < 137 * 1024) open += "<a>";
    std::string sequence = head;
    while (sequence.size() < 137 * 1024) sequence += "<a/>";
    sequence += "</HealthData>\n";
    const std::string refused = "line 2: elements nested more than 64 levels deep, which no phone's export has; "
                                "nothing written";
    const struct {
        std::string text;
        bool read;
    } cases[] = {{open, false}, {nested(65), false}, {nested(64), true}, {sequence, true}};
    for (const auto& c : cases) {
        writeFile(data.root + "/export.xml", c.text);
        const int status = import(data.root + "/export.xml");
        if (c.read) {
            EXPECT_EQ(status, kOk) << err;
            EXPECT_NE(out.find("added 0, already present 0, refused 0"), std::string::npos) << out;
        } else {
            EXPECT_EQ(status, kProblem);
            EXPECT_NE(err.find(refused), std::string::npos) << err;
        }
        EXPECT_EQ(data.read("user0.hma"), before);
    }
}
