// A reading's note, arm, position and irregular heartbeat flag in every
// exchange: the export's bytes, the way back in through the CSV and FHIR
// imports (with and without details, and the older CSV forms), another
// system's notes, the refusals, and export --grep.
#include <gtest/gtest.h>

#include <regex>

#include "TestSupport.h"
#include "cli/Commands.h"
#include "cli/ReportCommand.h"

using namespace cli;

namespace {

const std::string kFixture = std::string(QUORVEL_SOURCE_DIR) + "/tests/cli/data/exports/";

// The fixture's user file without its entries, to import into.
std::string withoutEntries(const std::string& file) {
    return std::regex_replace(file, std::regex("\t\t<entry id=\"[0-9]+\">[^]*?</entry>\n"), "");
}

// The fixture's user file without the details of its entries.
std::string withoutDetails(const std::string& file) {
    return std::regex_replace(file, std::regex("\t\t\t<(note|arm|position|irregular)>[^<]*</[a-z]+>\n"), "");
}

class NotesExchange : public ::testing::Test {
protected:
    void SetUp() override {
        source.write("config.hma", readFile(kFixture + "notes/config.hma"));
        source.write("user0.hma", readFile(kFixture + "notes/user0.hma"));
        target.write("config.hma", readFile(kFixture + "notes/config.hma"));
        target.write("user0.hma", withoutEntries(readFile(kFixture + "notes/user0.hma")));
    }

    std::string exportOf(const TestDataFolder& data, const std::string& format, const std::string& grep = "") {
        ExportOptions o;
        o.dataDir = data.folder;
        o.format = format;
        o.grep = grep;
        o.output = data.root + "/out." + format;
        testing::internal::CaptureStderr();
        EXPECT_EQ(runExport(o), kOk) << testing::internal::GetCapturedStderr();
        if (!HasFailure()) testing::internal::GetCapturedStderr();
        return readFile(o.output);
    }

    int importInto(const std::string& text, const std::string& format) {
        writeFile(target.root + "/in.txt", text);
        ImportOptions o;
        o.dataDir = target.folder;
        o.user = "0";
        o.format = format;
        o.file = target.root + "/in.txt";
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = runImport(o);
        testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TestDataFolder source, target;
    std::string err;
};

}  // namespace

TEST_F(NotesExchange, TheExportsOfReadingsWithDetailsKeepTheirBytes) {
    EXPECT_TRUE(exportOf(source, "csv") == readFile(kFixture + "notes.csv"));
    EXPECT_TRUE(exportOf(source, "json") == readFile(kFixture + "notes.json"));
    EXPECT_TRUE(exportOf(source, "fhir") == readFile(kFixture + "notes.fhir.json"));
}

TEST_F(NotesExchange, CsvAndFhirGiveEveryReadingBackWithItsDetailsOrWithoutAny) {
    struct Case {
        const char* format;
        bool details;
    };
    const Case cases[] = {{"csv", true}, {"csv", false}, {"fhir", true}, {"fhir", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + (c.details ? " with details" : " without details"));
        SetUp();
        const std::string original = readFile(kFixture + "notes/user0.hma");
        const std::string expected = c.details ? original : withoutDetails(original);
        source.write("user0.hma", expected);
        const std::string text = exportOf(source, c.format);
        if (std::string(c.format) == "csv") {
            EXPECT_EQ(text.find(",note,arm,position,irregular") != std::string::npos, c.details);
        }
        ASSERT_EQ(importInto(text, c.format), kOk) << err;
        // The readings come back in time order, each with what was said of it.
        const std::string back = target.read("user0.hma");
        for (const char* piece : {"<note>before the tablets, &quot;as told&quot;</note>",
                                  "<note>=after the walk&#10;second line</note>", "<arm>left</arm>",
                                  "<position>lying</position>", "<irregular>yes</irregular>"})
            EXPECT_EQ(back.find(piece) != std::string::npos, c.details) << piece;
        EXPECT_EQ(exportOf(target, "csv"), exportOf(source, "csv"));
    }
}

TEST_F(NotesExchange, TheOlderCsvFormsWithoutTheColumnsAreStillRead) {
    const std::string older[] = {
        "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\r\n"
        "0,Ann,Example,Pulse,,2026-03-05T08:30:00,72,/min,0\r\n",
        "user_id,first_name,last_name,variable,member,datetime,value,entry_id\r\n"
        "0,Ann,Example,Pulse,,2026-03-05T08:30:00,72,0\r\n"};
    for (const std::string& csv : older) {
        SetUp();
        ASSERT_EQ(importInto(csv, "csv"), kOk) << err;
        const std::string back = target.read("user0.hma");
        EXPECT_NE(back.find("<value>72.000000</value>"), std::string::npos);
        EXPECT_EQ(back.find("<note>"), std::string::npos);
    }
}

TEST_F(NotesExchange, DetailsThatCannotBeStoredRefuseTheirRowAndNothingIsWritten) {
    const std::string header = "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id,"
                               "note,arm,position,irregular\r\n";
    const std::string pulse = "0,Ann,Example,Pulse,,2026-03-05T08:30:00,72,/min,0,";
    const std::string pressure = "0,Ann,Example,Blood Pressure,";
    struct Case {
        std::string rows;
        const char* reason;
        const char* line;  // the line the refusal names
    };
    const Case cases[] = {
        {pulse + std::string(201, 'n') + ",,,\r\n", "The note you entered is longer than 200 characters.", ":2: "},
        {pulse + ",left,,\r\n", "blood pressure readings only", ":2: "},
        {pulse + ",,,maybe\r\n", "irregular \"maybe\" is neither yes nor empty", ":2: "},
        {pressure + "systolic,2026-03-05T08:30:00,120,mm[Hg],0,,upper,,\r\n", "The arm must be left or right.", ":2: "},
        {pressure + "systolic,2026-03-05T08:30:00,120,mm[Hg],0,a,,,\r\n" + pressure +
             "diastolic,2026-03-05T08:30:00,80,mm[Hg],0,b,,,\r\n",
         "different notes", ":3: "},
    };
    const std::string before = target.read("user0.hma");
    for (const Case& c : cases) {
        EXPECT_EQ(importInto(header + c.rows, "csv"), kProblem) << c.reason;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_NE(err.find(c.line), std::string::npos) << err;  // the line is named
        EXPECT_EQ(target.read("user0.hma"), before);
    }
}

TEST_F(NotesExchange, AnotherSystemsNotesArmAndPositionAreImported) {
    const std::string bundle = R"({"resourceType": "Bundle", "type": "collection", "entry": [
      {"resource": {"resourceType": "Observation", "status": "final",
        "code": {"coding": [{"system": "http://loinc.org", "code": "85354-9"}]},
        "effectiveDateTime": "2026-03-05T08:30:00+01:00",
        "note": [{"text": "cuff too tight"}, {"authorString": "Dr X", "text": "repeat tomorrow"}],
        "bodySite": {"coding": [{"system": "http://snomed.info/sct", "code": "368209003"}]},
        "extension": [{"url": "http://hl7.org/fhir/StructureDefinition/observation-bodyPosition",
          "valueCodeableConcept": {"coding": [{"system": "http://snomed.info/sct", "code": "10904000"}]}}],
        "component": [
          {"code": {"coding": [{"system": "http://loinc.org", "code": "8480-6"}]},
           "valueQuantity": {"value": 135, "system": "http://unitsofmeasure.org", "code": "mm[Hg]"}},
          {"code": {"coding": [{"system": "http://loinc.org", "code": "8462-4"}]},
           "valueQuantity": {"value": 88, "system": "http://unitsofmeasure.org", "code": "mm[Hg]"}}]}},
      {"resource": {"resourceType": "Observation", "status": "final",
        "code": {"coding": [{"system": "http://loinc.org", "code": "8867-4"}]},
        "effectiveDateTime": "2026-03-05T08:31:00+01:00",
        "bodySite": {"coding": [{"system": "http://snomed.info/sct", "code": "7569003"}]},
        "note": [{"text": "after coffee"}],
        "valueQuantity": {"value": 80, "system": "http://unitsofmeasure.org", "code": "/min"}}}]})";
    ASSERT_EQ(importInto(bundle, "fhir"), kOk) << err;
    const std::string back = target.read("user0.hma");
    EXPECT_NE(back.find("<note>cuff too tight; repeat tomorrow</note>\n\t\t\t<arm>right</arm>\n\t\t\t"
                        "<position>standing</position>"),
              std::string::npos)
        << back;
    // A body site the diary has no word for (a finger) is left out, the note kept.
    EXPECT_NE(back.find("<note>after coffee</note>\n\t\t</entry>"), std::string::npos) << back;
}

