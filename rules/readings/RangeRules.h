// The rules of the variable properties window, kept free of widgets: which
// range texts belong to which input, the checks made before saving, and how
// the typed texts are written into a variable's range elements.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class RangeRules {
public:
    // Results of validate().
    static constexpr int kValid = 0;
    static constexpr int kNotANumber = -1;
    static constexpr int kEmpty = -2;
    static constexpr int kHighNotAboveLow = -3;
    static constexpr int kTooLong = -4;

    // Longest range text and variable name the window keeps.
    static constexpr std::size_t kMaxText = 31;
    static constexpr std::size_t kMaxName = 31;

    // The four range elements, in the order of the window's rows.
    static const char* const kRangeNames[4];

    // The child elements of each range element: "systolic"/"diastolic" for
    // "Blood Pressure", "fasting"/"postprandial" for "Blood Sugar", none
    // (the range element holds the text itself) for any other variable.
    static std::vector<const char*> memberNames(const std::string& variableName);
    // Inputs per row: 2 for the two grouped variables, 1 otherwise.
    static int valuesPerRow(const std::string& variableName);

    // The stored texts in input order: normalLow, normalHigh, panicLow,
    // panicHigh, and within a row the members in the order above. A missing
    // element gives the empty text. variable may be null (all empty).
    static std::vector<std::string> readTexts(const XmlNode* variable, const std::string& variableName);

    // Checks the texts in input order; the first offending field decides:
    // empty -2, longer than kMaxText -4, no number readable -1. Then every
    // high limit must be above its low limit (normal and panic range
    // separately, member by member): otherwise -3. 0 when all is well.
    // The number of texts must be a multiple of 4 (four rows of n).
    static int validate(const std::vector<std::string>& texts);

    // The alert text for a result of validate(); empty for kValid.
    static std::string message(int result);

    // Reads a limit as a reading's value is read: the whole text is one
    // number, blanks around it allowed, one comma standing for the decimal
    // point ("36,8"). False when it is not, or not finite as a float.
    static bool readNumber(const std::string& text, float& value);
    // A limit as a file keeps it, read the same by the chart, the report and
    // the exports: a finite number in decimal notation, blanks around it,
    // and the unit the files keep the variable (or member) in may follow it
    // ("100 mmHg"); anything else ("100abc", "36,8", "37 C") is no limit.
    static bool readLimit(const std::string& text, const std::string& variableOrMember, double& value);

    // A limit that validate() accepted, as it is written to the file: a
    // decimal comma becomes a point, so every reader of the file reads it.
    static std::string storedText(const std::string& typed);

    // The stored texts as the window shows them in the chosen units: as
    // stored in the file's units (with the chosen decimal mark), otherwise each number converted
    // (Units::limitText).
    static std::vector<std::string> shownTexts(const std::vector<std::string>& stored, const std::string& variableName,
                                               const Units::Preferences& units);
    // The texts to store for what was typed over `shown` (from shownTexts
    // of `stored`): a text left as shown keeps its stored text, a changed one
    // is converted to the file's unit (storedText in the file's units).
    static std::vector<std::string> storedTexts(const std::vector<std::string>& typed,
                                                const std::vector<std::string>& shown,
                                                const std::vector<std::string>& stored,
                                                const std::string& variableName, const Units::Preferences& units);

    // Writes texts (in input order, as from readTexts) into the variable's
    // range elements exactly as typed. Missing range elements and members
    // are created, range elements in their order before the first entry;
    // the strings are allocated from doc. Returns false (and changes
    // nothing) when variable is null or the number of texts does not match.
    static bool writeTexts(RapidDocument& doc, XmlNode* variable, const std::string& variableName,
                           const std::vector<std::string>& texts);

    // The message shown for a variable name longer than kMaxName.
    static std::string nameTooLongMessage(const std::string& variableName);
};
