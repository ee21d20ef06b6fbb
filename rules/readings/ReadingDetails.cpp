#include "rules/readings/ReadingDetails.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingEdits.h"
#include "store/VariableTable.h"

namespace {

bool named(const XmlNode* n, const char* name) {
    const std::size_t size = std::strlen(name);
    return n->name_size() == size && std::memcmp(n->name(), name, size) == 0;
}

// The number of characters of a UTF-8 text, or npos when it is not UTF-8
// (a stray continuation byte, a sequence cut short, an over-long form, a
// surrogate or a code point above U+10FFFF).
std::size_t utf8Length(const std::string& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t more = 0;
        unsigned long code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return std::string::npos;
        }
        if (i + more >= s.size()) return std::string::npos;
        for (std::size_t k = 1; k <= more; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return std::string::npos;
            code = (code << 6) | (d & 0x3F);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return std::string::npos;
        i += more + 1;
    }
    return count;
}

}  // namespace

ReadingDetails::Fault ReadingDetails::check(const std::string& variableName) const {
    const std::size_t length = utf8Length(note);
    if (length == std::string::npos || note.find('\0') != std::string::npos) return Fault::NoteUnstorable;
    if (length > kMaxNote) return Fault::NoteTooLong;
    if ((!arm.empty() || !position.empty() || irregular) && variableName != "Blood Pressure")
        return Fault::NotBloodPressure;
    if (!arm.empty() && arm != "left" && arm != "right") return Fault::BadArm;
    if (!position.empty() && position != "sitting" && position != "standing" && position != "lying")
        return Fault::BadPosition;
    return Fault::Fine;
}

bool ReadingDetails::isDetail(const char* name, std::size_t size) {
    for (const char* detail : {"note", "arm", "position", "irregular"})
        if (size == std::strlen(detail) && std::memcmp(name, detail, size) == 0) return true;
    return false;
}

ReadingDetails ReadingDetails::of(const XmlNode* entry) {
    ReadingDetails details;
    for (const XmlNode* c = entry ? entry->first_node() : nullptr; c; c = c->next_sibling()) {
        if (c->type() != rapidxml::node_element || !isDetail(c->name(), c->name_size())) continue;
        const std::string text(c->value(), c->value_size());
        if (named(c, "note"))
            details.note = text;
        else if (named(c, "arm"))
            details.arm = text;
        else if (named(c, "position"))
            details.position = text;
        else
            details.irregular = text == "yes";
    }
    return details;
}

void ReadingDetails::appendTo(RapidDocument& doc, XmlNode* entry) const {
    auto add = [&doc, entry](const char* name, const std::string& value) {
        if (value.empty()) return;
        char* text = doc.allocate_string(value.c_str(), value.size() + 1);
        entry->append_node(doc.allocate_node(rapidxml::node_element, name, text, 0, value.size()));
    };
    add("note", note);
    add("arm", arm);
    add("position", position);
    add("irregular", irregular ? "yes" : "");
}

std::string ReadingDetails::oneLine(const std::string& note) {
    std::string line = note;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = ' ';
    return line;
}

std::string ReadingDetails::shortText() const {
    std::string text;
    auto add = [&text](const std::string& part) {
        if (part.empty()) return;
        if (!text.empty()) text += ", ";
        text += part;
    };
    add(arm == "left" ? "L" : arm == "right" ? "R" : arm);
    add(position);
    add(irregular ? "IHB" : "");
    return text;
}

bool ReadingDetails::noteHolds(const std::string& text) const {
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    return std::search(note.begin(), note.end(), text.begin(), text.end(),
                       [&lower](char a, char b) { return lower(a) == lower(b); }) != note.end();
}

ReadingDetails ReadingDetails::atPoint(XmlNode* patient, const std::string& series, const std::tm& when) {
    const Variable* known = VariableTable::findByNameOrLabel(series);
    XmlNode* variable = EntryRules::findVariable(patient, known ? std::string(known->name) : series);
    return of(variable ? ReadingEdits::entryAt(variable, when) : nullptr);
}

std::string ReadingDetails::pointLine() const {
    std::string line = oneLine(note);
    const std::string taken = shortText();
    if (!taken.empty()) line += (line.empty() ? "(" : " (") + taken + ")";
    return line;
}
