// Units: the conversions, the texts shown, and typed values that survive the
// trip through the stored unit digit for digit.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "rules/chart/ChartMath.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "store/Global.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/PreferencesFile.h"
#include "rules/units/Units.h"

using Units::Quantity;

namespace {

Units::Preferences metric() {
    Units::Preferences p;
    p.temperature = Units::Temperature::Celsius;
    p.mass = Units::Mass::Kilogram;
    p.length = Units::Length::Centimetre;
    p.sugar = Units::Sugar::MillimolesPerLitre;
    p.named = true;
    return p;
}

}  // namespace

TEST(Units, KnownValuesConvertBothWays) {
    struct Case {
        Quantity q;
        double stored;
        double shown;
    } cases[] = {
        {Quantity::Temperature, 212, 100}, {Quantity::Temperature, 32, 0},   {Quantity::Temperature, -40, -40},
        {Quantity::Temperature, 101.3, 38.5}, {Quantity::Weight, 1, 0.45359237}, {Quantity::BloodSugar, 180.16, 10},
        {Quantity::Length, 1, 2.54},        {Quantity::Pulse, 72, 72},       {Quantity::Pressure, 120, 120},
        {Quantity::Saturation, 97, 97},     {Quantity::Unitless, 7, 7},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(Units::toShown(c.q, c.stored, metric()), c.shown, 1e-9) << c.stored;
        EXPECT_NEAR(Units::toStored(c.q, c.shown, metric()), c.stored, 1e-9) << c.shown;
        EXPECT_DOUBLE_EQ(Units::toShown(c.q, c.stored, Units::Preferences()), c.stored);
    }
}

// Every unit and a table of typical values: typed, stored as the entry
// window stores it ("%f" of the stored unit), read back and shown.
TEST(Units, TypedReadingsReadBackAsTyped) {
    const char* const typed[] = {"0",   "1",    "4.2",   "6.1",   "35.9",   "36.6",  "37",    "38.5",  "41.2",
                                 "45",  "54.3", "70.1",  "72",    "98.6",   "101.3", "109.9", "120",   "154.5",
                                 "250", "0.05", "12.34", "36.55", "38.123", "5.5555", "180.16", "999.9", "1234.56"};
    Units::Preferences both[] = {Units::Preferences(), metric()};
    for (const Units::Preferences& p : both) {
        for (Quantity q : {Quantity::Temperature, Quantity::Weight, Quantity::BloodSugar, Quantity::Pulse,
                           Quantity::Pressure, Quantity::Saturation, Quantity::Unitless}) {
            for (const char* text : typed) {
                const double stored = Units::toStored(q, std::strtod(text, nullptr), p);
                const std::string file = EntryRules::valueText(stored);
                EXPECT_EQ(Units::readingText(q, std::strtod(file.c_str(), nullptr), p), text)
                    << Units::shown(q, p).ucum << " stored as " << file;
            }
        }
    }
}

// Readings recorded in the stored unit show in another without digits they never had.
TEST(Units, ReadingsFromTheOtherUnitShowTheirOwnPrecision) {
    const struct {
        Quantity q;
        double stored;
        const char* shown;
    } cases[] = {{Quantity::Temperature, 97.4, "36.33"},   {Quantity::Temperature, 98.6, "37"},
                 {Quantity::Temperature, 98.63, "37.017"}, {Quantity::Weight, 148, "67.1"},
                 {Quantity::BloodSugar, 100, "5.55"},      {Quantity::BloodSugar, 95.5, "5.3"}};
    for (const auto& c : cases) EXPECT_EQ(Units::readingText(c.q, c.stored, metric()), c.shown) << c.stored;
}

