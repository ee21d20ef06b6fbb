// Reading, parsing and printing of data files: line ends, round trips,
// entities, the declaration, the byte-order mark, and refused texts.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "store/XmlFile.h"
#include "TestSupport.h"

namespace {

// How a load ended, as a test names it.
std::string outcome(const Expected<void>& loaded) {
    if (loaded) return "read";
    switch (loaded.error().kind) {
        case Error::Kind::CannotOpen: return "cannot open";
        case Error::Kind::Malformed: return "malformed";
        default: return "other: " + loaded.error().reason;
    }
}

std::vector<char> joined(const std::string& raw) {
    std::vector<char> out;
    XmlFile::joinLines(raw.data(), raw.size(), out);
    return out;
}

// Reads raw text as a data file is read and prints it as it is saved.
std::string readAndPrint(const std::string& raw, XmlDocument& doc, std::vector<char>& buffer) {
    buffer = joined(raw);
    std::string error;
    EXPECT_TRUE(XmlFile::parse(buffer, doc, error)) << error << "\n" << raw;
    return XmlFile::print(doc);
}

std::string readAndPrint(const std::string& raw) {
    XmlDocument doc;
    std::vector<char> buffer;
    return readAndPrint(raw, doc, buffer);
}

std::string parseError(const std::string& raw) {
    std::vector<char> buffer = joined(raw);
    XmlDocument doc;
    std::string error;
    EXPECT_FALSE(XmlFile::parse(buffer, doc, error)) << raw.substr(0, 200);
    EXPECT_EQ(doc->first_node(), nullptr);
    return error;
}

const char* const kRegistry =
    "<config>\n\t<patient id=\"0\">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n\t\t</name>\n"
    "\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n\n";

}  // namespace

TEST(XmlFileJoin, LineEndsAreDroppedWhateverTheirKind) {
    const std::string expected = "<a><b>x</b></a>";
    for (const std::string raw : {"<a>\n<b>x</b>\n</a>\n", "<a>\r\n<b>x</b>\r\n</a>\r\n", "<a><b>x</b></a>",
                                  "<a>\n<b>x</b>\n</a>", "<a>\r\n<b>x</b>\r\n</a>\r"}) {
        std::vector<char> out = joined(raw);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), '\0');
        EXPECT_EQ(std::string(out.data()), expected);
    }
    EXPECT_EQ(std::string(joined("").data()), "");
    EXPECT_EQ(joined("").size(), 1u);
    EXPECT_EQ(std::string(joined("\n\n\r\n").data()), "");
    // A carriage return inside a line stays.
    EXPECT_EQ(std::string(joined("a\rb\n").data()), "a\rb");
}

TEST(XmlFileJoin, InPlaceAndFromFileAgree) {
    const std::string raw = "line one\r\nline two\nthree";
    std::vector<char> a(raw.begin(), raw.end());
    XmlFile::joinLinesInPlace(a);
    EXPECT_EQ(a, joined(raw));
}

TEST(XmlFilePosition, LineAndColumnOfTheRawText) {
    const std::string raw = "ab\r\ncde\nf";
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 0), "line 1, column 1");
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 1), "line 1, column 2");
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 2), "line 2, column 1");
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 4), "line 2, column 3");
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 5), "line 3, column 1");
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), 6), "line 3, column 2");  // end of data
    EXPECT_EQ(XmlFile::positionInRaw("", 0, 0), "line 1, column 1");
    const std::string trailing = "<a>\n";
    EXPECT_EQ(XmlFile::positionInRaw(trailing.data(), trailing.size(), 3), "line 1, column 4");
}

