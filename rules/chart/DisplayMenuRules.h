// The rules behind the two display menus, kept free of widgets: which items
// the "Multi-Display" and "Normal Range Display" menus get from the open
// user's document, and how a variable's entries become a chart series.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "rules/chart/PointMap.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class DisplayMenuRules {
public:
    enum class Action { Value, Systolic, Diastolic, Postprandial, Fasting, NormalRange };

    struct Item {
        std::string path;   // for example "Vitals/Blood Pressure/Systolic"
        Action action;      // which callback the item gets
        XmlNode* variable;  // the item's user data
    };

    struct Menus {
        std::vector<Item> multiDisplay;  // after the "Vitals" title, in order
        std::vector<Item> normalRange;   // after the "Vitals" title, in order
        bool anyVital = false;           // some vital was added: "Vitals" becomes active
    };

    // Longest variable name a menu path can hold.
    static constexpr std::size_t kMaxVariableName = 56;

    // The items of both menus for the patient element (null: none).
    static Menus build(XmlNode* patient);

    // The element name passed to variableCB_i for an action ("value",
    // "systolic", ...); null for NormalRange.
    static const char* elementName(Action action);
    // The action that shows a member's element ("systolic"); Value for "value".
    static Action actionOf(const std::string& element);

    // The key of an entry from its date ("year/month/day") and time
    // ("hh:mm:ss AM") texts; false when they do not read as numbers.
    static bool entryKey(const char* date, const char* time, std::tm& out);

    // The points of one series: for every entry of the variable that has a
    // child named elementName (null: the entry's first child), its key and
    // value; of two entries at the same instant the later one wins. Entries
    // whose date, time or value do not read as numbers are skipped.
    static PointMap seriesPoints(XmlNode* variable, const char* elementName, const Units::Preferences& units);
    // seriesPoints for each of several element names at once, in their
    // order: every entry's children, date and time are read once for all.
    static std::vector<PointMap> seriesPoints(XmlNode* variable, const std::vector<std::string>& elementNames,
                                               const Units::Preferences& units);
    // The element names read together with elementName, itself included:
    // both values of a Blood Pressure or Blood Sugar reading, else itself.
    static std::vector<std::string> elementsReadWith(const XmlNode* variable, const std::string& elementName);

    // The series added by a "Normal Range Display" pick of the menu path:
    // pairs of (series name, element name).
    static std::vector<std::pair<std::string, std::string>> normalRangeSeries(const std::string& path);
};
