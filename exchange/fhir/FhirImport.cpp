#include "exchange/fhir/FhirImport.h"

#include <cstdio>
#include <iterator>

#include <nlohmann/json.hpp>

#include "exchange/ZonedTime.h"
#include "exchange/fhir/FhirCodes.h"
#include "platform/Platform.h"
#include "store/VariableTable.h"

using json = nlohmann::json;

namespace {

std::string text(const json& object, const char* key) {
    if (!object.is_object()) return std::string();
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const json& member(const json& object, const char* key) {
    static const json none;
    if (!object.is_object()) return none;
    auto found = object.find(key);
    return found == object.end() ? none : *found;
}

// The list under key, or an empty one.
const json& listOf(const json& object, const char* key) {
    static const json empty = json::array();
    const json& found = member(object, key);
    return found.is_array() ? found : empty;
}

// The UCUM code of a quantity: its code, or a unit as people write it.
std::string ucumOf(const json& quantity) {
    std::string code = text(quantity, "code");
    if (!code.empty()) return code;
    const std::string unit = text(quantity, "unit");
    static const std::map<std::string, std::string> written = {
        {"mmHg", "mm[Hg]"}, {"bpm", "/min"},      {"beats/minute", "/min"}, {"degF", "[degF]"},
        {"°F", "[degF]"},   {"degC", "Cel"},      {"°C", "Cel"},            {"lb", "[lb_av]"},
        {"lbs", "[lb_av]"}, {"mg/dl", "mg/dL"},   {"mmol/l", "mmol/L"}};
    auto found = written.find(unit);
    return found == written.end() ? unit : found->second;
}

// The value of a quantity in the diary's unit, as text; a refusal otherwise.
bool valueText(const json& quantity, const std::string& variable, bool ownVariable, std::string& out,
               std::string& refusal) {
    const json& value = member(quantity, "value");
    if (!value.is_number()) {
        refusal = "no number in valueQuantity";
        return false;
    }
    double diary = value.get<double>();
    if (!ownVariable) {
        const std::string ucum = ucumOf(quantity);
        if (!FhirCodes::toDiaryUnit(variable, ucum, diary, diary)) {
            refusal =
                "the unit \"" + ucum + "\" of " + variable + " is not one of " + FhirCodes::acceptedUnits(variable);
            return false;
        }
    }
    char number[40];
    std::snprintf(number, sizeof number, "%.9g", diary);
    out = number;
    return true;
}

// The first coding with this system, or null.
const json* codingOf(const json& concept, const char* system) {
    for (const json& c : listOf(concept, "coding"))
        if (text(c, "system") == system) return &c;
    return nullptr;
}

// What an Observation of an unknown code is called in the summary.
std::string nameOfCode(const json& concept) {
    const json& codings = member(concept, "coding");
    if (codings.is_array() && !codings.empty()) {
        const std::string display = text(codings[0], "display");
        return text(codings[0], "code") + (display.empty() ? "" : " " + display);
    }
    const std::string shown = text(concept, "text");
    return shown.empty() ? "no code" : shown;
}

}  // namespace

bool FhirImport::readBundle(const std::string& content, std::vector<ImportReading>& readings, Skipped& skipped,
                            std::string& error) {
    json bundle;
    try {
        bundle = json::parse(content);
    } catch (const json::exception& e) {
        error = std::string("not JSON (") + e.what() + ")";
        return false;
    }
    if (text(bundle, "resourceType") != "Bundle" || !member(bundle, "entry").is_array()) {
        error = "not a FHIR Bundle (no resourceType \"Bundle\" with an entry list)";
        return false;
    }
    // Readings of one variable at one time are one entry: the fasting and
    // postprandial values of a blood sugar come as two Observations.
    std::map<std::pair<std::string, std::string>, std::size_t> entryAt;
    int place = 0;
    for (const json& entry : member(bundle, "entry")) {
        ++place;
        const json& resource = member(entry, "resource");
        const std::string type = text(resource, "resourceType");
        if (type != "Observation") {
            ++skipped[(type.empty() ? std::string("entries without a resource") : type + " resources") +
                      " (not readings)"];
            continue;
        }
        const std::string status = text(resource, "status");
        if (status == "entered-in-error" || status == "cancelled") {
            ++skipped["Observations with status " + status];
            continue;
        }
        const json& code = member(resource, "code");
        const FhirVariable* known = nullptr;
        std::string variable;
        for (const json& c : listOf(code, "coding")) {
            known = FhirCodes::byCode(text(c, "system"), text(c, "code"));
            if (known) break;
        }
        if (known) {
            variable = known->name;
        } else if (const json* own = codingOf(code, FhirCodes::kVariable)) {
            if (!FhirCodes::fromOwnCode(text(*own, "code"), variable)) variable.clear();
            known = FhirCodes::byName(variable);
        }
        if (variable.empty()) {
            ++skipped["Observations of another code: " + nameOfCode(code)];
            continue;
        }
        const bool ownVariable = known == nullptr;
        const json* memberCoding = codingOf(code, FhirCodes::kMember);
        const std::string valueMember = memberCoding ? text(*memberCoding, "code") : std::string();
        // A grouped variable without components names its member with a mark of its own.
        const Variable* table = VariableTable::find(variable);
        const bool components = table && table->grouped() && *table->members.front().loinc.code;
        if (table && table->grouped() && !components && !table->member(valueMember)) {
            std::string why = variable + " Observations without a ";
            for (const VariableMember& m : table->members) {
                if (&m != &table->members.front()) why += " or ";
                why += m.element;
            }
            why += " mark";
            ++skipped[why];
            continue;
        }

        ImportReading reading;
        reading.place = place;
        reading.variable = variable;
        reading.userId = text(member(resource, "subject"), "reference");
        std::string when = text(resource, "effectiveDateTime");
        if (when.empty()) when = text(resource, "effectiveInstant");
        if (when.empty()) when = text(member(resource, "effectivePeriod"), "start");
        std::int64_t instant = 0;
        if (when.empty())
            reading.refusal = "no effectiveDateTime";
        else if (!ZonedTime::readInstant(when.c_str(), instant))
            reading.refusal = "the time \"" + when + "\" is not a date and time with its offset from UTC";
        else
            reading.datetime = ZonedTime::localIso(instant);

        if (reading.refusal.empty() && components) {
            for (const json& component : listOf(resource, "component")) {
                const json* loinc = codingOf(member(component, "code"), FhirCodes::kLoinc);
                const std::string part = loinc ? FhirCodes::memberOfComponent(text(*loinc, "code")) : std::string();
                std::string value;
                if (part.empty()) continue;
                if (!valueText(member(component, "valueQuantity"), variable, false, value, reading.refusal)) break;
                reading.values[part] = value;
            }
            if (reading.refusal.empty() && reading.values.empty()) {
                reading.refusal = "no ";
                for (const VariableMember& m : table->members) {
                    if (&m != &table->members.front()) reading.refusal += " or ";
                    reading.refusal.append(m.element).append(" (").append(m.loinc.code).append(")");
                }
                reading.refusal += " component";
            }
        } else if (reading.refusal.empty()) {
            std::string value;
            if (valueText(member(resource, "valueQuantity"), variable, ownVariable, value, reading.refusal))
                reading.values[valueMember] = value;
        }

        if (reading.refusal.empty()) {
            auto found = entryAt.find({variable, reading.datetime});
            if (found != entryAt.end()) {
                ImportReading& earlier = readings[found->second];
                const std::string& m = reading.values.begin()->first;
                if (reading.values.size() == 1 && !earlier.values.count(m)) {
                    earlier.values[m] = reading.values.begin()->second;
                    continue;
                }
            }
            entryAt[{variable, reading.datetime}] = readings.size();
        }
        readings.push_back(std::move(reading));
    }
    return true;
}

int FhirImport::run(const ImportRequest& request, ImportSummary& summary, Skipped& skipped, Diagnostics& tell) {
    summary = ImportSummary();
    std::string content;
    bool read = false;
    if (request.input) {
        content.assign(std::istreambuf_iterator<char>(*request.input), std::istreambuf_iterator<char>());
        read = !request.input->bad();
    } else if (std::FILE* in = platform::openFile(request.file, "rb")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) content.append(buffer, n);
        read = std::ferror(in) == 0;
        std::fclose(in);
    }
    if (!read) {
        tell.error() << request.file << ": cannot be read" << std::endl;
        return exchange::kProblem;
    }
    std::vector<ImportReading> readings;
    std::string error;
    if (!readBundle(content, readings, skipped, error)) {
        tell.error() << request.file << ": " << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    ImportRequest fed = request;
    fed.readings = &readings;
    fed.placeName = "entry";
    return ReadingsImport::run(fed, summary, tell);
}
