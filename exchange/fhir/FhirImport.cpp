#include "exchange/fhir/FhirImport.h"

#include <cstdio>
#include <functional>
#include <set>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/NumberText.h"
#include "exchange/ZonedTime.h"
#include "exchange/fhir/FhirCodes.h"
#include "platform/Platform.h"
#include "rules/units/Units.h"
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

// A number of the Bundle's text written with an exponent, which no person
// writes a reading with: kept as its text, for the refusal to quote.
constexpr const char* kExponentMark = "\x01";

// The value of a quantity in the diary's unit, as text; a refusal otherwise.
bool valueText(const json& quantity, const std::string& variable, bool ownVariable, std::string& out,
               std::string& refusal) {
    const json& value = member(quantity, "value");
    if (value.is_string() && value.get<std::string>().rfind(kExponentMark, 0) == 0) {
        refusal = "the value " + value.get<std::string>().substr(1) + " is not a number written with decimals";
        return false;
    }
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
    // Fixed decimals: the import reads no exponent.
    out = Units::trimmed(diary, Units::kExchangeDecimals);
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

// The Bundle read as a stream of JSON events: each element of its entry
// list is built as a tree of its own, handed to the Bundle's reading and
// dropped, so the memory is that of the largest entry.
class BundleEvents : public nlohmann::json_sax<json> {
public:
    explicit BundleEvents(std::function<void(const json&, int)> entry) : entry_(std::move(entry)) {}

    bool null() override { return scalar(json()); }
    bool boolean(bool v) override { return scalar(json(v)); }
    bool number_integer(number_integer_t v) override { return scalar(json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(json(v)); }
    // A number is read as every reading that comes in is: decimal notation
    // only. JSON's grammar leaves the exponent for that reader to refuse.
    bool number_float(number_float_t, const string_t& raw) override {
        double v = 0;
        if (NumberText::read(raw, v, NumberText::typed()) != NumberText::Result::Read)
            return scalar(json(kExponentMark + raw));
        return scalar(json(v));
    }
    bool string(string_t& v) override { return scalar(json(std::move(v))); }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        Level& level = levels_.back();
        if (!level.keys.insert(k).second) {
            error = "the key \"" + k.substr(0, 60) + "\" appears twice in one object" +
                    (build_.empty() ? std::string() : " (entry " + std::to_string(place_) + ")");
            return false;
        }
        level.key = k;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        error = std::string("not JSON (") + e.what() + ")";
        return false;
    }

    std::string resourceType;  // the top object's
    bool entryList = false;    // the top object has an entry list
    std::string error;

private:
    struct Level {
        bool object;
        std::set<std::string> keys;
        std::string key;
    };

    bool inEntryList() const {
        return levels_.size() == 2 && levels_[0].object && levels_[0].key == "entry" && !levels_[1].object;
    }
    json& add(json value) {
        json& parent = *build_.back();
        if (parent.is_object()) {
            json& slot = parent[levels_.back().key];
            slot = std::move(value);
            return slot;
        }
        parent.push_back(std::move(value));
        return parent.back();
    }
    bool open(bool object) {
        if (!build_.empty()) {
            build_.push_back(&add(object ? json::object() : json::array()));
        } else if (inEntryList()) {
            ++place_;
            tree_ = object ? json::object() : json::array();
            build_.push_back(&tree_);
        } else if (!object && levels_.size() == 1 && levels_[0].object && levels_[0].key == "entry") {
            entryList = true;
        }
        levels_.push_back(Level{object, {}, {}});
        return true;
    }
    bool close() {
        levels_.pop_back();
        if (build_.empty()) return true;
        build_.pop_back();
        if (build_.empty()) {
            entry_(tree_, place_);
            tree_ = json();
        }
        return true;
    }
    bool scalar(json value) {
        if (!build_.empty()) {
            add(std::move(value));
            return true;
        }
        if (inEntryList()) {
            entry_(value, ++place_);
            return true;
        }
        if (levels_.size() == 1 && levels_[0].object && levels_[0].key == "resourceType" && value.is_string())
            resourceType = value.get<std::string>();
        return true;
    }

    std::function<void(const json&, int)> entry_;
    std::vector<Level> levels_;
    std::vector<json*> build_;  // the containers of the entry being built, innermost last
    json tree_;
    int place_ = 0;
};

// The readings of each entry, as the entries come.
class EntryReading {
public:
    EntryReading(const std::string& sugarMember, FhirImport::Bundle& bundle)
        : sugarMember_(sugarMember), bundle_(bundle) {}

    void read(const json& entry, int place);

private:
    void patient(const json& resource, int place);

    const std::string& sugarMember_;
    FhirImport::Bundle& bundle_;
    // Readings of one variable at one time are one entry: the fasting and
    // postprandial values of a blood sugar, the halves of a blood pressure,
    // may come as Observations of their own.
    std::map<std::pair<std::string, std::string>, std::size_t> entryAt_;
};

void EntryReading::patient(const json& resource, int place) {
    ImportPerson person;
    person.place = place;
    for (const json& id : listOf(resource, "identifier"))
        if (text(id, "system") == FhirCodes::kUser) person.id = text(id, "value");
    const json& names = listOf(resource, "name");
    if (!names.empty()) {
        person.last = text(names[0], "family");
        const json& given = listOf(names[0], "given");
        if (!given.empty() && given[0].is_string()) person.first = given[0].get<std::string>();
    }
    person.born = text(resource, "birthDate");
    bundle_.people.push_back(std::move(person));
}

// The notes of an Observation (each annotation's text, joined by "; "),
// the arm of its bodySite and the position of the body-position extension,
// when coded in SNOMED CT (a code the diary has no word for is left out),
// and the program's own irregular heartbeat flag.
void readDetails(const json& resource, ReadingDetails& details) {
    for (const json& n : listOf(resource, "note")) {
        const std::string said = text(n, "text");
        if (said.empty()) continue;
        if (!details.note.empty()) details.note += "; ";
        details.note += said;
    }
    if (const json* site = codingOf(member(resource, "bodySite"), FhirCodes::kSnomed))
        details.arm = FhirCodes::armOf(text(*site, "code"));
    for (const json& x : listOf(resource, "extension")) {
        if (text(x, "url") == FhirCodes::kBodyPosition)
            if (const json* position = codingOf(member(x, "valueCodeableConcept"), FhirCodes::kSnomed))
                details.position = FhirCodes::positionOf(text(*position, "code"));
        if (text(x, "url") == FhirCodes::kIrregular) details.irregular = member(x, "valueBoolean") == true;
    }
}

void EntryReading::read(const json& entry, int place) {
    FhirImport::Skipped& skipped = bundle_.skipped;
    const json& resource = member(entry, "resource");
    const std::string type = text(resource, "resourceType");
    if (type == "Patient") {
        patient(resource, place);
        return;
    }
    if (type != "Observation") {
        ++skipped[(type.empty() ? std::string("entries without a resource") : type + " resources") + " (not readings)"];
        return;
    }
    const std::string status = text(resource, "status");
    if (status == "entered-in-error" || status == "cancelled") {
        ++skipped["Observations with status " + status];
        return;
    }
    const json& code = member(resource, "code");
    const FhirVariable* known = nullptr;
    std::string variable, codedMember;
    for (const json& c : listOf(code, "coding")) {
        known = FhirCodes::byCode(text(c, "system"), text(c, "code"));
        if (!known) known = FhirCodes::byOtherCode(text(c, "system"), text(c, "code"), codedMember);
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
        return;
    }
    // A value the source system did not have: nothing to read, nothing wrong.
    if (member(resource, "dataAbsentReason").is_object() && !member(resource, "valueQuantity").is_object() &&
        listOf(resource, "component").empty()) {
        ++skipped["Observations without a value (dataAbsentReason)"];
        return;
    }
    const bool ownVariable = known == nullptr;
    const json* memberCoding = codingOf(code, FhirCodes::kMember);
    std::string valueMember = memberCoding ? text(*memberCoding, "code") : codedMember;
    const Variable* table = VariableTable::find(variable);
    // A panel with components, or one half of it alone (coded by that half).
    const bool components = table && table->grouped() && *table->members.front().loinc.code && codedMember.empty();

    ImportReading reading;
    reading.place = place;
    reading.variable = variable;
    reading.userId = text(member(resource, "subject"), "reference");
    // A grouped variable without components names its member with a mark of its own.
    if (table && table->grouped() && !components && !table->member(valueMember)) {
        ++bundle_.unmarkedSugar;
        if (sugarMember_.empty() || !table->member(sugarMember_)) {
            reading.refusal = variable + " without a ";
            for (const VariableMember& m : table->members) {
                if (&m != &table->members.front()) reading.refusal += " or ";
                reading.refusal += m.element;
            }
            reading.refusal += " mark (--blood-sugar-member says which it is)";
        }
        valueMember = sugarMember_;
    }
    std::string when = text(resource, "effectiveDateTime");
    if (when.empty()) when = text(resource, "effectiveInstant");
    if (when.empty()) when = text(member(resource, "effectivePeriod"), "start");
    std::int64_t instant = 0;
    if (!reading.refusal.empty())
        ;
    else if (when.empty())
        reading.refusal = "no effectiveDateTime";
    else if (when.find('T') == std::string::npos && when.size() <= 10)
        reading.refusal = "the time \"" + when + "\" is a date without a time of day";
    else if (!ZonedTime::readInstant(when.c_str(), instant))
        reading.refusal = "the time \"" + when.substr(0, 60) + "\" is not a date and time with its offset from UTC";
    else
        reading.datetime = ZonedTime::localIso(instant);

    if (reading.refusal.empty() && components) {
        for (const json& component : listOf(resource, "component")) {
            const json* loinc = codingOf(member(component, "code"), FhirCodes::kLoinc);
            const std::string part = loinc ? FhirCodes::memberOfComponent(text(*loinc, "code")) : std::string();
            std::string value;
            if (part.empty() || member(component, "dataAbsentReason").is_object()) continue;
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

    readDetails(resource, reading.details);

    std::vector<ImportReading>& readings = bundle_.readings;
    if (reading.refusal.empty()) {
        auto found = entryAt_.find({variable, reading.datetime});
        if (found != entryAt_.end()) {
            ImportReading& earlier = readings[found->second];
            const std::string& m = reading.values.begin()->first;
            if (reading.values.size() == 1 && !earlier.values.count(m)) {
                earlier.values[m] = reading.values.begin()->second;
                // The halves of one reading: what either says of it is kept.
                ReadingDetails& kept = earlier.details;
                if (kept.note.empty()) kept.note = reading.details.note;
                if (kept.arm.empty()) kept.arm = reading.details.arm;
                if (kept.position.empty()) kept.position = reading.details.position;
                return;
            }
        }
        entryAt_[{variable, reading.datetime}] = readings.size();
    }
    readings.push_back(std::move(reading));
}

template <typename Input>
bool readFrom(Input&& in, const std::string& sugarMember, FhirImport::Bundle& bundle, std::string& error) {
    using Bundle = FhirImport::Bundle;
    bundle = Bundle();
    EntryReading reading(sugarMember, bundle);
    BundleEvents events([&reading](const json& entry, int place) { reading.read(entry, place); });
    const bool parsed = json::sax_parse(std::forward<Input>(in), &events);
    if (!parsed) {
        error = events.error.empty() ? "not JSON" : events.error;
        bundle = Bundle();
        return false;
    }
    if (events.resourceType != "Bundle" || !events.entryList) {
        error = "not a FHIR Bundle (no resourceType \"Bundle\" with an entry list)";
        bundle = Bundle();
        return false;
    }
    return true;
}

}  // namespace

bool FhirImport::readBundle(std::istream& in, const std::string& sugarMember, Bundle& bundle, std::string& error) {
    return readFrom(in, sugarMember, bundle, error);
}

int FhirImport::run(const ImportRequest& request, ImportSummary& summary, Skipped& skipped, Diagnostics& tell) {
    summary = ImportSummary();
    Bundle bundle;
    std::string error;
    bool read = false;
    if (request.input) {
        readBundle(*request.input, request.bloodSugarMember, bundle, error);
        read = !request.input->bad();
    } else if (std::FILE* file = platform::openFile(request.file, "rb")) {
        // The parser reads the file a block at a time.
        readFrom(file, request.bloodSugarMember, bundle, error);
        read = std::ferror(file) == 0;
        std::fclose(file);
    }
    if (!read) {
        tell.error() << request.file << ": cannot be read" << std::endl;
        return exchange::kProblem;
    }
    if (!error.empty()) {
        tell.error() << request.file << ": " << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    skipped = bundle.skipped;
    ImportRequest fed = request;
    fed.readings = &bundle.readings;
    fed.people = &bundle.people;
    fed.placeName = "entry";
    const int status = ReadingsImport::run(fed, summary, tell);
    summary.unmarkedSugar = bundle.unmarkedSugar;
    return status;
}
