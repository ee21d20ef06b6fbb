// Changes to recorded readings, kept free of widgets: the reading already
// recorded at a time, a reading corrected in place, readings taken out of
// the document and put back when the save fails, and the questions asked
// about them.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "rules/readings/EntryRules.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

namespace ReadingEdits {

// The first entry of the variable (other than except) whose date and time
// name the same local date and time as when; null when there is none.
XmlNode* entryAt(XmlNode* variable, const std::tm& when, const XmlNode* except = nullptr);

// True when the entry's date and time name the same local date and time as when.
bool recordedAt(const XmlNode* entry, const std::tm& when);

// An entry's values as a person reads them, in the chosen unit and naming
// it: "72 /min", "120/80 mmHg" (members in document order, date and time
// left out).
std::string valuesText(const XmlNode* entry, const Units::Preferences& units);

// "2026/12/07 08:00:00 AM": the entry's date and time as stored, in the
// chosen clock and date style.
std::string whenText(const XmlNode* entry, const Units::Preferences& units);
// The reading as a question lists it: "Temperature 36.9 °C on 2026-12-08 17:20:00".
std::string readingLine(const XmlNode* entry, const Units::Preferences& units);

// "Remove 1 reading of Pulse (2026/12/07 08:00:00 AM: 720)?" for one
// entry, "Remove 3 readings of Pulse?" for several.
std::string removalQuestion(const std::string& variableName, const std::vector<XmlNode*>& entries,
                            const Units::Preferences& units);

// "There is already a Pulse reading at 2026/12/07 08:00:00 AM (72). Replace it?"
std::string duplicateQuestion(const std::string& variableName, const XmlNode* existing,
                              const Units::Preferences& units);

// Gives an entry the values, date and time of an accepted plan (values as
// "%f" texts, then date and time), keeping its id, its other attributes and
// its place. Every text belongs to doc. False when the plan holds no value.
bool replaceEntry(RapidDocument& doc, XmlNode* entry, const EntryRules::EntryPlan& plan, const std::string& date,
                  const std::string& time);

// Gives every entry time of the patient's variables that reads but is not
// in the file's own form ("7:30 pm", "19:30") that form ("07:30:00 PM"),
// so that the next save writes it so. Returns the number changed.
int normalizeTimes(RapidDocument& doc, XmlNode* patient);

// Entries taken out of their variables, remembered with their places so
// that a failed save can put every one of them back where it was.
class Removal {
public:
    // Takes the entries out, in the order given.
    void take(const std::vector<XmlNode*>& entries);
    // Puts every entry taken back in its place, as if it had never gone.
    void putBack();
    std::size_t size() const { return taken_.size(); }

private:
    struct Place {
        XmlNode* entry;
        XmlNode* parent;
        XmlNode* next;  // the sibling it stood before (null: it was last)
    };
    std::vector<Place> taken_;
};

}  // namespace ReadingEdits
