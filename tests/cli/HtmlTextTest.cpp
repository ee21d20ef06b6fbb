// Texts from the data become text on the page, never markup.
#include <gtest/gtest.h>

#include "exchange/report/HtmlReport.h"
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

TEST(HtmlText, StoredValuesShowWithoutTrailingZerosAndHugeOnesInShortForm) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{72, "72"}, {98.6, "98.6"}, {7.25, "7.25"}, {-0.001, "0"}, {-3.5, "-3.5"}, {1e300, "1e+300"}};
    for (const auto& c : cases) EXPECT_EQ(HtmlReport::valueText(c.value), c.text) << c.value;
}
