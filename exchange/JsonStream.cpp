#include "exchange/JsonStream.h"

#include <array>
#include <cmath>

#include <nlohmann/json.hpp>

namespace {

// How much text is gathered before the stream is given it.
constexpr std::size_t kPiece = 1 << 16;

// Printable ASCII with nothing to escape: written as it is.
struct PlainBytes {
    bool plain[256] = {};
    PlainBytes() {
        for (int c = 0x20; c <= 0x7e; ++c) plain[c] = c != '"' && c != '\\';
    }
};

bool plain(std::string_view text) {
    static const PlainBytes bytes;
    bool all = true;
    for (const char c : text) all &= bytes.plain[static_cast<unsigned char>(c)];
    return all;
}

}  // namespace

JsonStream::JsonStream(std::string& out, std::ostream* stream, char indentChar, int indentStep)
    : out_(out), stream_(stream), indentChar_(indentChar), indentStep_(indentStep), lineStart_("\n") {}

void JsonStream::newLine(std::size_t depth) {
    const std::size_t size = 1 + depth * static_cast<std::size_t>(indentStep_);
    if (lineStart_.size() < size) lineStart_.resize(2 * size, indentChar_);
    out_.append(lineStart_.data(), size);
}

void JsonStream::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (counts_.empty()) return;
    if (counts_.back()++ != 0) out_ += ',';
    newLine(counts_.size());
}

void JsonStream::beginObject() {
    beforeValue();
    out_ += '{';
    counts_.push_back(0);
}

void JsonStream::beginArray() {
    beforeValue();
    out_ += '[';
    counts_.push_back(0);
}

void JsonStream::endObject() {
    const bool empty = counts_.back() == 0;
    counts_.pop_back();
    if (!empty) newLine(counts_.size());
    out_ += '}';
    handOn();
}

void JsonStream::endArray() {
    const bool empty = counts_.back() == 0;
    counts_.pop_back();
    if (!empty) newLine(counts_.size());
    out_ += ']';
    handOn();
}

void JsonStream::key(std::string_view name) {
    beforeValue();
    putText(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonStream::putText(std::string_view text) {
    if (stream_ && !keeping_ && text.size() > kPiece) {
        // A long text (a name of many megabytes) goes to the stream as it
        // is, never through the buffer.
        stream_->write(out_.data(), static_cast<std::streamsize>(out_.size()));
        out_.clear();
        if (plain(text)) {
            stream_->put('"');
            stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
            stream_->put('"');
        } else {
            nlohmann::detail::serializer<nlohmann::json> serializer(nlohmann::detail::output_adapter<char>(*stream_),
                                                                    ' ', nlohmann::json::error_handler_t::replace);
            serializer.dump(nlohmann::json(std::string(text)), false, false, 0);
        }
        return;
    }
    if (plain(text)) {
        out_ += '"';
        put(text);
        out_ += '"';
        return;
    }
    // Escapes and repairs as the library does, by the library itself.
    nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).swap(scratch_);
    put(scratch_);
}

void JsonStream::string(std::string_view text) {
    beforeValue();
    putText(text);
}

void JsonStream::number(double value) {
    beforeValue();
    if (!std::isfinite(value)) {
        out_ += "null";
        return;
    }
    std::array<char, 64> text;
    char* end = nlohmann::detail::to_chars(text.data(), text.data() + text.size(), value);
    out_.append(text.data(), static_cast<std::size_t>(end - text.data()));
}

void JsonStream::null() {
    beforeValue();
    out_ += "null";
}

void JsonStream::boolean(bool value) {
    beforeValue();
    out_ += value ? "true" : "false";
}

void JsonStream::keep() {
    keeping_ = true;
    keptFrom_ = out_.size();
    keptCount_ = counts_.back();
}

JsonStream::Kept JsonStream::kept() {
    keeping_ = false;
    Kept k;
    k.members = counts_.back() - keptCount_;
    if (k.members > 0) k.text.assign(out_, keptFrom_ + (keptCount_ > 0 ? 1 : 0), std::string::npos);  // after the comma
    handOn();
    return k;
}

void JsonStream::putKept(const Kept& members) {
    if (members.members == 0) return;
    if (counts_.back() > 0) out_ += ',';
    counts_.back() += members.members;
    put(members.text);
    handOn();
}

void JsonStream::handOn() {
    if (!stream_ || keeping_ || out_.size() < kPiece) return;
    stream_->write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
}

bool JsonStream::finish() {
    out_ += '\n';
    if (!stream_) return true;
    stream_->write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
    return static_cast<bool>(*stream_);
}