TEST(Units, LabelsNameTheChosenUnitOnlyOncePreferencesExistAndCodesTheirQuantity) {
    EXPECT_EQ(Units::label("Temperature", Quantity::Temperature, Units::Preferences()), "Temperature");
    Units::Preferences us;
    us.named = true;
    EXPECT_EQ(Units::label("Temperature", Quantity::Temperature, us), "Temperature (\xC2\xB0" "F)");
    EXPECT_EQ(Units::label("Temperature", Quantity::Temperature, metric()), "Temperature (\xC2\xB0" "C)");
    EXPECT_EQ(Units::label("Fasting", Quantity::BloodSugar, metric()), "Fasting (mmol/L)");
    EXPECT_EQ(Units::label("Mood", Quantity::Unitless, metric()), "Mood");
    EXPECT_EQ(Units::withUnit("96", Quantity::Saturation, metric()), "96%");
    EXPECT_EQ(Units::withUnit("70.5", Quantity::Weight, metric()), "70.5 kg");
    // A code names only the units of its own quantity.
    EXPECT_EQ(Units::byCode(Quantity::Temperature, "Cel"), &Units::shown(Quantity::Temperature, metric()));
    EXPECT_EQ(Units::byCode(Quantity::Temperature, "kg"), nullptr);
    EXPECT_EQ(Units::byCode(Quantity::BloodSugar, "mmol/l"), nullptr);
}

TEST(PreferencesFile, PrintedPreferencesReadBack) {
    Units::Preferences p = metric();
    p.clock24 = true;
    p.dateStyle = Units::DateStyle::Iso;
    Units::Preferences back;
    std::string error;
    ASSERT_TRUE(PreferencesFile::parse(PreferencesFile::print(p), back, error)) << error;
    EXPECT_EQ(back, p);
    ASSERT_TRUE(PreferencesFile::parse("<preferences/>", back, error)) << error;
    Units::Preferences defaults;
    defaults.named = true;
    EXPECT_EQ(back, defaults);
}

TEST(PreferencesFile, DamagedFilesGiveTheDefaultsAndSayWhy) {
    const struct {
        const char* text;
        const char* said;
    } cases[] = {
        {"", "no element"},
        {"<preferences><temperature>Cel</temperature>", "end of data"},
        {"<settings/>", "<preferences>"},
        {"<preferences><temperature>C</temperature></preferences>", "<temperature> holds \"C\""},
        {"<preferences><clock>25</clock></preferences>", "<clock>"},
    };
    for (const auto& c : cases) {
        Units::Preferences p = metric();
        std::string error;
        EXPECT_FALSE(PreferencesFile::parse(c.text, p, error)) << c.text;
        EXPECT_NE(error.find(c.said), std::string::npos) << error;
        EXPECT_EQ(p, Units::Preferences()) << c.text;
    }
}

// A fever typed in °C is stored in °F, and drawn above the template's normal
// range (kept in °F) in either unit; the limits of what a person can have
// are compared in the file's unit too.
// A desktop locale suggests units and styles by its territory; one that
// names none suggests nothing.
TEST(PreferencesFile, ADesktopLocaleSuggestsUnitsAndStylesByItsTerritory) {
    using T = Units::Temperature;
    using S = Units::Sugar;
    const struct {
        const char* measurement;
        const char* time;
        bool suggested;
        T temperature;
        S sugar;
        bool clock24, isoDate;  // ISO dates rather than the file's
    } cases[] = {
        {"de_DE.UTF-8", "de_DE.UTF-8", true, T::Celsius, S::MilligramsPerDecilitre, true, true},
        {"en_GB.UTF-8@euro", "en_GB", true, T::Celsius, S::MillimolesPerLitre, true, true},
        {"en_US.UTF-8", "en_US.UTF-8", true, T::Fahrenheit, S::MilligramsPerDecilitre, false, false},
        {"en-AU", "en-AU", true, T::Celsius, S::MillimolesPerLitre, false, true},
        {"C", "C.UTF-8", false, T::Fahrenheit, S::MilligramsPerDecilitre, false, false},
        {"POSIX", "", false, T::Fahrenheit, S::MilligramsPerDecilitre, false, false},
        {"", "", false, T::Fahrenheit, S::MilligramsPerDecilitre, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.measurement);
        Units::Preferences p;
        EXPECT_EQ(PreferencesFile::fromLocale(c.measurement, c.time, p), c.suggested);
        EXPECT_EQ(p.temperature, c.temperature);
        EXPECT_EQ(p.mass == Units::Mass::Kilogram, c.temperature == T::Celsius);
        EXPECT_EQ(p.sugar, c.sugar);
        EXPECT_EQ(p.clock24, c.clock24);
        EXPECT_EQ(p.dateStyle == Units::DateStyle::Iso, c.isoDate);
        EXPECT_EQ(p.named, c.suggested);
    }
}

