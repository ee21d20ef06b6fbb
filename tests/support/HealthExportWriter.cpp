#include "HealthExportWriter.h"

namespace {

const char* kProlog =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE HealthData [\n"
    "<!-- HealthKit Export Version: 13 -->\n"
    "<!ELEMENT HealthData (ExportDate,Me,(Record|Correlation|Workout|ActivitySummary|ClinicalRecord|Audiogram|"
    "VisionPrescription)*)>\n"
    "<!ATTLIST HealthData\n  locale CDATA #REQUIRED\n>\n"
    "<!ELEMENT ExportDate EMPTY>\n<!ATTLIST ExportDate\n  value CDATA #REQUIRED\n>\n"
    "<!ELEMENT Me EMPTY>\n<!ATTLIST Me\n"
    "  HKCharacteristicTypeIdentifierDateOfBirth                   CDATA #REQUIRED\n"
    "  HKCharacteristicTypeIdentifierBiologicalSex                 CDATA #REQUIRED\n"
    "  HKCharacteristicTypeIdentifierBloodType                     CDATA #REQUIRED\n"
    "  HKCharacteristicTypeIdentifierFitzpatrickSkinType           CDATA #REQUIRED\n"
    "  HKCharacteristicTypeIdentifierCardioFitnessMedicationsUse   CDATA #IMPLIED\n>\n"
    "<!ELEMENT Record ((MetadataEntry|HeartRateVariabilityMetadataList)*)>\n"
    "<!ATTLIST Record\n  type          CDATA #REQUIRED\n  unit          CDATA #IMPLIED\n"
    "  value         CDATA #IMPLIED\n  sourceName    CDATA #REQUIRED\n  sourceVersion CDATA #IMPLIED\n"
    "  device        CDATA #IMPLIED\n  creationDate  CDATA #IMPLIED\n  startDate     CDATA #REQUIRED\n"
    "  endDate       CDATA #REQUIRED\n>\n"
    "<!-- Note: Any Records that appear as children of a correlation also appear as top-level records in this "
    "document. -->\n"
    "<!ELEMENT Correlation ((MetadataEntry|Record)*)>\n"
    "<!ATTLIST Correlation\n  type          CDATA #REQUIRED\n  sourceName    CDATA #REQUIRED\n"
    "  sourceVersion CDATA #IMPLIED\n  device        CDATA #IMPLIED\n  creationDate  CDATA #IMPLIED\n"
    "  startDate     CDATA #REQUIRED\n  endDate       CDATA #REQUIRED\n>\n"
    "<!ELEMENT MetadataEntry EMPTY>\n<!ATTLIST MetadataEntry\n  key   CDATA #REQUIRED\n  value CDATA #REQUIRED\n>\n"
    "<!ELEMENT HeartRateVariabilityMetadataList (InstantaneousBeatsPerMinute*)>\n"
    "<!ELEMENT InstantaneousBeatsPerMinute EMPTY>\n"
    "<!ATTLIST InstantaneousBeatsPerMinute\n  bpm  CDATA #REQUIRED\n  time CDATA #REQUIRED\n>\n"
    "<!ELEMENT Workout ((MetadataEntry|WorkoutEvent|WorkoutRoute|WorkoutStatistics)*)>\n"
    "<!ATTLIST Workout\n  workoutActivityType   CDATA #REQUIRED\n  duration              CDATA #IMPLIED\n"
    "  durationUnit          CDATA #IMPLIED\n  sourceName            CDATA #REQUIRED\n"
    "  startDate             CDATA #REQUIRED\n  endDate               CDATA #REQUIRED\n>\n"
    "<!ELEMENT ActivitySummary EMPTY>\n"
    "<!ATTLIST ActivitySummary\n  dateComponents           CDATA #IMPLIED\n"
    "  activeEnergyBurned       CDATA #IMPLIED\n  appleExerciseTime        CDATA #IMPLIED\n>\n"
    "]>\n"
    "<HealthData locale=\"en_US\">\n"
    " <ExportDate value=\"2024-03-01 09:00:00 -0500\"/>\n"
    " <Me HKCharacteristicTypeIdentifierDateOfBirth=\"1950-03-07\" "
    "HKCharacteristicTypeIdentifierBiologicalSex=\"HKBiologicalSexFemale\" "
    "HKCharacteristicTypeIdentifierBloodType=\"HKBloodTypeNotSet\" "
    "HKCharacteristicTypeIdentifierFitzpatrickSkinType=\"HKFitzpatrickSkinTypeNotSet\" "
    "HKCharacteristicTypeIdentifierCardioFitnessMedicationsUse=\"None\"/>\n";

// An attribute's value as XML writes it.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

void put(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

std::string recordText(const std::string& indent, const std::string& type, const std::string& source,
                       const std::string& device, const std::string& unit, const std::string& start,
                       const std::string& value, const std::string& children) {
    std::string text = indent + "<Record type=\"" + type + "\" sourceName=\"" + escaped(source) +
                       "\" sourceVersion=\"17.2\"" + (device.empty() ? "" : " device=\"" + escaped(device) + "\"") +
                       " unit=\"" + escaped(unit) + "\" creationDate=\"" + start + "\" startDate=\"" + start +
                       "\" endDate=\"" + start + "\" value=\"" + escaped(value) + "\"";
    return text + (children.empty() ? "/>\n" : ">\n" + children + indent + "</Record>\n");
}

}  // namespace

HealthExportWriter::HealthExportWriter(std::FILE* out) : out_(out) { put(out_, kProlog); }

const char* HealthExportWriter::watchDevice() {
    return "<<HKDevice: 0x283f5e0a0, name:Apple Watch, manufacturer:Apple Inc., model:Watch, "
           "hardware:Watch6,1, software:10.1>>";
}

void HealthExportWriter::record(const std::string& type, const std::string& source, const std::string& unit,
                                const std::string& start, const std::string& value, const std::string& children) {
    const bool watch = source.find("Watch") != std::string::npos;
    put(out_, recordText(" ", type, source, watch ? watchDevice() : "", unit, start, value, children));
}

void HealthExportWriter::bloodPressure(const std::string& source, const std::string& start,
                                       const std::string& systolic, const std::string& diastolic) {
    const std::string sys = "HKQuantityTypeIdentifierBloodPressureSystolic";
    const std::string dia = "HKQuantityTypeIdentifierBloodPressureDiastolic";
    put(out_, recordText(" ", sys, source, "", "mmHg", start, systolic, ""));
    put(out_, recordText(" ", dia, source, "", "mmHg", start, diastolic, ""));
    put(out_, " <Correlation type=\"HKCorrelationTypeIdentifierBloodPressure\" sourceName=\"" + escaped(source) +
                  "\" sourceVersion=\"2.1\" creationDate=\"" + start + "\" startDate=\"" + start + "\" endDate=\"" +
                  start + "\">\n");
    put(out_, recordText("  ", sys, source, "", "mmHg", start, systolic, ""));
    put(out_, recordText("  ", dia, source, "", "mmHg", start, diastolic, ""));
    put(out_, " </Correlation>\n");
}

void HealthExportWriter::finish() { put(out_, "</HealthData>\n"); }
