// JSON text written as it is made, laid out exactly as the JSON library's
// pretty printer lays out the same tree (one member or element a line,
// indented by depth, "{}" and "[]" when empty, invalid UTF-8 replaced by
// U+FFFD), so that a large export is never held as a tree. The text goes
// into out; with a stream, out is only a buffer handed to it a piece at a
// time, without one out holds the whole text.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class JsonStream {
public:
    JsonStream(std::string& out, std::ostream* stream, char indentChar, int indentStep);

    // Containers; a member of an object is its key followed by one value.
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);

    void string(std::string_view text);
    void number(double value);  // not finite: null, as the library writes it
    void null();
    void boolean(bool value);

    // Members that many objects share (at the same depth) are written once
    // and kept as text, then written again as they are: keep() starts
    // keeping at a member's place in the open object, kept() gives what was
    // written since, and putKept() writes it in another object.
    struct Kept {
        std::string text;   // without the comma before the first member
        int members = 0;
    };
    void keep();
    Kept kept();
    void putKept(const Kept& members);

    // Ends the text with a line end and hands what is left to the stream.
    // False when the stream could not take all of it (a full disk).
    bool finish();

private:
    void beforeValue();
    // A line end and the indent of depth.
    void newLine(std::size_t depth);
    void putText(std::string_view text);
    void put(std::string_view text) { out_.append(text.data(), text.size()); }
    void handOn();

    std::string& out_;
    std::ostream* stream_;
    char indentChar_;
    int indentStep_;
    std::vector<int> counts_;  // values so far in each open container
    bool afterKey_ = false;
    bool keeping_ = false;  // while true, nothing is handed to the stream
    std::size_t keptFrom_ = 0;
    int keptCount_ = 0;
    std::string scratch_;    // a text the library escaped
    std::string lineStart_;  // a line end and indents, as many as were needed
};
