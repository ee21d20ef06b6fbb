// The three-way merges of a person's file and of the registry, and the
// names of sync tools' conflict copies, as tables of base/kept/other.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "rules/readings/MergeCheck.h"
#include "store/ConflictCopy.h"
#include "store/RegistryMerge.h"
#include "store/UserMerge.h"
#include "store/XmlFile.h"

namespace {

// A parsed document that keeps its text.
struct Parsed {
    std::vector<char> text;
    XmlDocument doc;
    explicit Parsed(const std::string& xml) : text(xml.begin(), xml.end()) {
        text.push_back('\0');
        std::string error;
        EXPECT_TRUE(XmlFile::parse(text, doc, error)) << error;
    }
};

std::string pulse(const std::string& entries) {
    return "<patient id=\"0\"><info><name><first>Ann</first><last>Lee</last></name><dob>1950/1/2</dob></info>"
           "<variable name=\"Pulse\"><normalLow>60</normalLow><normalHigh>100</normalHigh>" +
           entries + "</variable></patient>";
}

std::string entry(int id, int value, const std::string& time) {
    return "<entry id=\"" + std::to_string(id) + "\"><value>" + std::to_string(value) +
           "</value><date>2026/12/08</date><time>" + time + "</time></entry>";
}

// "id:value@time" of every Pulse entry, in the file's order.
std::string readings(const RapidDocument& doc) {
    std::string out;
    const XmlNode* v = doc.first_node("patient")->first_node("variable");
    for (const XmlNode* e = v->first_node("entry"); e; e = e->next_sibling("entry")) {
        if (!out.empty()) out += " ";
        out += std::string(e->first_attribute("id")->value()) + ":" + e->first_node("value")->value() + "@" +
               e->first_node("time")->value();
    }
    return out;
}

const std::string k8 = "08:00:00 AM", k9 = "09:00:00 AM", k10 = "10:00:00 AM";

}  // namespace

