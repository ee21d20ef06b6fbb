// The codes and units the diary's variables carry in FHIR: LOINC codes,
// UCUM units and the Observation category of each known variable, the
// program's own code system for the others (Mood, variables added by hand),
// and the conversion of a value in another unit to the diary's own unit.
// Shared by the FHIR export, the FHIR import and the phone export's import.
#pragma once

#include <string>
#include <vector>

struct FhirCoding {
    const char* system;
    const char* code;
    const char* display;
};

// How a known variable is told in FHIR.
struct FhirVariable {
    const char* name;      // the diary's variable, "Pulse"
    std::vector<FhirCoding> codings;  // the first is the one looked up on import
    const char* category;  // "vital-signs" or "laboratory"
    const char* ucum;      // the diary's unit, as a UCUM code
    const char* unit;      // the same as people write it
};

class FhirCodes {
public:
    static constexpr const char* kLoinc = "http://loinc.org";
    static constexpr const char* kUcum = "http://unitsofmeasure.org";
    static constexpr const char* kCategory = "http://terminology.hl7.org/CodeSystem/observation-category";
    // The program's own code systems: variables without a LOINC code (the
    // code is the variable's name), the blood sugar's member, the user and
    // the entry identifiers.
    static constexpr const char* kVariable = "urn:quorvel:variable";
    static constexpr const char* kMember = "urn:quorvel:member";
    static constexpr const char* kUser = "urn:quorvel:user";
    static constexpr const char* kEntry = "urn:quorvel:entry";
    // Where a blood pressure was taken: the arm in bodySite, the position in
    // the standard extension, both coded in SNOMED CT.
    static constexpr const char* kSnomed = "http://snomed.info/sct";
    static constexpr const char* kBodyPosition = "http://hl7.org/fhir/StructureDefinition/observation-bodyPosition";
    // The meter flagged an irregular heartbeat: the program's own extension (valueBoolean).
    static constexpr const char* kIrregular = "urn:quorvel:irregular-heartbeat";

    static const std::vector<FhirVariable>& variables();
    // The known variable of that name, or null.
    static const FhirVariable* byName(const std::string& name);
    // The known variable one of whose codings has this system and code, or null.
    static const FhirVariable* byCode(const std::string& system, const std::string& code);

    // A code other systems write for a known variable that the export does
    // not write (the older blood pressure panel, its halves alone, glucose in
    // serum, plasma or capillary blood, fasting or after a meal), or null;
    // member receives the member the code names ("" for none).
    static const FhirVariable* byOtherCode(const std::string& system, const std::string& code, std::string& member);

    // Blood pressure's two components: the member for a LOINC code and back
    // (empty / null when not one of them).
    static std::string memberOfComponent(const std::string& code);
    static const FhirCoding* componentOf(const std::string& member);

    // The SNOMED CT coding of an arm ("left", "right") and of a position
    // ("sitting", "standing", "lying"), null for another word; and back from
    // a SNOMED CT code (empty for another code).
    static const FhirCoding* armCoding(const std::string& arm);
    static std::string armOf(const std::string& code);
    static const FhirCoding* positionCoding(const std::string& position);
    static std::string positionOf(const std::string& code);

    // The code of the program's own system for a variable's name: the name
    // with '%' and white space written as %XX (a FHIR code holds no runs of
    // blanks), and back. fromOwnCode is false for a text with a bad %XX.
    static std::string ownCode(const std::string& name);
    static bool fromOwnCode(const std::string& code, std::string& name);

    // A value in the UCUM unit ucum, in the variable's diary unit. False when
    // the unit is not one the variable can be converted from.
    static bool toDiaryUnit(const std::string& variable, const std::string& ucum, double value, double& out);
    // The units toDiaryUnit accepts for a variable, for a message ("Cel, [degF]").
    static std::string acceptedUnits(const std::string& variable);
};
