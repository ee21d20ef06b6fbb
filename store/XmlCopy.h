// Whole copies of parts of one document into another, with their own texts:
// a merge builds its result from the trees of several documents, none of
// which has to outlive it.
#pragma once

#include <string>

#include "store/XmlDocument.h"

class XmlCopy {
public:
    XmlCopy() = delete;

    // A copy of node and everything under it, its names and texts
    // allocated in into: it points into nothing else.
    static XmlNode* copy(RapidDocument& into, const XmlNode& node);
    // A copy of the whole document.
    static void copyDocument(RapidDocument& into, const RapidDocument& from);
    // The element's text (empty for none); an element with children is
    // printed whole, so two elements compare by everything they hold.
    static std::string content(const XmlNode* node);
    // Gives element a new text held by doc.
    static void setText(RapidDocument& doc, XmlNode& element, const std::string& text);
    // The child element of that name, or null (null parent: null).
    static XmlNode* child(const XmlNode* parent, const char* name);
    // The first attribute's text ("" without one).
    static std::string key(const XmlNode* node);
};
