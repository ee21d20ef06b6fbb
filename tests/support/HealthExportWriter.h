// Writes a phone's health export (export.xml) as the phone writes it: the
// XML declaration, the long DOCTYPE internal subset, HealthData with its
// ExportDate and Me, then records and correlations, one per line. Written
// as it goes, so a benchmark can make gigabytes of it in little memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class HealthExportWriter {
public:
    // Starts the export in out (the prolog and the opening elements).
    explicit HealthExportWriter(std::FILE* out);

    // One Record; children is put inside it as it is (MetadataEntry elements).
    void record(const std::string& type, const std::string& source, const std::string& unit,
                const std::string& start, const std::string& value, const std::string& children = "");
    // A blood pressure correlation holding both halves, each of which is also
    // given as a top-level record, as phones do.
    void bloodPressure(const std::string& source, const std::string& start, const std::string& systolic,
                       const std::string& diastolic);
    // Ends HealthData.
    void finish();

    // The device attribute a watch's samples carry.
    static const char* watchDevice();

private:
    std::FILE* out_;
};