// Without a preferences file the desktop's choice is taken, saved and told
// once; a folder with the file keeps it and is told nothing.
TEST(PreferencesFile, AFirstStartTakesTheDesktopsChoiceOnceAndSaysWhereToChangeIt) {
    TestDataFolder data;
    Units::Preferences p;
    std::string notice = PreferencesFile::firstStart(data.folder, "C", "C", false, p);
    EXPECT_EQ(notice, "");
    EXPECT_FALSE(data.exists(PreferencesFile::kName));
    notice = PreferencesFile::firstStart(data.folder, "de_DE.UTF-8", "de_DE.UTF-8", true, p);
    EXPECT_EQ(notice,
              "Values are shown in kg, cm, \302\260C and mg/dL, times with the 24-hour clock and dates as YYYY-MM-DD "
              "and a decimal comma, as the desktop's settings suggest.\nChange them in Edit \342\206\222 Preferences\342\200\246");
    Units::Preferences saved;
    std::string error;
    ASSERT_EQ(PreferencesFile::read(data.folder, saved, error), 1) << error;
    EXPECT_EQ(saved, p);
    EXPECT_EQ(saved.mass, Units::Mass::Kilogram);
    EXPECT_TRUE(saved.decimalComma);
    // The next start, even with another locale, keeps what was saved.
    Units::Preferences again = saved;
    EXPECT_EQ(PreferencesFile::firstStart(data.folder, "en_US.UTF-8", "en_US.UTF-8", false, again), "");
    EXPECT_EQ(again, saved);
}

TEST(Units, RangesFollowTheChosenUnit) {
    resetGlobalState();
    Global::init();
    std::string xml =
        "<patient id=\"0\"><variable name=\"Temperature\"><normalLow>96.9</normalLow>"
        "<normalHigh>99.5</normalHigh></variable></patient>";
    std::vector<char> text(xml.begin(), xml.end());
    text.push_back('\0');
    XmlDocument doc;
    doc->parse<rapidxml::parse_no_data_nodes>(text.data());
    XmlNode* variable = doc->first_node("patient")->first_node("variable");

    const EntryRules::EntryPlan plan = EntryRules::planEntry(
        "Temperature", "2024/03/05", "08:00:00 AM", {{"Value", "Value", "38,5"}}, std::time(nullptr), metric());
    ASSERT_EQ(outcomeOf(plan), acceptedWith(1));
    EXPECT_EQ(plan.values[0].text, "101.300000");
    EXPECT_FALSE(Plausibility::outside("Temperature", plan.values[0].value));
    EntryRules::appendEntry(doc.get(), variable, plan, "2024/03/05", "08:00:00 AM");

    for (const Units::Preferences& p : {Units::Preferences(), metric()}) {
        const PointMap points = DisplayMenuRules::seriesPoints(variable, "value", p);
        const ChartMath::NormalRange range = ChartMath::normalRange(variable, "Temperature", p);
        ASSERT_EQ(points.size(), 1u);
        EXPECT_GT(points.begin()->second, range.hi);
        EXPECT_GT(range.lo, Units::toShown(Quantity::Temperature, 95, p));
    }
    EXPECT_NEAR(DisplayMenuRules::seriesPoints(variable, "value", metric()).begin()->second, 38.5, 1e-9);
    EXPECT_EQ(ChartMath::normalRange(variable, "Temperature", metric()).hiText, "37.5");
    EXPECT_EQ(Plausibility::question("Temperature", Units::toStored(Quantity::Temperature, 60, metric()), metric()),
              "Temperature 60 \xC2\xB0" "C is outside what can be measured on a person (25 to 45 \xC2\xB0" "C). Save it anyway?");
    resetGlobalState();
}

