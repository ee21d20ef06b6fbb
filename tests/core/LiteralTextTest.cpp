// Texts from the data shown literally: labels and dialogs double every '@',
// list lines hide a leading one behind the "@." marker; both read back.
#include <gtest/gtest.h>

#include "app/LiteralText.h"

TEST(LiteralText, LabelsAndDialogsShowEveryAtSign) {
    const struct {
        const char* text;
        const char* label;
    } cases[] = {
        {"", ""},
        {"Ada", "Ada"},
        {"Ann Lee (ann@x.org)", "Ann Lee (ann@@x.org)"},
        {"@Weight", "@@Weight"},
        {"a@@b@", "a@@@@b@@"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LiteralText::label(c.text), c.label) << c.text;
        EXPECT_EQ(LiteralText::fromLabel(c.label), c.text) << c.text;
    }
}

TEST(LiteralText, ListLinesShowALeadingFormatCharacter) {
    EXPECT_EQ(LiteralText::listLine("Ada"), "Ada");
    EXPECT_EQ(LiteralText::listLine(""), "");
    EXPECT_EQ(LiteralText::listLine("a@b"), "a@b");
    EXPECT_EQ(LiteralText::listLine("@bBold"), "@.@bBold");
    EXPECT_EQ(LiteralText::fromListLine("@.@bBold"), "@bBold");
    EXPECT_EQ(LiteralText::fromListLine("Ada"), "Ada");
    EXPECT_EQ(LiteralText::fromListLine("@.x"), "@.x");  // never made by listLine
    for (const char* s : {"", "x", "@", "@@", "@.", "@.@"})
        EXPECT_EQ(LiteralText::fromListLine(LiteralText::listLine(s)), s) << s;
}
