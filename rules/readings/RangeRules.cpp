#include "rules/readings/RangeRules.h"

#include <cmath>
#include <cstring>

#include "app/NumberText.h"
#include "rules/readings/EntryRules.h"
#include "rules/units/Units.h"
#include "store/VariableTable.h"

namespace {

// The element's own text; around child elements the file's line breaks and
// indentation are not part of it.
std::string ownText(const XmlNode* element) {
    std::string text(element->value(), element->value_size());
    if (!element->first_node()) return text;
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

const char* const RangeRules::kRangeNames[4] = {"normalLow", "normalHigh", "panicLow", "panicHigh"};

std::vector<const char*> RangeRules::memberNames(const std::string& variableName) {
    const Variable* variable = VariableTable::find(variableName);
    std::vector<const char*> elements;
    if (variable && variable->grouped())
        for (const VariableMember& m : variable->members) elements.push_back(m.element);
    return elements;
}

int RangeRules::valuesPerRow(const std::string& variableName) {
    const std::size_t members = memberNames(variableName).size();
    return members == 0 ? 1 : static_cast<int>(members);
}

std::vector<std::string> RangeRules::readTexts(const XmlNode* variable, const std::string& variableName) {
    const std::vector<const char*> members = memberNames(variableName);
    std::vector<std::string> texts;
    for (const char* rangeName : kRangeNames) {
        const XmlNode* range = variable ? variable->first_node(rangeName) : nullptr;
        if (members.empty()) {
            texts.push_back(range ? ownText(range) : std::string());
            continue;
        }
        for (const char* member : members) {
            const XmlNode* child = range ? range->first_node(member) : nullptr;
            texts.push_back(child ? std::string(child->value(), child->value_size()) : std::string());
        }
    }
    return texts;
}

bool RangeRules::readNumber(const std::string& text, float& value) {
    double v = 0.0;
    if (EntryRules::readValue(text, v) != EntryRules::ValueRead::Number) return false;
    const float single = static_cast<float>(v);
    if (!std::isfinite(v) || !std::isfinite(single)) return false;
    value = single;
    return true;
}

bool RangeRules::readLimit(const std::string& text, const std::string& variableOrMember, double& value) {
    NumberText::Form form;
    form.blanksBefore = true;
    form.blanksAfter = true;
    const Variable* variable = VariableTable::findByNameOrLabel(variableOrMember);
    if (variable && *variable->fileUnit) form.unitAfter = variable->fileUnit;
    return NumberText::readFinite(text, value, form);
}

std::string RangeRules::storedText(const std::string& typed) {
    std::string text = typed;
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) text[comma] = '.';
    return text;
}

std::vector<std::string> RangeRules::shownTexts(const std::vector<std::string>& stored, const std::string& variableName,
                                                const Units::Preferences& units) {
    const Units::Quantity q = Units::quantityOf(variableName);
    std::vector<std::string> shown;
    for (const std::string& text : stored) {
        double value = 0;
        const bool number = EntryRules::readValue(text, value) == EntryRules::ValueRead::Number;
        if (!number)
            shown.push_back(text);
        else
            shown.push_back(Units::isStored(q, units) ? Units::marked(text, units) : Units::limitText(q, value, units));
    }
    return shown;
}

std::vector<std::string> RangeRules::storedTexts(const std::vector<std::string>& typed,
                                                 const std::vector<std::string>& shown,
                                                 const std::vector<std::string>& stored, const std::string& variableName,
                                                 const Units::Preferences& units) {
    const Units::Quantity q = Units::quantityOf(variableName);
    std::vector<std::string> result;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        // A limit left as it was shown keeps its text: no drift from converting it back.
        if (i < shown.size() && i < stored.size() && typed[i] == shown[i]) {
            result.push_back(stored[i]);
            continue;
        }
        double value = 0;
        if (Units::isStored(q, units) || EntryRules::readValue(typed[i], value) != EntryRules::ValueRead::Number)
            result.push_back(storedText(typed[i]));
        else
            result.push_back(Units::storedText(Units::toStored(q, value, units)));
    }
    return result;
}