TEST(XmlFileRoundTrip, SavedFileReadsBackToTheSameText) {
    EXPECT_EQ(readAndPrint(kRegistry), kRegistry);
    const std::string user =
        "<patient id=\"3\">\n\t<info>\n\t\t<name>\n\t\t\t<first>Zo\xc3\xab</first>\n\t\t\t<last>K</last>\n\t\t</name>\n"
        "\t\t<dob>1950/3/7</dob>\n\t\t<gender/>\n\t</info>\n\t<variable name=\"Blood Pressure\">\n\t\t<normalLow>\n"
        "\t\t\t<systolic>90</systolic>\n\t\t\t<diastolic>60</diastolic>\n\t\t</normalLow>\n\t\t<entry id=\"0\">\n"
        "\t\t\t<systolic>120.000000</systolic>\n\t\t\t<date>2026/12/6</date>\n\t\t\t<time>8:05:00 AM</time>\n"
        "\t\t</entry>\n\t</variable>\n</patient>\n\n";
    EXPECT_EQ(readAndPrint(user), user);
}

TEST(XmlFileRoundTrip, WindowsUnixAndNoLineEndsReadTheSame) {
    std::string crlf, oneLine;
    for (const char* p = kRegistry; *p; ++p) {
        if (*p == '\n') crlf += '\r';
        crlf += *p;
        if (*p != '\n' && *p != '\t') oneLine += *p;
    }
    EXPECT_EQ(readAndPrint(crlf), kRegistry);
    EXPECT_EQ(readAndPrint(oneLine), kRegistry);
}

TEST(XmlFileRoundTrip, TextOnTwoLinesReadsJoined) {
    XmlDocument doc;
    std::vector<char> buffer;
    readAndPrint("<a><first>Mary\nAnne</first><last>Two\r\nParts</last></a>", doc, buffer);
    XmlNode* a = doc->first_node("a");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->first_node("first")->value(), "MaryAnne");
    EXPECT_STREQ(a->first_node("last")->value(), "TwoParts");
}

TEST(XmlFileRoundTrip, BlankOnlyTextReadsEmptyAndIsWrittenAsEmptyElement) {
    XmlDocument doc;
    std::vector<char> buffer;
    const std::string printed = readAndPrint("<a><b>   </b><c>\t</c><d> x </d></a>", doc, buffer);
    EXPECT_STREQ(doc->first_node("a")->first_node("b")->value(), "");
    EXPECT_STREQ(doc->first_node("a")->first_node("d")->value(), " x ");
    EXPECT_EQ(printed, "<a>\n\t<b/>\n\t<c/>\n\t<d> x </d>\n</a>\n\n");
}

TEST(XmlFileRoundTrip, ByteOrderMarkIsDroppedAndNeverWritten) {
    const std::string bom = "\xef\xbb\xbf";
    EXPECT_EQ(readAndPrint(bom + kRegistry), kRegistry);
    EXPECT_EQ(readAndPrint(bom + "<x/>\n").find(bom), std::string::npos);
}

TEST(XmlFileRoundTrip, DeclarationIsKeptButNeverAdded) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string withDecl = readAndPrint(decl + kRegistry);
    EXPECT_EQ(withDecl, decl + kRegistry);
    EXPECT_EQ(readAndPrint(withDecl), withDecl) << "kept on every save";
    EXPECT_EQ(readAndPrint(kRegistry).find("<?xml"), std::string::npos);
}

