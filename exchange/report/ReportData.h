// What a report shows of one user's file: for every variable with readings
// in the period, its series (the variable itself, or the two members of
// blood pressure and blood sugar), each with its readings in the period and
// the normal and panic limits set for this person, all in the unit the
// preferences show (ReportData::unitTitle names it), and the unit and the
// number format of its values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "rules/chart/PointMap.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/readings/VariableUnits.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

struct ReportSeries {
    std::string name;     // "Pulse", "Systolic", ... as the chart names it
    std::string element;  // the entry's element: "value", "systolic", ...
    PointMap points;      // readings in the period, read as the chart reads them

    bool hasNormal = false;  // a usable normal range (set, or the store's default)
    double normalLow = 0;
    double normalHigh = 0;
    bool hasPanicLow = false;
    bool hasPanicHigh = false;
    double panicLow = 0;
    double panicHigh = 0;

    enum class Place { Inside, Below, Above, Unranged };
    Place place(double value) const;
    bool beyondPanic(double value) const;
};

// A limit that the summary counts readings against beside the person's own
// range: SpO2 below 92 %, fevers from 38.0 °C.
struct ClinicalLimit {
    bool set = false;
    bool atOrAbove = false;  // readings at or above value count, else those below it
    double value = 0;        // in the unit the readings are shown in
    const char* what = "";   // "below 92%", "fevers"
    // Compares the reading and the limit as the page shows them.
    bool counts(double reading, int decimals) const;
};

struct ReportVariable {
    std::string name;                 // the variable's name as stored
    std::string title;                // ReportData::unitTitle of the name
    std::vector<ReportSeries> series;  // one, or two for the grouped variables
    const char* unit = "";            // its unit ("mmHg"); empty for none
    int decimals = 0;                 // every value, limit and statistic of it shows with these
    ClinicalLimit clinical;
    // How the page shows its values and days (ReportPeriod::shownDay).
    bool decimalComma = false;
    Units::DateStyle dates = Units::DateStyle::Iso;
    // What was said about its readings in the period, by instant (only those with something said).
    std::map<std::int64_t, ReadingDetails> details;
    // The number of those whose meter flagged an irregular heartbeat.
    long long irregular = 0;
};

namespace ReportData {

// The variables of a patient element that hold readings within [from, to],
// in file order. Entries whose date, time or value cannot be read are left
// out, as the chart leaves them out.
std::vector<ReportVariable> gather(XmlNode* patient, std::int64_t from, std::int64_t to,
                                   const Units::Preferences& units);
// A variable's name with the unit its values are shown in: "Temperature
// (°C)"; the name alone for a variable without unit.
std::string unitTitle(const std::string& variableName, const Units::Preferences& units);

// A value of the variable in its one number format: "72", "98.6" (or
// "98,6" with the decimal comma).
std::string valueText(const ReportVariable& variable, double value);
// The same with the unit: "72 beats per minute", "96%".
std::string valueWithUnit(const ReportVariable& variable, double value);

// The readings of one variable, newest first: per instant the value of each
// series (NaN where the entry lacks it).
struct Row {
    TimeKey when;
    std::vector<double> values;
    const ReadingDetails* details = nullptr;  // what was said about it, when anything
};
std::vector<Row> rowsNewestFirst(const ReportVariable& variable);

}  // namespace ReportData
