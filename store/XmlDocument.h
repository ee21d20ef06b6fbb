// An XML document that can be replaced as a whole: a new tree is parsed into
// a fresh document and swapped in only when the parse succeeded, and the
// storage of the replaced tree is released with it.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include <rapidxml/rapidxml.hpp>

using XmlNode = rapidxml::xml_node<char>;
using XmlAttribute = rapidxml::xml_attribute<char>;
using RapidDocument = rapidxml::xml_document<char>;

class XmlDocument {
public:
    XmlDocument() : doc_(new RapidDocument()), generation_(nextGeneration()) {}
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    RapidDocument* operator->() { return doc_.get(); }
    const RapidDocument* operator->() const { return doc_.get(); }
    RapidDocument& operator*() { return *doc_; }
    const RapidDocument& operator*() const { return *doc_; }
    RapidDocument& get() { return *doc_; }

    void swap(XmlDocument& other) noexcept {
        doc_.swap(other.doc_);
        std::swap(generation_, other.generation_);
    }
    // Drops the tree and its storage.
    void reset() {
        doc_.reset(new RapidDocument());
        generation_ = nextGeneration();
    }

    // Tells the trees this document held apart: a different value whenever
    // it holds a different tree (a new document, after reset(), swapped in),
    // so what was read from an earlier tree can be known to be stale.
    std::uint64_t generation() const { return generation_; }

private:
    static std::uint64_t nextGeneration() {
        static std::uint64_t counter = 0;
        return ++counter;
    }

    std::unique_ptr<RapidDocument> doc_;
    std::uint64_t generation_;
};
