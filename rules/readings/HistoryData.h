// The rows of the history window, kept free of widgets: the column titles of
// a variable and one row of texts per recorded entry.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "rules/readings/HistoryRow.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class HistoryData {
public:
    // The columns after the values: arm, position and the irregular
    // heartbeat flag in short form (blood pressure only), and the note.
    static constexpr const char* kTakenColumn = "Taken";
    static constexpr const char* kNoteColumn = "Note";

    // "Date", "Time" and the value columns: "Systolic", "Diastolic" for
    // "Blood Pressure", "Fasting", "Postprandial" for "Blood Sugar" (both
    // grouped), the variable's own name otherwise; once units are named,
    // each value title names its unit ("Systolic (mmHg)").
    static std::vector<std::string> columnsFor(const std::string& variableName, bool& grouped,
                                               const Units::Preferences& units);

    // When a reading of the variable has a note, arm, position or flag: the
    // columns "Taken" (for "Blood Pressure") and "Note" after the values.
    static void addDetailColumns(const XmlNode* variable, const std::string& variableName,
                                 std::vector<std::string>& columns);

    // The entry element read for column index: "value" for the third column
    // of a variable that is not grouped, otherwise the title with its first
    // letter lower-cased, without a unit ("Date" -> "date", "Systolic (mmHg)" -> "systolic");
    // "note" and "taken" for the columns of the details.
    static std::string keyFor(const std::vector<std::string>& columns, std::size_t index, bool grouped);

    // One row per entry child of variable, in document order, one text per
    // column (values in the chosen unit once units are named). A missing
    // element gives an empty cell and one line on errors;
    // a null variable gives one line on errors and no rows.
    static std::vector<HistoryRow> readRows(const XmlNode* variable, const std::string& variableName,
                                            const std::vector<std::string>& columns, bool grouped,
                                            const Units::Preferences& units, std::ostream& errors);

    // Orders rows by column: "Date" by date and time, "Time" by the time of
    // day, the value columns by number. Rows whose cell cannot be read come
    // first in ascending order; rows that tie keep the order they had.
    static void sortRows(std::vector<HistoryRow>& rows, std::size_t column, bool ascending);
};
