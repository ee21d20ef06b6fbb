// Texts from the data become text on the page, never markup.
#include <gtest/gtest.h>

#include "exchange/report/HtmlText.h"

TEST(HtmlText, MarkupCharactersBecomeReferencesAndOtherTextStays) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"\"><img src=x>", "&quot;&gt;&lt;img src=x&gt;"},
        {"O'Brien & Sons", "O&#39;Brien &amp; Sons"},
        {"Zo\xC3\xAB M\xC3\xBCller", "Zo\xC3\xAB M\xC3\xBCller"},
        {"bad\xFF byte", "bad\xEF\xBF\xBD byte"},
        {"cut \xC3", "cut \xEF\xBF\xBD"},
        {"bell\x07", "bell\xEF\xBF\xBD"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(HtmlText::escape(c.in), c.out) << c.in;
}

TEST(HtmlText, CssStringsShowTextAndNeverEndTheStringOrTheStyle) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Ann Lee, born 1950-03-07 (65)", "\"Ann Lee, born 1950-03-07 (65)\""},
        {"\"}</style><script>", "\"\\22 \\7d \\3c \\2f style\\3e \\3c script\\3e \""},
        {"back\\slash", "\"back\\5c slash\""},
        {"Zo\xC3\xAB", "\"Zo\xC3\xAB\""},
        {"new\nline\xFF", "\"new\xEF\xBF\xBDline\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) EXPECT_EQ(HtmlText::cssString(c.in), c.out) << c.in;
}
