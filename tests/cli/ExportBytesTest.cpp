// The JSON and FHIR exports of a fixed folder, byte for byte, in the files'
// units and in metric ones. The expected files beside the folder were
// written by the export before it wrote resource by resource; whatever
// changes in how the export is made, what it writes stays the same (but
// for the skipped hour's reading, which the FHIR bundle writes as the
// instant the platform gives it: 02:30 as 03:30+02:00). The
// folder holds what is easily got wrong: names and ids to escape, text that
// is not UTF-8, readings out of order, a skipped and a repeated hour,
// unreadable dates, values that are no numbers, limits that are none, a
// panel without its components and users without readings.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "cli/Commands.h"

namespace {

const std::string kFixture = std::string(QUORVEL_SOURCE_DIR) + "/tests/cli/data/exports/";

struct Case {
    const char* format;
    bool metric;
    const char* expected;
};

}  // namespace

TEST(ExportBytes, TheJsonAndFhirExportsOfAFixedFolderKeepTheirBytes) {
    ScopedTimeZone zone("Europe/Berlin");
    const Case cases[] = {{"json", false, "files.json"},
                          {"fhir", false, "files.fhir.json"},
                          {"json", true, "metric.json"},
                          {"fhir", true, "metric.fhir.json"}};
    for (const Case& c : cases) {
        TestDataFolder data;
        for (const char* name : {"config.hma", "user0.hma", "user7.hma"}) data.write(name, readFile(kFixture + name));
        cli::ExportOptions o;
        o.dataDir = data.folder;
        o.format = c.format;
        o.output = data.path("out.json");
        if (c.metric) {
            o.units.temperature = Units::Temperature::Celsius;
            o.units.mass = Units::Mass::Kilogram;
            o.units.length = Units::Length::Centimetre;
            o.units.sugar = Units::Sugar::MillimolesPerLitre;
            o.units.clock24 = true;
            // The date style and the decimal mark are the windows' own: the files keep theirs.
            o.units.dateStyle = Units::DateStyle::DayFirst;
            o.units.decimalComma = true;
            o.units.named = true;
        }
        testing::internal::CaptureStderr();
        const int status = cli::runExport(o);
        const std::string told = testing::internal::GetCapturedStderr();
        // The unreadable date is told and left out; the rest is written.
        EXPECT_EQ(status, cli::kProblem) << c.expected;
        EXPECT_NE(told.find("its date or time cannot be read"), std::string::npos) << told;
        EXPECT_TRUE(readFile(data.path("out.json")) == readFile(kFixture + c.expected)) << c.expected;
    }
}