TEST_F(NotesExchange, ExportGrepFindsReadingsByTheirNoteInAnyCase) {
    const std::string found = exportOf(source, "csv", "DIZZY");
    EXPECT_EQ(found,
              "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id,note,arm,position,irregular\r\n"
              "0,Ann,Example,Blood Pressure,systolic,2026-03-05T08:31:00,142.000000,mm[Hg],0,felt dizzy,left,sitting,yes\r\n"
              "0,Ann,Example,Blood Pressure,diastolic,2026-03-05T08:31:00,91.000000,mm[Hg],0,felt dizzy,left,sitting,yes\r\n");
    const std::string none = exportOf(source, "csv", "no such words");
    EXPECT_EQ(none, "user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\r\n");
    EXPECT_NE(exportOf(source, "json", "walk").find("after the walk"), std::string::npos);
}

TEST_F(NotesExchange, TheReportListsWhatWasSaidAndCountsTheFlaggedHeartbeats) {
    ReportOptions o;
    o.dataDir = source.folder;
    o.user = "0";
    o.from = "2026-03-01";
    o.to = "2026-03-10";
    o.output = "-";
    std::ostringstream page, err;
    ASSERT_EQ(runReport(o, page, err), kOk) << err.str();
    const std::string html = page.str();
    EXPECT_NE(html.find("<tr><th>Irregular heartbeat flagged by the meter<td>1 reading</tr>"), std::string::npos);
    EXPECT_NE(html.find("<span class=taken>L, sitting, IHB</span> <span class=said>\u201Cfelt dizzy\u201D</span>"),
              std::string::npos);
    // Escaped as every text is, and on one line.
    EXPECT_NE(html.find("\u201Cbefore the tablets, &quot;as told&quot;\u201D"), std::string::npos);
    EXPECT_NE(html.find("\u201C=after the walk second line\u201D"), std::string::npos);
    // Without anything said, no count and no marks.
    source.write("user0.hma", withoutDetails(readFile(kFixture + "notes/user0.hma")));
    std::ostringstream plain;
    ASSERT_EQ(runReport(o, plain, err), kOk) << err.str();
    EXPECT_EQ(plain.str().find("Irregular heartbeat"), std::string::npos);
    EXPECT_EQ(plain.str().find("class=said"), std::string::npos);
}