TEST(XmlFileRoundTrip, AmpersandAndLessThanAreWrittenAsEntitiesAndReadBack) {
    XmlDocument doc;
    doc->append_node(doc->allocate_node(rapidxml::node_element, "first", "Tom & Jerry <3"));
    XmlNode* v = doc->allocate_node(rapidxml::node_element, "variable");
    v->append_attribute(doc->allocate_attribute("name", "A&B<\"C\""));
    doc->append_node(v);
    const std::string printed = XmlFile::print(doc);
    EXPECT_NE(printed.find("<first>Tom &amp; Jerry &lt;3</first>"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("& "), std::string::npos);

    XmlDocument back;
    std::vector<char> buffer;
    EXPECT_EQ(readAndPrint(printed, back, buffer), printed);
    EXPECT_STREQ(back->first_node("first")->value(), "Tom & Jerry <3");
    EXPECT_STREQ(back->first_node("variable")->first_attribute("name")->value(), "A&B<\"C\"");
}

TEST(XmlFileRoundTrip, ControlCharactersAreWrittenAsReferencesAndNeverChange) {
    const struct {
        const char* file;     // as hand-edited
        const char* text;     // the value read
        const char* written;  // as printed
    } cases[] = {
        {"<v name=\"\xC3\x86robic&#10;mins\">a&#9;b</v>", "a\tb",
         "<v name=\"\xC3\x86robic&#10;mins\">a&#9;b</v>\n\n"},
        {"<v>line&#13;&#10;two</v>", "line\r\ntwo", "<v>line&#13;&#10;two</v>\n\n"},
        {"<v>&#1;x&#31;</v>", "\x01x\x1f", "<v>&#1;x&#31;</v>\n\n"},
        // A control character in a name stays as it is (a name holds no reference).
        {"<v n\x01=\"&#9;\">a&#9;b</v>", "a\tb", "<v n\x01=\"&#9;\">a&#9;b</v>\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        XmlDocument doc;
        std::vector<char> buffer;
        const std::string printed = readAndPrint(c.file, doc, buffer);
        EXPECT_EQ(printed, c.written);
        EXPECT_STREQ(doc->first_node("v")->value(), c.text);
        XmlDocument back;
        std::vector<char> again;
        EXPECT_EQ(readAndPrint(printed, back, again), printed);
        EXPECT_STREQ(back->first_node("v")->value(), c.text);
    }
}

TEST(XmlFileRoundTrip, APrintCutShortLeavesTheDocumentAsItWas) {
    // Texts with control characters are changed while they print; a put
    // that throws on the first piece (the text is longer than one) must not
    // leave them changed.
    const std::string tail(XmlFile::kPrintPiece + 10, 'x');
    XmlDocument doc;
    std::vector<char> buffer;
    const std::string printed = readAndPrint("<v name=\"a&#10;b\">a&#9;b" + tail + "</v>", doc, buffer);
    const XmlDocument& shown = doc;
    EXPECT_THROW(XmlFile::print(*shown, [](const char*, std::size_t) -> bool { throw std::runtime_error("disk"); }),
                 std::runtime_error);
    EXPECT_TRUE(doc->first_node("v")->value() == "a\tb" + tail);
    EXPECT_STREQ(doc->first_node("v")->first_attribute("name")->value(), "a\nb");
    EXPECT_TRUE(XmlFile::print(shown) == printed);
}

TEST(XmlFileRoundTrip, CommentsDoctypeAndCdataAreDropped) {
    EXPECT_EQ(readAndPrint("<!DOCTYPE c [<!ELEMENT c ANY>]><!-- x --><c><?pi y?><![CDATA[z]]><d>&#65;&#x42;</d></c>"),
              "<c>\n\t<d>AB</d>\n</c>\n\n");
}

TEST(XmlFileDepth, FollowsTheParsersGrammar) {
    EXPECT_EQ(XmlFile::nestingDepth(""), 0);
    EXPECT_EQ(XmlFile::nestingDepth("<a/>"), 0);
    EXPECT_EQ(XmlFile::nestingDepth("<a><b><c/></b></a>"), 2);
    EXPECT_EQ(XmlFile::nestingDepth("<a><b></b><b><c></c></b></a>"), 3);
    // Quoted '>' and "/>" inside attribute values do not end the tag.
    EXPECT_EQ(XmlFile::nestingDepth("<a b=\"/>\"><a c='>'><a/></a></a>"), 2);
    // A quote in an attribute name is part of the name, as the parser reads it.
    EXPECT_EQ(XmlFile::nestingDepth("<a x'=\"\"><a x'=\"\"><a x'=\"\">"), 3);
    // '<' inside comments, CDATA, instructions and DOCTYPE opens nothing.
    EXPECT_EQ(XmlFile::nestingDepth("<!DOCTYPE a [<!ENTITY x \"<b>\">]><a><!-- <b><b> --><![CDATA[<b><b>]]><?p <b>?></a>"), 1);
    // An element name may hold '<' for the parser.
    EXPECT_EQ(XmlFile::nestingDepth("<a<b<c>"), 1);
}

TEST(XmlFileDepth, DeepNestingIsRefusedBeforeParsing) {
    std::string deep;
    for (int i = 0; i < 1000000; ++i) deep += "<a>";
    for (int i = 0; i < 1000000; ++i) deep += "</a>";
    EXPECT_NE(parseError(deep).find("nested more than 256 levels"), std::string::npos);
    // Tricks that hide the opening tags from a careless count.
    std::string quoted;
    for (int i = 0; i < 100000; ++i) quoted += "<a b=\"/>\">";
    EXPECT_NE(parseError(quoted).find("nested more than"), std::string::npos);
    std::string names;
    for (int i = 0; i < 100000; ++i) names += "<a x'=\"\">";
    EXPECT_NE(parseError(names).find("nested more than"), std::string::npos);
    // Exactly the limit is still read.
    std::string limit;
    for (int i = 0; i < XmlFile::kMaxDepth; ++i) limit += "<a>";
    for (int i = 0; i < XmlFile::kMaxDepth; ++i) limit += "</a>";
    std::vector<char> buffer = joined(limit);
    XmlDocument doc;
    std::string error;
    EXPECT_TRUE(XmlFile::parse(buffer, doc, error)) << error;
}

TEST(XmlFileDepth, ALoadedFileIsHeldToTheSameLimit) {
    // Compacting the text on loading counts the depth on its way; closed
    // siblings before the nesting must not lower the count.
    auto nested = [](int levels, const std::string& before, const std::string& open) {
        std::string text = "<r>" + before;
        for (int i = 0; i < levels; ++i) text += open;
        for (int i = 0; i < levels; ++i) text += "</a>";
        return text + "</r>";
    };
    const struct {
        std::string text;
        bool read;
    } cases[] = {
        {nested(XmlFile::kMaxDepth - 1, "", "<a>"), true},
        {nested(XmlFile::kMaxDepth, "", "<a>"), false},
        {nested(XmlFile::kMaxDepth, "", "<a id=\"1\">"), false},
        {nested(XmlFile::kMaxDepth, "<b></b><c/><b>x</b>", "\n\t<a>"), false},
        {nested(XmlFile::kMaxDepth - 1, "<b></b><c/><b>x</b>", "\n\t<a>"), true},
        {nested(1000, "", "<a b=\"/>\">"), false},
    };
    TestDataFolder data;
    for (const auto& c : cases) {
        data.write("user.hma", c.text);
        std::vector<char> text;
        XmlDocument doc;
        const Expected<void> loaded = XmlFile::load(data.path("user.hma"), text, doc);
        EXPECT_EQ(outcome(loaded), c.read ? "read" : "malformed") << c.text.substr(0, 40);
        if (!c.read) {
            const std::string error = loaded ? std::string() : loaded.error().reason;
            EXPECT_NE(error.find("nested more than"), std::string::npos) << error;
        }
    }
}

TEST(XmlFileMalformed, EachIsRefusedWithTheParsersFinding) {
    struct Case {
        const char* name;
        std::string text;
        const char* finding;
    };
    const std::vector<Case> cases = {
        {"truncated", std::string(kRegistry).substr(0, std::string(kRegistry).find("Ann") + 2), "unexpected end of data"},
        {"truncated in a tag", std::string(kRegistry).substr(0, std::string(kRegistry).find("<first") + 4), "expected >"},
        {"unclosed tag", "<config><patient id=\"0\"</config>", "expected >"},
        {"bad entity", "<config><a>&#xZZ;</a></config>", "expected ;"},
        {"binary garbage", "\x89PNG\r\n\x1a\n\x01\x02\xff", "expected <"},
        {"zero byte", std::string("<config>\0</config>", 18), "unexpected zero byte"},
        {"empty file", "", "no element found"},
        {"blank file", " \n\t\r\n", "no element found"},
        {"declaration only", "<?xml version=\"1.0\"?>", "no element found"},
        {"reference to zero", "<a>x&#0;y</a>", "character reference to a zero byte"},
        {"reference to zero in attribute", "<a b=\"&#x0;\"/>", "character reference to a zero byte"},
        {"text before root", "hello<a/>", "expected <"},
        {"missing element name", "<config><></config>", "expected element name"},
    };
    for (const Case& c : cases) {
        const std::string error = parseError(c.text);
        EXPECT_NE(error.find(c.finding), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(" at character "), std::string::npos) << c.name << ": " << error;
    }
}

TEST(XmlFileMalformed, FailureGivesTheOffsetWhereTheParserStopped) {
    std::vector<char> buffer = joined("<a>\n<b id=\"1\"\n</a>");
    XmlDocument doc;
    std::string error;
    XmlFile::Failure failure;
    ASSERT_FALSE(XmlFile::parse(buffer, doc, error, &failure));
    EXPECT_EQ(failure.reason, "expected >");
    EXPECT_EQ(failure.offset, 12u);  // the '<' of "</a>" in the joined text
    const std::string raw = "<a>\n<b id=\"1\"\n</a>";
    EXPECT_EQ(XmlFile::positionInRaw(raw.data(), raw.size(), failure.offset), "line 3, column 1");
}

// What the parser skips is dropped before parsing; the document is the same.
TEST(XmlFileCompact, DropsOnlyBlanksBetweenMarkupAndClosingNames) {
    struct Case {
        std::string text;
        std::string compact;
    };
    const std::vector<Case> cases = {
        {"<a>\t\t<b>x</b>\t</a>", "<a><b>x</></>"},
        {"<a> <b/> </a >", "<a><b/></>"},
        // Blanks that belong to a value stay: before and after other text.
        {"<a> x <b/>y </a>", "<a> x <b/>y </>"},
        // A blank-only element reads empty either way.
        {"<a>   </a>", "<a></>"},
        // Inside attribute values, comments, CDATA, instructions and DOCTYPE nothing is dropped.
        {"<a b=\"> <\" c='> <'>  <d/></a>", "<a b=\"> <\" c='> <'><d/></>"},
        {"<a><!-- > </x> --> <b/></a>", "<a><!-- > </x> --><b/></>"},
        {"<a><![CDATA[ > </x> ]]> <b/></a>", "<a><![CDATA[ > </x> ]]><b/></>"},
        {"<?xml version=\"1.0\" a=\"> <\"?> <!DOCTYPE a [<!ENTITY e \"> </x>\">]> <a><?p > </x>?> </a>",
         "<?xml version=\"1.0\" a=\"> <\"?><!DOCTYPE a [<!ENTITY e \"> </x>\">]><a><?p > </x>?></>"},
        // A name may hold '<' for the parser; a quote in an attribute name is part of it.
        {"<a<b> </a<b>", "<a<b></>"},
        {"<a x'=\"> <\"> <b/></a>", "<a x'=\"> <\"><b/></>"},
        // Where the grammar breaks, the rest stays as it is.
        {"<a> <b c=\"1> </b> </a>", "<a><b c=\"1> </b> </a>"},
        {"<a> </a x> <b/>", "<a></a x> <b/>"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::vector<char> text = joined(c.text);
        XmlFile::dropSkippedText(text);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\0');
        EXPECT_EQ(std::string(text.data()), c.compact) << c.text;
    }
}

TEST(XmlFileCompact, EveryTextReadsAsTheParserReadsItUnchanged) {
    const std::vector<std::string> texts = {
        kRegistry,
        "\xEF\xBB\xBF  <a>\r\n  <b id=\"1\" name = 'x y' >\r\n v &amp; w \r\n</b>\r\n<c/>  </a>\r\n",
        "<a><b>1</b><!-- c --> x <d>2</d></a>",
        "<!DOCTYPE c [<!ELEMENT c ANY>]><!-- x --><c><?pi y?><![CDATA[z]]><d>&#65;&#x42;</d></c>",
        "<a b=\"/>\"><a c='>'><a/></a></a>",
        "<a><b></c></a>",  // closing names are not compared
        "<a>\n<b id=\"1\"\n</a>",
        "<a><b>x</b>",
        "<a> &#0; </a>",
        std::string("<a> \0 </a>", 10),
        "hello<a/>",
        "<a/> <b/>",
    };
    for (const std::string& raw : texts) {
        std::vector<char> plain = joined(raw), compact = joined(raw);
        XmlFile::dropSkippedText(compact);
        XmlDocument plainDoc, compactDoc;
        std::string plainError, compactError;
        const bool plainRead = XmlFile::parse(plain, plainDoc, plainError);
        EXPECT_EQ(XmlFile::parse(compact, compactDoc, compactError), plainRead) << raw;
        if (plainRead) {
            EXPECT_EQ(XmlFile::print(compactDoc), XmlFile::print(plainDoc)) << raw;
        }
    }
}

TEST(XmlFileCompact, LoadKeepsLessAndReportsAFailureAtItsPlaceInTheJoinedText) {
    TestDataFolder data;
    data.write("user.hma", kRegistry);
    XmlDocument compact, asRead;
    std::vector<char> compactText, asReadText;
    ASSERT_EQ(outcome(XmlFile::load(data.path("user.hma"), compactText, compact)), "read");
    ASSERT_EQ(outcome(XmlFile::load(data.path("user.hma"), asReadText, asRead, nullptr, XmlFile::Text::AsRead)), "read");
    EXPECT_EQ(XmlFile::print(compact), XmlFile::print(asRead));
    EXPECT_LT(compactText.size(), asReadText.size());

    const std::string damaged = "<a>\n\t<b id=\"1\">\n\t\t<c>x</c>\n\t<d id=\"2\"\n</a>";
    data.write("damaged.hma", damaged);
    XmlFile::Failure failure;
    EXPECT_EQ(outcome(XmlFile::load(data.path("damaged.hma"), compactText, compact, &failure)), "malformed");
    EXPECT_EQ(failure.reason, "expected >");
    EXPECT_EQ(XmlFile::positionInRaw(damaged.data(), damaged.size(), failure.offset), "line 5, column 1");
    EXPECT_EQ(outcome(XmlFile::load(data.path("missing.hma"), compactText, compact)), "cannot open");
}

// An open file keeps only its values: the same document in far less memory,
// each value still ending in a zero; a text whose values the tree does not
// hold in their order is kept whole.
TEST(XmlFileValues, LoadKeepsOnlyTheValuesAndTheSameDocument) {
    struct Case {
        std::string raw;
        bool packed;
    };
    const std::vector<Case> cases = {
        {kRegistry, true},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n\t<b id=\"1\" note=\"\">x &amp; y</b>\n\t<c/>\n</a>\n", true},
        {"<!-- c --><a><![CDATA[z]]><b>&#65;&#x42;</b><b>C</b></a>", true},
        // The element's value comes after its child's in the text.
        {"<a><b>1</b>tail</a>", false},
    };
    TestDataFolder data;
    for (const Case& c : cases) {
        data.write("f.hma", c.raw);
        XmlDocument values, asRead;
        std::vector<char> valuesText, asReadText;
        ASSERT_EQ(outcome(XmlFile::load(data.path("f.hma"), valuesText, values, nullptr, XmlFile::Text::Values)), "read");
        ASSERT_EQ(outcome(XmlFile::load(data.path("f.hma"), asReadText, asRead, nullptr, XmlFile::Text::AsRead)), "read");
        EXPECT_EQ(XmlFile::print(values), XmlFile::print(asRead)) << c.raw;
        ASSERT_FALSE(valuesText.empty());
        EXPECT_EQ(valuesText.back(), '\0');
        // Where the system cannot give memory back in place the text stays compacted.
        EXPECT_EQ(std::memchr(valuesText.data(), '<', valuesText.size()) == nullptr,
                  c.packed && platform::releasesUnusedCapacityInPlace())
            << c.raw;
        for (const XmlNode* n = values->first_node(); n; n = n->first_node() ? n->first_node() : n->next_sibling())
            EXPECT_EQ(std::strlen(n->value()), n->value_size()) << c.raw;
    }
}

// A long file is read piece by piece: the document, or the finding on a
// damaged one, is the one of reading it whole.
TEST(XmlFileValues, ALongFileReadInPiecesGivesWhatReadingItWholeGives) {
    auto entries = [](const std::string& oneEvery100, const std::string& between) {
        std::string s;
        for (int i = 0; i < 4000; ++i)
            s += "\t\t<entry id=\"" + std::to_string(i) + "\">\n\t\t\t<value>7" + std::to_string(i % 10) +
                 ".000000</value>\n\t\t\t<date>2024/1/1</date>\n\t\t\t<time>08:00:00 AM</time>\n\t\t</entry>\n" +
                 (i % 100 == 50 ? oneEvery100 : between);
        return s;
    };
    auto file = [](const std::string& first, const std::string& second) {
        return "<?xml version=\"1.0\"?>\n<patient id=\"0\">\n\t<info/>\n\t<info>\n\t\t<name>A &amp; B</name>\n\t</info>\n"
               "\t<variable name=\"Pulse\">\n\t\t<normalLow>60</normalLow>\n" +
               first + "\t</variable>\n\t<variable name=\"SpO2\"/>\n\t<variable name=\"Mood\">\n" + second +
               "\t</variable>\n</patient>\n";
    };
    const std::string plain = entries("", "");
    struct Case {
        std::string raw;
        bool valuesOnly;  // the text kept is the values alone
    };
    const std::vector<Case> cases = {
        {file(plain, plain), true},
        {file(entries("<!-- a note -->\n<?pi x?>\n", ""), entries("\t\t<entry id=\"x\"><value>&lt;&#65;</value></entry>\n", "")),
         true},
        // Text between the entries or before them, and an element's value
        // after its child: read whole, as they are.
        {file(entries("stray text\n", ""), plain), false},
        {file(plain, "\xEF\xBB\xBF" + plain), false},
        {file(plain, entries("\t\t<entry><value>1</value>tail</entry>\n", "")), false},
        // Damaged: a zero byte by reference, a tag left open, a missing quote.
        {file(plain, entries("\t\t<entry><value>&#0;</value></entry>\n", "")), false},
        {file(entries("\t\t<entry>\n", ""), plain), false},
        {file(plain, entries("\t\t<entry id=\"1>\n", "")), false},
    };
    TestDataFolder data;
    for (const auto& [raw, valuesOnly] : cases) {
        data.write("f.hma", raw);
        XmlDocument values, asRead;
        std::vector<char> valuesText, asReadText;
        XmlFile::Failure valuesFailure, asReadFailure;
        const std::string read =
            outcome(XmlFile::load(data.path("f.hma"), valuesText, values, &valuesFailure, XmlFile::Text::Values));
        EXPECT_EQ(read, outcome(XmlFile::load(data.path("f.hma"), asReadText, asRead, &asReadFailure,
                                              XmlFile::Text::AsRead)));
        if (read == "read") {
            EXPECT_EQ(XmlFile::print(values), XmlFile::print(asRead));
            EXPECT_EQ(valuesText.size() < asReadText.size() / 2, valuesOnly && platform::releasesUnusedCapacityInPlace());
        } else {
            EXPECT_EQ(valuesFailure.reason, asReadFailure.reason);
            EXPECT_EQ(valuesFailure.offset, asReadFailure.offset);
        }
    }
}

// Read in pieces of a byte, a text gives the document the parser gives, or
// is left to be read whole: never another one.
TEST(XmlFileValues, PiecesOfAByteGiveTheSameDocumentOrNone) {
    const std::vector<std::string> texts = {
        "<r><a><n><b/>xxxxxxxxxxxx<c/></n></a><a/></r>",  // a value after a child's name
        "<r><a><n>v<b>w</b></n><m x=\"1\">y</m></a><a><e/></a></r>",
        "<r><a><n><b>w</b>tail</n></a></r>",
        "<r><a>text<b/></a></r>",
        "<r><a><b/>text</a></r>",
        "<r/><s><a><b>1</b></a></s>",
    };
    for (const std::string& raw : texts) {
        std::vector<char> whole = joined(raw), pieces = joined(raw);
        XmlDocument wholeDoc, piecesDoc;
        std::string error;
        ASSERT_TRUE(XmlFile::parse(whole, wholeDoc, error)) << raw;
        if (XmlFile::parseValues(pieces, piecesDoc, 1)) {
            EXPECT_EQ(XmlFile::print(piecesDoc), XmlFile::print(wholeDoc)) << raw;
        }
    }
}

namespace {

// The elements of a file as check hands them over, counted by name; with
// the error when it fails.
std::string checkedCounts(const std::string& path) {
    std::map<std::string, int> counts;
    const XmlFile::Visit visit = [&counts](const RapidDocument& part, const XmlNode* parent) {
        if (!parent) counts.clear();
        const XmlNode* root = &part;
        for (const XmlNode* n = part.first_node(); n;) {
            if (n->type() == rapidxml::node_element) ++counts[std::string(n->name(), n->name_size())];
            if (n->first_node()) {
                n = n->first_node();
                continue;
            }
            while (n != root && !n->next_sibling()) n = n->parent();
            n = n == root ? nullptr : n->next_sibling();
        }
    };
    const Expected<void> checked = XmlFile::check(path, visit);
    if (!checked) return "malformed: " + checked.error().reason;
    std::string out;
    for (const auto& c : counts) out += c.first + "=" + std::to_string(c.second) + " ";
    return out;
}

// The same counts of the tree load keeps whole.
std::string loadedCounts(const std::string& path) {
    std::vector<char> text;
    XmlDocument doc;
    const Expected<void> loaded = XmlFile::load(path, text, doc);
    if (!loaded) return "malformed: " + loaded.error().reason;
    std::map<std::string, int> counts;
    const XmlNode* root = doc.get().first_node() ? &doc.get() : nullptr;
    for (const XmlNode* n = root ? root->first_node() : nullptr; n;) {
        if (n->type() == rapidxml::node_element) ++counts[std::string(n->name(), n->name_size())];
        if (n->first_node()) {
            n = n->first_node();
            continue;
        }
        while (n != root && !n->next_sibling()) n = n->parent();
        n = n == root ? nullptr : n->next_sibling();
    }
    std::string out;
    for (const auto& c : counts) out += c.first + "=" + std::to_string(c.second) + " ";
    return out;
}

}  // namespace

// check hands a long file over in parts, never whole; what it finds, and
// what it refuses and why, is what loading the file whole gives.
TEST(XmlFileCheck, TheFileHandedOverInPartsGivesWhatLoadingItWholeGives) {
    std::string entries;
    for (int i = 0; entries.size() < (std::size_t(1) << 20); ++i)
        entries += "\t\t<entry id=\"" + std::to_string(i) + "\">\n\t\t\t<value>72.000000</value>\n\t\t</entry>\n";
    const std::string head = "<?xml version=\"1.0\"?>\n<patient id=\"0\">\n\t<info><name>Ann</name></info>\n";
    const std::string pulse = "\t<variable name=\"Pulse\">\n";
    const struct {
        const char* name;
        std::string text;
        bool read;
    } cases[] = {
        {"short", head + pulse + "\t\t<entry id=\"0\"/>\n\t</variable>\n</patient>\n", true},
        {"long", head + pulse + entries + "\t</variable>\n" + pulse + entries + "\t</variable>\n</patient>\n", true},
        {"text between entries", head + pulse + entries + "loose text" + entries + "\t</variable>\n</patient>\n", true},
        {"damaged in a piece", head + pulse + entries + "<entry><value>7</entry" + entries + "</variable></patient>",
         false},
        {"zero byte by reference", head + pulse + entries + "<entry><value>&#0;</value></entry>" + entries +
                                       "</variable></patient>",
         false},
        {"not closed", head + pulse + entries, false},
    };
    TestDataFolder data;
    for (const auto& c : cases) {
        data.write("user.hma", c.text);
        const std::string whole = loadedCounts(data.path("user.hma"));
        EXPECT_EQ(whole.rfind("malformed", 0) != 0, c.read) << c.name << ": " << whole;
        EXPECT_EQ(checkedCounts(data.path("user.hma")), whole) << c.name;
    }
}