TEST(ClockStyle, DatesAndTimesInEitherStyleKeepTheFilesForms) {
    Units::Preferences iso24;
    iso24.dateStyle = Units::DateStyle::Iso;
    iso24.clock24 = true;
    const std::tm t = localTm(2024, 3, 5, 19, 30, 5);
    EXPECT_EQ(ClockStyle::date(t, iso24) + " " + ClockStyle::time(t, iso24), "2024-03-05 19:30:05");
    const struct {
        const char* typed;
        const char* file;
    } dates[] = {{"2024-03-05", "2024/03/05"}, {" 2024-3-5 ", "2024/03/05"}, {"2024/03/05", "2024/03/05"},
                 {"2024-03-05x", "2024-03-05x"}, {"", ""}};
    for (const auto& d : dates) EXPECT_EQ(ClockStyle::fileDate(d.typed, iso24), d.file) << d.typed;
    EXPECT_EQ(ClockStyle::shownDate("2024/3/5", iso24), "2024-03-05");
    EXPECT_EQ(ClockStyle::shownDate("2024/3/5", Units::Preferences()), "2024/3/5");
    EXPECT_EQ(ClockStyle::shownTime("12:15:00 AM", iso24), "00:15:00");
    EXPECT_EQ(ClockStyle::shownTime("whenever", iso24), "whenever");
    // The chart's From/To dates and hour labels.
    ScopedTimeZone zone("UTC");
    const std::int64_t instant = instantOf(2025, 12, 8, 19, 0, 0);
    ChartMath::TimeAxis hours;
    hours.S = 0.25;
    const std::string hour = ChartMath::tickLabel(hours, static_cast<double>(instant) / 86400, iso24).second;
    EXPECT_EQ(ChartMath::shortDate(instant, iso24) + " " + hour, "2025-12-08 19:00");
}

// Each style reads only its own order of day, month and year: a text that
// another style would read differently is refused rather than guessed at.
TEST(ClockStyle, TypedDatesAreReadInTheStyleShownAndStoredInTheFilesForm) {
    using S = Units::DateStyle;
    const struct {
        S style;
        const char* typed;
        const char* file;  // what the entry stores; refused ones read no day
        bool read;
    } cases[] = {
        {S::File, "2024/03/05", "2024/03/05", true},    {S::File, "05.03.2024", "05.03.2024", false},
        {S::Iso, "2024-03-05", "2024/03/05", true},     {S::Iso, " 2024/3/5 ", "2024/03/05", true},
        {S::Iso, "05.03.2024", "05.03.2024", false},    {S::DayFirst, "05.03.2024", "2024/03/05", true},
        {S::DayFirst, " 5.3.2024 ", "2024/03/05", true}, {S::DayFirst, "2024/03/05", "2024.03.05", false},
        {S::DayFirst, "05/03/2024", "05.03.2024", false}, {S::DayFirst, "2024-03-05", "2024-03-05", false},
        {S::DayFirst, "05.03.2024x", "05.03.2024x", false}, {S::DayFirst, "", "", false},
    };
    for (const auto& c : cases) {
        Units::Preferences p;
        p.dateStyle = c.style;
        SCOPED_TRACE(std::string(c.typed) + " in style " + std::to_string(static_cast<int>(c.style)));
        const std::string file = ClockStyle::fileDate(c.typed, p);
        EXPECT_EQ(file, c.file);
        std::tm when{};
        const bool read = EntryRules::readFields(file, "08:00", when) == EntryRules::Refusal::NotRefused;
        EXPECT_EQ(read, c.read);
        if (read) {
            EXPECT_EQ(when.tm_mday, 5);
        }
    }
}

