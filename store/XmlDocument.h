// An XML document that can be replaced as a whole: a new tree is parsed into
// a fresh document and swapped in only when the parse succeeded, and the
// storage of the replaced tree is released with it.
#pragma once

#include <memory>

#include <rapidxml/rapidxml.hpp>

using XmlNode = rapidxml::xml_node<char>;
using XmlAttribute = rapidxml::xml_attribute<char>;
using RapidDocument = rapidxml::xml_document<char>;

class XmlDocument {
public:
    XmlDocument() : doc_(new RapidDocument()) {}
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    RapidDocument* operator->() { return doc_.get(); }
    const RapidDocument* operator->() const { return doc_.get(); }
    RapidDocument& operator*() { return *doc_; }
    RapidDocument& get() { return *doc_; }

    void swap(XmlDocument& other) noexcept { doc_.swap(other.doc_); }
    // Drops the tree and its storage.
    void reset() { doc_.reset(new RapidDocument()); }

private:
    std::unique_ptr<RapidDocument> doc_;
};
