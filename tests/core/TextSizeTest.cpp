// The text sizes offered, the desktop's scale they start from, and how the
// preferences file keeps them.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/DesktopScale.h"
#include "rules/units/PreferencesFile.h"
#include "rules/units/TextSize.h"

TEST(TextSize, TheDesktopsDotsPerInchGiveTheNearestOfferedSize) {
    const struct {
        int dpi;
        int size;
    } cases[] = {
        {96, 100}, {120, 125}, {144, 150}, {168, 175}, {192, 200},  // the usual scales
        {110, 125}, {107, 100},                                      // between two: the nearer (108 is halfway)
        {108, 100},                                                  // halfway: the smaller
        {288, 200}, {480, 200},                                      // beyond the largest
        {72, 100}, {48, 100},                                        // below the designed size
        {0, 0}, {47, 0}, {481, 0}, {-96, 0},                         // no plausible scale
    };
    for (const auto& c : cases) EXPECT_EQ(TextSize::fromDpi(c.dpi), c.size) << c.dpi;
}

TEST(TextSize, StepsGoThroughTheOfferedSizesAndStopAtEitherEnd) {
    EXPECT_EQ(TextSize::larger(100), 125);
    EXPECT_EQ(TextSize::larger(175), 200);
    EXPECT_EQ(TextSize::larger(200), 200);
    EXPECT_EQ(TextSize::smaller(125), 100);
    EXPECT_EQ(TextSize::smaller(100), 100);
    EXPECT_EQ(TextSize::smaller(200), 175);
    EXPECT_TRUE(TextSize::offered(175));
    EXPECT_FALSE(TextSize::offered(130));
    EXPECT_FALSE(TextSize::offered(0));
}

TEST(DesktopScale, XftDpiIsReadFromTheResourceDatabase) {
    const struct {
        const char* resources;
        int dpi;
    } cases[] = {
        {"Xft.dpi:\t144\n", 144},
        {"Xcursor.size:\t24\nXft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n", 192},
        {"Xft.dpi: 96", 96},             // last line without its end
        {"Xft.dpi:\t120.5\n", 120},      // a fraction is cut
        {"Xft.dpi:\t\n", 0},             // no number
        {"Xft.dpi:\tlarge\n", 0},
        {"Xft.dpi:\t9999999999\n", 0},   // no scale, and no overflow
        {"Xft.dpix:\t144\n", 0},         // another name
        {"*Xft.dpi:\t144\n", 0},
        {"Xft.antialias:\t1\n", 0},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DesktopScale::dpiFromResources(c.resources), c.dpi) << c.resources;
}

TEST(PreferencesFile, TheTextSizeIsKeptAndOnlyAnOfferedOneIsRead) {
    Units::Preferences p;
    p.textSize = 175;
    Units::Preferences back;
    std::string error;
    const std::string text = PreferencesFile::print(p);
    EXPECT_NE(text.find("\t<textSize>175</textSize>\n"), std::string::npos) << text;
    ASSERT_TRUE(PreferencesFile::parse(text, back, error)) << error;
    EXPECT_EQ(back.textSize, 175);
    // A file from before text sizes keeps the designed size.
    ASSERT_TRUE(PreferencesFile::parse("<preferences><clock>24</clock></preferences>", back, error)) << error;
    EXPECT_EQ(back.textSize, 100);
    for (const char* refused : {"130", "1500", "15", "", "abc", " 150", "+150", "-100", "150%"}) {
        const std::string file = std::string("<preferences><textSize>") + refused + "</textSize></preferences>";
        EXPECT_FALSE(PreferencesFile::parse(file, back, error)) << refused;
        EXPECT_NE(error.find("<textSize> holds \"" + std::string(refused) + "\""), std::string::npos) << error;
        EXPECT_EQ(back.textSize, 100);
    }
}

TEST(PreferencesFile, AFirstStartAtTheDesktopsScaleSavesItAndSaysSo) {
    TestDataFolder data;
    Units::Preferences p;
    // The designed size needs no word and no file.
    EXPECT_EQ(PreferencesFile::firstTextSize(data.folder, p, false), "");
    EXPECT_FALSE(data.exists(PreferencesFile::kName));
    // A desktop at 150 % without a locale's territory: saved here.
    p.textSize = 150;
    const std::string notice = PreferencesFile::firstTextSize(data.folder, p, false);
    EXPECT_EQ(notice.find("Text is shown at 150 %, as the desktop's scale suggests."), 0u) << notice;
    Units::Preferences saved;
    std::string error;
    ASSERT_EQ(PreferencesFile::read(data.folder, saved, error), 1) << error;
    EXPECT_EQ(saved.textSize, 150);
    // With the units' notice, a line of its own after it.
    EXPECT_EQ(PreferencesFile::firstTextSize(data.folder, p, true).find("\nText is shown at 150 %"), 0u);
}

TEST(PreferencesFile, OnlyAFileWithATextSizeNamesOne) {
    TestDataFolder data;
    EXPECT_FALSE(PreferencesFile::namesTextSize(data.folder));  // no file
    data.write(PreferencesFile::kName, "<preferences><clock>24</clock></preferences>");
    EXPECT_FALSE(PreferencesFile::namesTextSize(data.folder));
    data.write(PreferencesFile::kName, "<preferences><textSize>150</textSize></preferences>");
    EXPECT_TRUE(PreferencesFile::namesTextSize(data.folder));
    data.write(PreferencesFile::kName, "<preferences><textSize>150</textSize>");  // damaged
    EXPECT_FALSE(PreferencesFile::namesTextSize(data.folder));
}
