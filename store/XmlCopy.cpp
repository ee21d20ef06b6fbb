#include "store/XmlCopy.h"

#include <cstring>
#include <iterator>

#include <rapidxml/rapidxml_print.hpp>

namespace {

// A zero-terminated copy held by into: the program reads values as C texts.
char* held(RapidDocument& into, const char* text, std::size_t size) {
    char* made = into.allocate_string(nullptr, size + 1);
    std::memcpy(made, text, size);
    made[size] = '\0';
    return made;
}

}  // namespace

XmlNode* XmlCopy::copy(RapidDocument& into, const XmlNode& node) {
    XmlNode* made = into.allocate_node(node.type());
    if (node.name_size()) made->name(held(into, node.name(), node.name_size()), node.name_size());
    if (node.value_size()) made->value(held(into, node.value(), node.value_size()), node.value_size());
    for (const XmlAttribute* a = node.first_attribute(); a; a = a->next_attribute()) {
        XmlAttribute* attr = into.allocate_attribute();
        attr->name(held(into, a->name(), a->name_size()), a->name_size());
        if (a->value_size())
            attr->value(held(into, a->value(), a->value_size()), a->value_size());
        else
            attr->value("", 0);
        made->append_attribute(attr);
    }
    for (const XmlNode* c = node.first_node(); c; c = c->next_sibling()) made->append_node(copy(into, *c));
    return made;
}

void XmlCopy::copyDocument(RapidDocument& into, const RapidDocument& from) {
    into.clear();
    for (const XmlNode* c = from.first_node(); c; c = c->next_sibling()) into.append_node(copy(into, *c));
}

std::string XmlCopy::content(const XmlNode* node) {
    if (!node) return std::string();
    if (!node->first_node()) return std::string(node->value(), node->value_size());
    std::string printed;
    for (const XmlNode* c = node->first_node(); c; c = c->next_sibling())
        rapidxml::print(std::back_inserter(printed), *c, rapidxml::print_no_indenting);
    return printed;
}

void XmlCopy::setText(RapidDocument& doc, XmlNode& element, const std::string& text) {
    element.remove_all_nodes();
    if (text.empty())
        element.value("", 0);
    else
        element.value(doc.allocate_string(text.c_str(), text.size() + 1), text.size());
}

XmlNode* XmlCopy::child(const XmlNode* parent, const char* name) {
    return parent ? parent->first_node(name) : nullptr;
}

std::string XmlCopy::key(const XmlNode* node) {
    const XmlAttribute* a = node ? node->first_attribute() : nullptr;
    return a ? std::string(a->value(), a->value_size()) : std::string();
}