int RangeRules::validate(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        if (text.empty()) return kEmpty;
        if (text.size() > kMaxText) return kTooLong;
        float ignored = 0.0f;
        if (!readNumber(text, ignored)) return kNotANumber;
    }
    const std::size_t n = texts.size() / 4;
    // Normal range: rows 0 and 1; panic range: rows 2 and 3.
    for (std::size_t lowRow : {std::size_t(0), std::size_t(2)}) {
        for (std::size_t e = 0; e < n; ++e) {
            float low = 0.0f, high = 0.0f;
            readNumber(texts[lowRow * n + e], low);
            readNumber(texts[(lowRow + 1) * n + e], high);
            if (high <= low) return kHighNotAboveLow;
        }
    }
    return kValid;
}

std::string RangeRules::message(int result) {
    switch (result) {
        case kNotANumber:
            return "At least one field is not a valid number.\nPlease change it or hit \"Cancel\"";
        case kEmpty:
            return "At least one field is empty.\nPlease fill it or hit \"Cancel\"";
        case kHighNotAboveLow:
            return "At least one high value is less than a low value.\nPlease change it or hit \"Cancel\"";
        case kTooLong:
            return "At least one field is longer than 31 characters.\nPlease shorten it or hit \"Cancel\"";
        default:
            return std::string();
    }
}

std::string RangeRules::nameTooLongMessage(const std::string& variableName) {
    return "The variable name is longer than 31 characters:\n" + variableName +
           "\nThis window cannot be opened for it.";
}

namespace {

// The first child of parent whose name is one of names, or null.
XmlNode* firstChildNamedAny(XmlNode* parent, const std::vector<const char*>& names) {
    for (XmlNode* child = parent->first_node(); child; child = child->next_sibling()) {
        if (child->type() != rapidxml::node_element) continue;
        for (const char* name : names)
            if (child->name_size() == std::strlen(name) && std::strncmp(child->name(), name, child->name_size()) == 0)
                return child;
    }
    return nullptr;
}

// Finds parent's child called name; when there is none, creates it before
// the first child called one of `before` (at the end when none exists).
XmlNode* findOrCreate(RapidDocument& doc, XmlNode* parent, const char* name, const std::vector<const char*>& before) {
    if (XmlNode* existing = parent->first_node(name)) return existing;
    XmlNode* created = doc.allocate_node(rapidxml::node_element, name);
    parent->insert_node(firstChildNamedAny(parent, before), created);
    return created;
}

// Removes the element's text pieces, keeping its child elements.
void dropTextPieces(XmlNode* element) {
    XmlNode* child = element->first_node();
    while (child) {
        XmlNode* next = child->next_sibling();
        if (child->type() == rapidxml::node_data || child->type() == rapidxml::node_cdata) element->remove_node(child);
        child = next;
    }
}

// Stores text as the element's own text. Child elements the window does not
// own are kept; the text then goes in as the first piece of the element's
// content, since the file shows only the pieces of an element with children.
void storeText(RapidDocument& doc, XmlNode* element, const std::string& text) {
    char* copy = doc.allocate_string(text.c_str(), text.size() + 1);
    element->value(copy, text.size());
    dropTextPieces(element);
    if (element->first_node()) element->prepend_node(doc.allocate_node(rapidxml::node_data, nullptr, copy, 0, text.size()));
}

// A grouped range holds its members only: text left from a single value is
// dropped, so that the element does not mix text with its members.
void clearText(XmlNode* element) {
    element->value("", 0);
    dropTextPieces(element);
}


}  // namespace

bool RangeRules::writeTexts(RapidDocument& doc, XmlNode* variable, const std::string& variableName,
                            const std::vector<std::string>& texts) {
    const std::vector<const char*> members = memberNames(variableName);
    const std::size_t n = members.empty() ? 1 : members.size();
    if (!variable || texts.size() != 4 * n) return false;

    std::size_t position = 0;
    for (std::size_t r = 0; r < 4; ++r) {
        // A missing range element goes before the later ones and the entries.
        std::vector<const char*> later(kRangeNames + r + 1, kRangeNames + 4);
        later.push_back("entry");
        XmlNode* range = findOrCreate(doc, variable, kRangeNames[r], later);
        if (members.empty()) {
            storeText(doc, range, texts[position++]);
            continue;
        }
        clearText(range);
        for (std::size_t m = 0; m < members.size(); ++m) {
            std::vector<const char*> laterMembers(members.begin() + static_cast<std::ptrdiff_t>(m) + 1, members.end());
            XmlNode* child = findOrCreate(doc, range, members[m], laterMembers);
            storeText(doc, child, texts[position++]);
        }
    }
    return true;
}
