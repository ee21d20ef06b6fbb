// The readings of a phone's health export (export.xml), read as a stream:
// the Record elements of heart rate, blood pressure (its systolic and
// diastolic halves paired by their time and source, whether they come in a
// correlation, alone, or both), oxygen saturation, body temperature, body
// mass and blood glucose, converted to the diary's units and to local time.
// Every other record is counted by its type. Samples from a watch (which
// writes a heart rate every few minutes) are left out unless all sources
// are asked for. Control characters, which real exports hold inside
// attribute values and XML forbids, are read as blanks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/ReadingsImport.h"

typedef struct XML_ParserStruct* XML_Parser;

class HealthExportReader {
public:
    using Skipped = std::map<std::string, std::size_t, std::less<>>;

    explicit HealthExportReader(bool allSources);
    HealthExportReader(const HealthExportReader&) = delete;
    HealthExportReader& operator=(const HealthExportReader&) = delete;
    ~HealthExportReader();

    // A phone's export nests its elements four deep; deeper ones are
    // refused, so that a file of nested tags cannot fill the memory.
    static constexpr int kMaxDepth = 64;

    // Parses the next piece of the text (changed in place: control
    // characters become blanks); last marks the end. False with error
    // ("line L: reason") when the text is not well-formed XML or nests its
    // elements deeper than kMaxDepth.
    bool feed(char* data, std::size_t size, bool last, std::string& error);

    // The readings made (place: the record's line), what was left out and
    // why, and the control characters read as blanks.
    std::vector<ImportReading>& readings() { return readings_; }
    const Skipped& skipped() const { return skipped_; }
    std::uint64_t controlCharacters() const { return controls_; }
    // Refused records beyond the first few, whose texts are not kept.
    std::size_t untoldRefusals() const { return untold_; }

private:
    static void startElement(void* self, const char* name, const char** attributes);
    static void endElement(void* self, const char* name);
    void record(const char** attributes);
    void metadata(const char** attributes);
    void skip(std::string_view why);
    // Refuses a reading for before + quoted (cut) + after, keeping the text of the first few only.
    void refuse(ImportReading& reading, const char* before, const char* quoted, const std::string& after);

    XML_Parser parser_;
    bool allSources_;
    std::vector<ImportReading> readings_;
    Skipped skipped_;
    std::uint64_t controls_ = 0;
    std::size_t told_ = 0;
    std::size_t untold_ = 0;
    // Blood pressure halves by time and source: the reading they go to.
    std::map<std::string, std::size_t> pressureAt_;
    // The blood glucose record being read, whose metadata may say it was after a meal.
    std::size_t openGlucose_ = 0;
    bool glucoseOpen_ = false;
    int depth_ = 0;          // the elements open
    bool tooDeep_ = false;   // the parse was stopped for nesting past kMaxDepth
    std::string reason_;  // the reason a record is left out, made without allocating each time
};
