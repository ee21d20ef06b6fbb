// The FHIR R4 form of an export: one Bundle of type collection holding a
// Patient per user and an Observation per reading (per value of a blood
// sugar entry), with LOINC codes and UCUM units where the variable has them
// (FhirCodes) and ids built from the user's and the entry's ids, so that
// exporting twice gives the same ids.
#pragma once

#include <string>
#include <vector>

#include "exchange/JsonStream.h"
#include "exchange/UserReadings.h"

class FhirBundle {
public:
    // Writes the Bundle, resource by resource. users: the chosen readings of
    // each user in time order; patients: each user's `patient` element (for
    // the name, birth date and gender; null when not known).
    static void write(const std::vector<UserReadings>& users, const std::vector<const XmlNode*>& patients,
                      JsonStream& out);

    // The ids a Patient and an Observation get: letters, digits, '-' and '.'
    // only, at most 64 of them, as FHIR wants.
    static std::string patientId(const std::string& userId);
    static std::string observationId(const std::string& userId, const std::string& variable,
                                     const std::string& entryId, const std::string& member);
};