// The three styles by the two clocks and the two decimal marks: dates,
// times and values as the windows show them, and what they give back.
TEST(ClockStyle, EveryStyleShowsDatesTimesAndValuesItsWay) {
    using S = Units::DateStyle;
    const struct {
        S style;
        bool clock24, comma, metricUnits;
        const char* date;
        const char* time;
        const char* temperature;  // 101.3 °F stored
    } cases[] = {
        {S::File, false, false, false, "2024/03/05", "07:30:05 PM", "101.3"},
        {S::Iso, true, false, true, "2024-03-05", "19:30:05", "38.5"},
        {S::DayFirst, true, true, true, "05.03.2024", "19:30:05", "38,5"},
        {S::DayFirst, false, true, false, "05.03.2024", "07:30:05 PM", "101,3"},
        {S::File, false, true, true, "2024/03/05", "07:30:05 PM", "38,5"},
    };
    const std::tm t = localTm(2024, 3, 5, 19, 30, 5);
    for (const auto& c : cases) {
        Units::Preferences p = c.metricUnits ? metric() : Units::Preferences();
        p.dateStyle = c.style;
        p.clock24 = c.clock24;
        p.decimalComma = c.comma;
        SCOPED_TRACE(c.date);
        EXPECT_EQ(ClockStyle::date(t, p), c.date);
        EXPECT_EQ(ClockStyle::time(t, p), c.time);
        EXPECT_EQ(ClockStyle::shownDate("2024/3/5", p), c.style == S::File ? "2024/3/5" : c.date);
        EXPECT_EQ(ClockStyle::fileDate(c.date, p), "2024/03/05");
        EXPECT_EQ(Units::readingText(Quantity::Temperature, 101.3, p), c.temperature);
        // What is shown is read back as the same value.
        const EntryRules::EntryPlan plan = EntryRules::planEntry(
            "Temperature", "2024/03/05", "08:00:00 AM", {{"Value", "Value", c.temperature}}, std::time(nullptr), p);
        ASSERT_EQ(outcomeOf(plan), acceptedWith(1));
        EXPECT_EQ(plan.values[0].text, "101.300000");
    }
}

// A file written before the third style and the decimal mark keeps its
// meaning; one written now still reads where only <date> is known.
TEST(PreferencesFile, OlderFilesKeepTheirMeaningAndNewOnesNameAStyleOlderReadersKnow) {
    using S = Units::DateStyle;
    const struct {
        const char* text;
        S style;
        bool comma;
    } cases[] = {
        {"<preferences><date>YYYY-MM-DD</date></preferences>", S::Iso, false},
        {"<preferences><date>YYYY/MM/DD</date></preferences>", S::File, false},
        {"<preferences><date>YYYY-MM-DD</date><dateStyle>DD.MM.YYYY</dateStyle></preferences>", S::DayFirst, false},
        {"<preferences><dateStyle>YYYY/MM/DD</dateStyle><date>YYYY-MM-DD</date></preferences>", S::File, false},
        {"<preferences><decimalMark>comma</decimalMark></preferences>", S::File, true},
    };
    for (const auto& c : cases) {
        Units::Preferences p;
        std::string error;
        ASSERT_TRUE(PreferencesFile::parse(c.text, p, error)) << c.text << error;
        EXPECT_EQ(p.dateStyle, c.style) << c.text;
        EXPECT_EQ(p.decimalComma, c.comma) << c.text;
    }
    Units::Preferences p;
    std::string error;
    for (const char* refused : {"<preferences><dateStyle>MM/DD/YYYY</dateStyle></preferences>",
                                "<preferences><date>DD.MM.YYYY</date></preferences>",
                                "<preferences><decimalMark>,</decimalMark></preferences>"})
        EXPECT_FALSE(PreferencesFile::parse(refused, p, error)) << refused;
    EXPECT_EQ(error, "<decimalMark> holds \",\", not \"point\" or \"comma\"");
    p.dateStyle = S::DayFirst;
    p.decimalComma = true;
    const std::string text = PreferencesFile::print(p);
    EXPECT_NE(text.find("<date>YYYY-MM-DD</date>"), std::string::npos) << text;
    EXPECT_NE(text.find("<dateStyle>DD.MM.YYYY</dateStyle>"), std::string::npos) << text;
    EXPECT_NE(text.find("<decimalMark>comma</decimalMark>"), std::string::npos) << text;
    Units::Preferences back;
    ASSERT_TRUE(PreferencesFile::parse(text, back, error)) << error;
    EXPECT_EQ(back.dateStyle, S::DayFirst);
    EXPECT_TRUE(back.decimalComma);
}
