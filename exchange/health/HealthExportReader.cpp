#include "exchange/health/HealthExportReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <expat.h>

#include "app/NumberText.h"
#include "exchange/Utf8Text.h"
#include "exchange/ZonedTime.h"
#include "exchange/fhir/FhirCodes.h"
#include "rules/units/Units.h"
#include "store/VariableTable.h"

namespace {

constexpr const char* kPrefix = "HKQuantityTypeIdentifier";

// What a record type is read into (VariableTable's phone types): the
// variable, and the member for a grouped one (empty for a single value).
struct Kind {
    const char* variable;
    const char* member;
    bool halves;   // one of two halves measured together (blood pressure)
    bool glucose;  // a member the meal-time mark may move to another one
};

// The phone's unit names as UCUM codes; the oxygen saturation comes as a fraction.
struct Unit {
    const char* phone;
    const char* ucum;
    double factor;
};
const Unit kUnits[] = {
    {"count/min", "/min", 1},
    {"%", "%", 100},
    {"mmHg", "mm[Hg]", 1},
    {"degC", "Cel", 1},
    {"degF", "[degF]", 1},
    {"kg", "kg", 1},
    {"lb", "[lb_av]", 1},
    {"g", "g", 1},
    {"mg/dL", "mg/dL", 1},
    {"mmol<180.1558800000541>/L", "mmol/L", 1},
};

bool contains(const char* text, const char* word) { return text && std::strstr(text, word) != nullptr; }

}  // namespace

HealthExportReader::HealthExportReader(bool allSources) : parser_(XML_ParserCreate(nullptr)), allSources_(allSources) {
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &HealthExportReader::startElement, &HealthExportReader::endElement);
}

HealthExportReader::~HealthExportReader() { XML_ParserFree(parser_); }

bool HealthExportReader::feed(char* data, std::size_t size, bool last, std::string& error) {
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            data[i] = ' ';
            ++controls_;
        }
    }
    // Expat takes an int length: a large piece goes in parts.
    constexpr std::size_t kPart = 1 << 30;
    do {
        const std::size_t part = size < kPart ? size : kPart;
        size -= part;
        if (XML_Parse(parser_, data, static_cast<int>(part), last && size == 0) == XML_STATUS_ERROR) {
            error = "line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
                    (tooDeep_ ? "elements nested more than " + std::to_string(kMaxDepth) +
                                    " levels deep, which no phone's export has"
                              : std::string(XML_ErrorString(XML_GetErrorCode(parser_))));
            return false;
        }
        data += part;
    } while (size > 0);
    return true;
}

void HealthExportReader::startElement(void* self, const char* name, const char** attributes) {
    HealthExportReader& reader = *static_cast<HealthExportReader*>(self);
    if (++reader.depth_ > kMaxDepth) {
        reader.tooDeep_ = true;
        XML_StopParser(reader.parser_, XML_FALSE);
        return;
    }
    if (std::strcmp(name, "Record") == 0)
        reader.record(attributes);
    else if (reader.glucoseOpen_ && std::strcmp(name, "MetadataEntry") == 0)
        reader.metadata(attributes);
}

void HealthExportReader::endElement(void* self, const char* name) {
    HealthExportReader& reader = *static_cast<HealthExportReader*>(self);
    --reader.depth_;
    if (reader.glucoseOpen_ && std::strcmp(name, "Record") == 0) reader.glucoseOpen_ = false;
}

void HealthExportReader::skip(std::string_view why) {
    // A bounded list: a damaged file may name any number of types.
    constexpr std::size_t kMostReasons = 200;
    auto found = skipped_.find(why);
    if (found == skipped_.end() && skipped_.size() >= kMostReasons) found = skipped_.find("records of other types");
    if (found == skipped_.end()) found = skipped_.emplace(std::string(why), 0).first;
    ++found->second;
}