TEST(UserMerge, ReadingsAddedRemovedAndChangedOnEitherSideMergeAsTheTableSays) {
    struct Case {
        const char* name;
        std::string base, kept, other;
        UserMerge::Side answer;
        std::string merged;
        std::size_t asked;
    } cases[] = {
        {"added on both sides, colliding ids", entry(0, 70, k8), entry(0, 70, k8) + entry(1, 71, k9),
         entry(0, 70, k8) + entry(1, 72, k10), UserMerge::Side::Kept, "0:70@" + k8 + " 1:71@" + k9 + " 2:72@" + k10, 0},
        {"the same reading added on both", entry(0, 70, k8), entry(0, 70, k8) + entry(1, 71, k9),
         entry(0, 70, k8) + entry(1, 71, k9), UserMerge::Side::Kept, "0:70@" + k8 + " 1:71@" + k9, 0},
        {"removed here, untouched there", entry(0, 70, k8) + entry(1, 71, k9), entry(0, 70, k8) + entry(1, 71, k9),
         entry(0, 70, k8), UserMerge::Side::Kept, "0:70@" + k8, 0},
        {"removed there, untouched here", entry(0, 70, k8) + entry(1, 71, k9), entry(1, 71, k9),
         entry(0, 70, k8) + entry(1, 71, k9), UserMerge::Side::Kept, "1:71@" + k9, 0},
        {"changed on one side", entry(0, 70, k8), entry(0, 70, k8), entry(0, 75, k8), UserMerge::Side::Kept,
         "0:75@" + k8, 0},
        {"changed differently, the file's kept", entry(0, 70, k8), entry(0, 74, k8), entry(0, 75, k8),
         UserMerge::Side::Kept, "0:74@" + k8, 1},
        {"changed differently, this one kept", entry(0, 70, k8), entry(0, 74, k8), entry(0, 75, k8),
         UserMerge::Side::Other, "0:75@" + k8, 1},
        {"removed here, changed there", entry(0, 70, k8), entry(0, 74, k8), "", UserMerge::Side::Kept, "0:74@" + k8,
         1},
        {"two readings at one time", "", entry(0, 70, k8), entry(0, 71, k8), UserMerge::Side::Other, "0:71@" + k8, 1},
        {"no base: both sides' readings kept", "", entry(0, 70, k8) + entry(1, 71, k9),
         entry(0, 70, k8) + entry(1, 72, k10), UserMerge::Side::Kept, "0:70@" + k8 + " 1:71@" + k9 + " 2:72@" + k10,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool noBase = std::string(c.name).rfind("no base", 0) == 0;
        Parsed base(pulse(c.base)), kept(pulse(c.kept)), other(pulse(c.other));
        RapidDocument into;
        std::size_t asked = 0;
        const UserMerge::Outcome outcome =
            UserMerge::merge(noBase ? nullptr : &*base.doc, *kept.doc, *other.doc, into,
                             [&](const UserMerge::Conflict&) {
                                 ++asked;
                                 return c.answer;
                             });
        EXPECT_EQ(readings(into), c.merged);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(outcome.conflicts.size(), c.asked);
    }
}

TEST(UserMerge, InformationAndRangesChangedOnOneSideAreTakenOnBothAsked) {
    const std::string base = pulse("");
    std::string kept = base, other = base;
    kept.replace(kept.find("1950/1/2"), 8, "1950/1/3");  // the date of birth, in the file
    other.replace(other.find("<first>Ann"), 10, "<first>Anne");  // the first name, here
    other.replace(other.find("1950/1/2"), 8, "1950/2/2");  // and the date of birth too
    other.replace(other.find(">60<"), 4, ">55<");  // a range, here only
    Parsed b(base), k(kept), o(other);
    RapidDocument into;
    std::vector<std::string> asked;
    UserMerge::merge(&*b.doc, *k.doc, *o.doc, into, [&](const UserMerge::Conflict& c) {
        asked.push_back(c.what + ": " + c.kept + " / " + c.other);
        return UserMerge::Side::Kept;
    });
    const std::string merged = XmlFile::print(into);
    EXPECT_NE(merged.find("<first>Anne</first>"), std::string::npos);
    EXPECT_NE(merged.find("<dob>1950/1/3</dob>"), std::string::npos);
    EXPECT_NE(merged.find("<normalLow>55</normalLow>"), std::string::npos);
    EXPECT_EQ(asked, (std::vector<std::string>{"information: dob: 1950/1/3 / 1950/2/2"}));
}

TEST(UserMerge, TheResultHoldsItsOwnTextsAfterTheVersionsAreGone) {
    RapidDocument into;
    {
        Parsed kept(pulse(entry(0, 70, k8))), other(pulse(entry(0, 70, k8) + entry(1, 80, k9)));
        UserMerge::merge(nullptr, *kept.doc, *other.doc, into, nullptr);
        std::fill(kept.text.begin(), kept.text.end(), 'x');
        std::fill(other.text.begin(), other.text.end(), 'x');
    }
    EXPECT_EQ(readings(into), "0:70@" + k8 + " 1:80@" + k9);
}

namespace {

std::string record(int id, const std::string& first, const std::string& file) {
    return "<patient id=\"" + std::to_string(id) + "\"><name><first>" + first + "</first><last>X</last></name><file>" +
           file + "</file></patient>";
}

// "id:first:file" of every record.
std::string records(const RapidDocument& doc) {
    std::string out;
    for (const XmlNode* p = doc.first_node("config")->first_node("patient"); p; p = p->next_sibling("patient")) {
        if (!out.empty()) out += " ";
        out += std::string(p->first_attribute("id")->value()) + ":" + p->first_node("name")->first_node("first")->value() +
               ":" + p->first_node("file")->value();
    }
    return out;
}

}  // namespace

TEST(RegistryMerge, RecordsMergeByIdAndASecondPersonUnderOneIdIsMoved) {
    struct Case {
        const char* name;
        std::string base, kept, other;
        std::string merged;
        std::size_t moved;
    } cases[] = {
        {"each side added a person under id 1", record(0, "Ann", "user0.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Cy", "user1.hma"), "0:Ann:user0.hma 1:Bob:user1.hma 2:Cy:user2.hma",
         1},
        {"the same person added on both", record(0, "Ann", "user0.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"), "0:Ann:user0.hma 1:Bob:user1.hma", 0},
        {"renamed there, removed nothing", record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"),
         record(0, "Anne", "user0.hma") + record(1, "Bob", "user1.hma"), "0:Anne:user0.hma 1:Bob:user1.hma", 0},
        {"removed there, untouched here", record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"),
         record(0, "Ann", "user0.hma") + record(1, "Bob", "user1.hma"), record(0, "Ann", "user0.hma"),
         "0:Ann:user0.hma", 0},
        {"an added person whose next file name is taken", "", record(0, "Ann", "user0.hma"),
         record(0, "Cy", "user0.hma"), "0:Ann:user0.hma 2:Cy:user2.hma", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Parsed base("<config>" + c.base + "</config>"), kept("<config>" + c.kept + "</config>"),
            other("<config>" + c.other + "</config>");
        RapidDocument into;
        const bool noBase = c.base.empty();
        const RegistryMerge::Outcome outcome = RegistryMerge::merge(
            noBase ? nullptr : &*base.doc, *kept.doc, *other.doc, into, nullptr,
            [](const std::string& file) { return file == "user1.hma"; });
        EXPECT_EQ(records(into), c.merged);
        EXPECT_EQ(outcome.moved.size(), c.moved);
    }
}

TEST(ConflictCopy, EachSyncToolsCopyIsNamedWithItsFileAndOtherNamesAreNot) {
    struct Case {
        const char* name;
        const char* original;
        const char* tool;
    } cases[] = {
        {"user0.sync-conflict-20261208-101010-ABCDEFG.hma", "user0.hma", "Syncthing"},
        {"config.sync-conflict-20261208-101010-ABCDEFG.hma", "config.hma", "Syncthing"},
        {"user0 (conflicted copy 2026-12-08 101010).hma", "user0.hma", "Nextcloud"},
        {"user0 (Ann's conflicted copy 2026-12-08).hma", "user0.hma", "Dropbox"},
        {"config (Ann's conflicted copy 2026-12-08 (1)).hma", "config.hma", "Dropbox"},
        {"user0.sync-conflict-20261208-101010-ABCDEFG.hma.old", "", ""},
        {"user0.sync-conflict-2026-101010-ABCDEFG.hma", "", ""},
        {"user0.hma", "", ""},
        {"notes (conflicted copy 2026-12-08 101010).txt", "", ""},
        {"user0.hma.old", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConflictCopy::originalOf(c.name), c.original);
        EXPECT_EQ(ConflictCopy::toolOf(c.name), c.tool);
    }
}

TEST(UserMerge, AReadingTheChecksRefuseIsNeitherTakenNorAskedAboutButListed) {
    const UserMerge::Check check = MergeCheck::asOf(std::time(nullptr));
    struct Case {
        const char* name;
        std::string base, kept, other;
        std::string merged;
    } cases[] = {
        {"changed there to a negative value", entry(0, 70, k8), entry(0, 70, k8), entry(0, -70, k8), "0:70@" + k8},
        {"changed on both sides, there to 999", entry(0, 70, k8), entry(0, 74, k8), entry(0, 999, k8), "0:74@" + k8},
        {"added there at a time that does not exist", "", entry(0, 70, k8), entry(0, 70, k8) + entry(1, 71, "25:00:00"),
         "0:70@" + k8},
        {"two readings at one time, there implausible", "", entry(0, 70, k8), entry(0, 5, k8), "0:70@" + k8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Parsed base(pulse(c.base)), kept(pulse(c.kept)), other(pulse(c.other));
        RapidDocument into;
        const UserMerge::Outcome outcome =
            UserMerge::merge(c.base.empty() ? nullptr : &*base.doc, *kept.doc, *other.doc, into,
                             [](const UserMerge::Conflict&) { return UserMerge::Side::Other; }, check);
        EXPECT_EQ(readings(into), c.merged);
        EXPECT_TRUE(outcome.conflicts.empty());
        ASSERT_EQ(outcome.refused.size(), 1u);
        EXPECT_EQ(outcome.refused[0].what.rfind("Pulse reading ", 0), 0u) << outcome.refused[0].what;
        EXPECT_FALSE(outcome.refused[0].reason.empty());
    }
    // A variable the file does not have comes without its refused readings.
    const std::string temperature = "<variable name=\"Temperature\"><entry id=\"0\"><value>98.6</value><date>"
                                    "2026/12/08</date><time>08:00:00 AM</time></entry><entry id=\"1\"><value>190"
                                    "</value><date>2026/12/08</date><time>09:00:00 AM</time></entry></variable>";
    std::string withTemperature = pulse("");
    withTemperature.insert(withTemperature.find("</patient>"), temperature);
    Parsed kept(pulse("")), other(withTemperature);
    RapidDocument into;
    const UserMerge::Outcome outcome = UserMerge::merge(nullptr, *kept.doc, *other.doc, into, nullptr, check);
    EXPECT_EQ(outcome.added, 1);
    ASSERT_EQ(outcome.refused.size(), 1u);
    EXPECT_EQ(outcome.refused[0].what, "Temperature reading 1 at 2026/12/08 09:00:00 AM");
    const std::string merged = XmlFile::print(into);
    EXPECT_NE(merged.find("98.6"), std::string::npos);
    EXPECT_EQ(merged.find(">190<"), std::string::npos);
}
