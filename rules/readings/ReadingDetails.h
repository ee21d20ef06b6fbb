// What a person says about a reading besides its values: a one-line note
// for any variable and, for blood pressure, the arm, the position and
// whether the meter flagged an irregular heartbeat. Each is an optional
// child element of `entry` after `time`, written only when given, so an
// entry without them is stored exactly as before.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "store/XmlDocument.h"

struct ReadingDetails {
    std::string note;      // any text, at most kMaxNote characters
    std::string arm;       // "", "left" or "right"
    std::string position;  // "", "sitting", "standing" or "lying"
    bool irregular = false;

    // Longest note, in characters (UTF-8 sequences).
    static constexpr std::size_t kMaxNote = 200;

    // What a check finds wrong; Fine when nothing.
    enum class Fault { Fine, NoteTooLong, NoteUnstorable, BadArm, BadPosition, NotBloodPressure };

    bool empty() const { return note.empty() && arm.empty() && position.empty() && !irregular; }
    bool operator==(const ReadingDetails& o) const {
        return note == o.note && arm == o.arm && position == o.position && irregular == o.irregular;
    }
    bool operator!=(const ReadingDetails& o) const { return !(*this == o); }

    // The checks every reading passes, typed or read from any file: the note
    // holds at most kMaxNote characters of UTF-8 text without a zero byte
    // (a file cannot hold one; other control characters are stored as
    // character references); arm, position and the flag only for "Blood
    // Pressure", each one of its words.
    Fault check(const std::string& variableName) const;

    // True for the names of the detail elements (`note`, `arm`, `position`,
    // `irregular`): they are not values.
    static bool isDetail(const char* name, std::size_t size);

    // The details an entry holds (texts as stored; the flag when its
    // element reads "yes").
    static ReadingDetails of(const XmlNode* entry);

    // Appends the given details to entry, in the order note, arm, position,
    // irregular ("yes"); nothing for what is not given. Texts belong to doc.
    void appendTo(RapidDocument& doc, XmlNode* entry) const;

    // The note on one line: each control character shown as a space.
    static std::string oneLine(const std::string& note);

    // Arm, position and the flag in short form for a column or a list:
    // "L, sitting, IHB"; empty when none is given.
    std::string shortText() const;

    // The details of the reading a chart series shows at a local time: the
    // series is a variable's name or one of its members' labels
    // ("Systolic"); empty details when there is no such reading.
    static ReadingDetails atPoint(XmlNode* patient, const std::string& series, const std::tm& when);

    // The line a chart's point details add: the note on one line, then the
    // short form in brackets ("felt dizzy (L, sitting, IHB)"); empty when
    // nothing was said.
    std::string pointLine() const;

    // True when the note holds text, compared without regard to case (ASCII letters).
    bool noteHolds(const std::string& text) const;
};