void HealthExportReader::record(const char** attributes) {
    const char *type = nullptr, *source = nullptr, *device = nullptr, *unit = nullptr, *start = nullptr,
               *value = nullptr;
    for (const char** a = attributes; a[0]; a += 2) {
        const char* n = a[0];
        if (std::strcmp(n, "type") == 0) type = a[1];
        else if (std::strcmp(n, "sourceName") == 0) source = a[1];
        else if (std::strcmp(n, "device") == 0) device = a[1];
        else if (std::strcmp(n, "unit") == 0) unit = a[1];
        else if (std::strcmp(n, "startDate") == 0) start = a[1];
        else if (std::strcmp(n, "value") == 0) value = a[1];
    }
    if (!type) type = "";
    const std::size_t prefix = std::strlen(kPrefix);
    const VariableMember* member =
        std::strncmp(type, kPrefix, prefix) == 0 ? VariableTable::memberByPhoneType(type + prefix) : nullptr;
    Kind taken{};
    const Kind* kind = nullptr;
    if (member) {
        const Variable& v = VariableTable::of(member->variable);
        taken = Kind{v.name, v.grouped() ? member->element : "", v.grouped() && v.membersTogether,
                     v.grouped() && !v.membersTogether};
        kind = &taken;
    }
    if (!kind) {
        // Told by type: a real export holds dozens of other types, millions of records.
        reason_.assign("records of ");
        reason_ += *type ? type : "no type";
        skip(reason_);
        return;
    }
    if (!allSources_ && (contains(source, "Watch") || contains(device, "Watch"))) {
        reason_.assign("records from a watch: ");
        reason_ += kind->variable;
        skip(reason_);
        return;
    }

    ImportReading reading;
    reading.place = static_cast<int>(XML_GetCurrentLineNumber(parser_));
    reading.variable = kind->variable;
    std::int64_t instant = 0;
    if (!start || !ZonedTime::readInstant(start, instant)) {
        refuse(reading, "the startDate \"", start, "\" is not of the form 2024-01-01 08:00:00 -0500");
        return;
    }
    reading.datetime = ZonedTime::localIso(instant);
    const Unit* known = nullptr;
    for (const Unit& u : kUnits)
        if (unit && std::strcmp(unit, u.phone) == 0) known = &u;
    double number = 0;
    double diary = 0;
    // Numbers as a person writes them: no hexadecimal, no exponent.
    if (!value || NumberText::read(value, number, NumberText::typed()) != NumberText::Result::Read) {
        refuse(reading, "the value \"", value, "\" is not a number written with decimals");
        return;
    }
    if (!known || !FhirCodes::toDiaryUnit(kind->variable, known->ucum, number * known->factor, diary)) {
        refuse(reading, "the unit \"", unit, "\" is not one " + std::string(kind->variable) + " is recorded in");
        return;
    }
    // Fixed decimals: the import reads no exponent.
    const std::string text = Units::trimmed(diary, Units::kExchangeDecimals);

    if (kind->halves) {
        // The halves of one measurement share their time and source.
        const std::string key = reading.datetime + '\n' + (source ? source : "");
        auto found = pressureAt_.find(key);
        if (found != pressureAt_.end()) {
            ImportReading& pair = readings_[found->second];
            auto half = pair.values.find(kind->member);
            if (half == pair.values.end()) {
                pair.values[kind->member] = text;
                return;
            }
            if (half->second == text) {  // the same half again: in a correlation and alone
                skip("blood pressure halves given twice (in a correlation and alone)");
                return;
            }
        }
        pressureAt_[key] = readings_.size();
    }
    reading.values[kind->member] = text;
    if (kind->glucose) {
        glucoseOpen_ = true;
        openGlucose_ = readings_.size();
    }
    readings_.push_back(std::move(reading));
}

void HealthExportReader::refuse(ImportReading& reading, const char* before, const char* quoted,
                                const std::string& after) {
    // A damaged export may refuse millions of records, each quoting a huge value.
    constexpr std::size_t kToldRefusals = 20;
    constexpr std::size_t kMaxQuoted = 200;
    if (told_ >= kToldRefusals) {
        ++untold_;
        return;
    }
    ++told_;
    const std::string_view text(quoted ? quoted : "");
    reading.refusal = before;
    if (text.size() > kMaxQuoted)
        reading.refusal.append(Utf8Text::cut(text, kMaxQuoted)).append("...");
    else
        reading.refusal.append(text);
    reading.refusal += after;
    readings_.push_back(std::move(reading));
}

void HealthExportReader::metadata(const char** attributes) {
    const char *key = nullptr, *value = nullptr;
    for (const char** a = attributes; a[0]; a += 2) {
        if (std::strcmp(a[0], "key") == 0) key = a[1];
        else if (std::strcmp(a[0], "value") == 0) value = a[1];
    }
    // The phone marks a glucose reading 1 before a meal, 2 after one.
    if (!key || !value || std::strcmp(key, "HKBloodGlucoseMealTime") != 0 || std::strcmp(value, "2") != 0) return;
    ImportReading& reading = readings_[openGlucose_];
    const std::vector<VariableMember>& members = VariableTable::of(VariableId::BloodSugar).members;
    auto fasting = reading.values.find(members.front().element);
    if (fasting == reading.values.end()) return;
    reading.values[members.back().element] = fasting->second;
    reading.values.erase(fasting);
}
