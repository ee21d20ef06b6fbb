#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "TestSupport.h"
#include "rules/readings/EntryRules.h"
#include "rules/time/LocalDayClock.h"
#include "rules/time/TimeKey.h"

using namespace EntryRules;

namespace {

class BerlinTime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        hadTz_ = tz != nullptr;
        if (tz) oldTz_ = tz;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    Refusal read(const std::string& date, const std::string& time) {
        when = std::tm{};
        return readWhen(date, time, when);
    }
    std::tm when{};

private:
    bool hadTz_ = false;
    std::string oldTz_;
};

}  // namespace

TEST(EntryInitialTexts, DateHasFourDigitYearAndTwoDigitMonthAndDay) {
    EXPECT_EQ(initialDateText(localTm(2024, 3, 5, 9, 0, 0)), "2024/03/05");
    EXPECT_EQ(initialDateText(localTm(1999, 12, 31, 23, 59, 59)), "1999/12/31");
}

TEST(EntryInitialTexts, TimeUsesTwelveHourClock) {
    EXPECT_EQ(initialTimeText(localTm(2024, 3, 5, 0, 15, 0)), "12:15:00 AM");
    EXPECT_EQ(initialTimeText(localTm(2024, 3, 5, 12, 0, 0)), "12:00:00 PM");
    EXPECT_EQ(initialTimeText(localTm(2024, 3, 5, 21, 7, 5)), "09:07:05 PM");
    EXPECT_EQ(initialTimeText(localTm(2024, 3, 5, 11, 59, 59)), "11:59:59 AM");
    EXPECT_EQ(initialTimeText(localTm(2024, 3, 5, 23, 0, 9)), "11:00:09 PM");
}

TEST_F(BerlinTime, InitialTextsReadBackAsTheSameTime) {
    std::tm now = localTm(2024, 7, 14, 0, 5, 30);
    ASSERT_EQ(read(initialDateText(now), initialTimeText(now)), Refusal::NotRefused);
    EXPECT_EQ(when.tm_year, 124);
    EXPECT_EQ(when.tm_mon, 6);
    EXPECT_EQ(when.tm_mday, 14);
    EXPECT_EQ(when.tm_hour, 0);
    EXPECT_EQ(when.tm_min, 5);
    EXPECT_EQ(when.tm_sec, 30);
}

TEST_F(BerlinTime, TwelveOClockAndSuffixes) {
    ASSERT_EQ(read("2024/03/05", "12:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 0);
    EXPECT_EQ(when.tm_min, 30);
    ASSERT_EQ(read("2024/03/05", "12:30:00 PM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 12);
    ASSERT_EQ(read("2024/03/05", "13:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 1);
    ASSERT_EQ(read("2024/03/05", "01:05:00 pm"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 13);
    EXPECT_EQ(when.tm_min, 5);
    ASSERT_EQ(read("2024/03/05", "11:00:00 am"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 11);
    EXPECT_EQ(when.tm_isdst, -1);
}

TEST_F(BerlinTime, UnreadableTimesAndWrongSuffixesAreRefused) {
    EXPECT_EQ(read("2024/03/05", "10"), Refusal::TimeUnreadable);
    EXPECT_EQ(read("2024/03/05", "10:30:"), Refusal::TimeUnreadable);
    EXPECT_EQ(read("2024/03/05", "10.30.00 AM"), Refusal::TimeUnreadable);
    EXPECT_EQ(read("2024/03/05", ""), Refusal::TimeUnreadable);
    EXPECT_EQ(read("2024/03/05", "10:30:00 Pm"), Refusal::BadSuffix);
    EXPECT_EQ(read("2024/03/05", "10:30:00 AMX"), Refusal::BadSuffix);
    EXPECT_EQ(read("2024/03/05", "10:30:00 P"), Refusal::BadSuffix);
    // The word is read whole; what follows it is ignored.
    EXPECT_EQ(read("2024/03/05", "10:30:00 PM later"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 22);
    // A blank before the word is optional, as with scanf.
    EXPECT_EQ(read("2024/03/05", "10:30:00PM"), Refusal::NotRefused);
}

TEST_F(BerlinTime, DateReading) {
    EXPECT_EQ(read("2024-03-05", "10:30:00 AM"), Refusal::DateUnreadable);
    EXPECT_EQ(read("", "10:30:00 AM"), Refusal::DateUnreadable);
    EXPECT_EQ(read("2024/03", "10:30:00 AM"), Refusal::DateUnreadable);
    EXPECT_EQ(read("2024 /03/05", "10:30:00 AM"), Refusal::DateUnreadable);
    ASSERT_EQ(read("2024/3/5", "10:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_mon, 2);
    EXPECT_EQ(when.tm_mday, 5);
    ASSERT_EQ(read("  2024/03/05 and more", "10:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_year, 124);
}

TEST_F(BerlinTime, DatesAndTimesThatDoNotExistAreOutOfRange) {
    EXPECT_EQ(read("2024/02/30", "10:30:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/13/01", "10:30:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/00/10", "10:30:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/03/00", "10:30:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/03/05", "10:75:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/03/05", "10:30:60 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/03/05", "-1:30:00 PM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/-3/05", "10:30:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/02/29", "10:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(read("2023/02/29", "10:30:00 AM"), Refusal::BadRange);
}

TEST_F(BerlinTime, EarlyYearsAreCheckedAs1970) {
    ASSERT_EQ(read("1965/05/10", "08:00:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_year, 70);
    EXPECT_EQ(when.tm_mon, 4);
    EXPECT_EQ(when.tm_mday, 10);
    EXPECT_EQ(read("1968/02/29", "08:00:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("-2147483648/01/01", "08:00:00 AM"), Refusal::NotRefused);
}

TEST_F(BerlinTime, TimeInDaylightSavingGapIsReadAsThePlatformPlacesIt) {
    ASSERT_EQ(read("2024/03/31", "02:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 2);
    const TimeKey gap = TimeKey::fromTm(when);
    EXPECT_TRUE(gap.valid);
    // An hour before or after, as the system's conversion places it.
    EXPECT_GE(gap.instant, instantOf(2024, 3, 31, 1, 30, 0));
    EXPECT_LE(gap.instant, instantOf(2024, 3, 31, 3, 30, 0));
    EXPECT_EQ(read("2024/03/31", "01:59:59 AM"), Refusal::NotRefused);
    EXPECT_EQ(read("2024/03/31", "03:00:00 AM"), Refusal::NotRefused);
    // The hour repeated in autumn exists and is kept.
    EXPECT_EQ(read("2024/10/27", "02:30:00 AM"), Refusal::NotRefused);
    EXPECT_EQ(when.tm_hour, 2);
}

TEST_F(BerlinTime, NumbersBeyondIntAreOutOfRangeNotUnreadable) {
    EXPECT_EQ(read("99999999999/01/01", "08:00:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/99999999999/01", "08:00:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/01/01", "99999999999999999999:00:00 AM"), Refusal::BadRange);
    EXPECT_EQ(read("2024/01/01", "08:-99999999999:00 AM"), Refusal::BadRange);
}

TEST_F(BerlinTime, ChecksComeInOrder) {
    EXPECT_EQ(read("2024-03-05", "10:30"), Refusal::DateUnreadable);
    EXPECT_EQ(read("2024/02/30", "10.30"), Refusal::TimeUnreadable);
    EXPECT_EQ(read("2024/02/30", "10:30:00 XM"), Refusal::BadSuffix);
    EXPECT_EQ(read("2024/02/30", "10:30:00 AM"), Refusal::BadRange);
}

TEST(EntryNumbering, FirstIsZeroThenOneMoreThanTheLast) {
    EXPECT_EQ(nextEntryId(nullptr), "0");
    EXPECT_EQ(nextEntryId("0"), "1");
    EXPECT_EQ(nextEntryId("7"), "8");
    EXPECT_EQ(nextEntryId(" 12x"), "13");
    EXPECT_EQ(nextEntryId(""), "1");
    EXPECT_EQ(nextEntryId("abc"), "1");
    EXPECT_EQ(nextEntryId("-1"), "0");
    EXPECT_EQ(nextEntryId("2147483647"), "2147483648");
    EXPECT_FALSE(nextEntryId("999999999999999999999999999999").empty());
}

TEST(EntryValues, StoredWithSixDecimals) {
    EXPECT_EQ(valueText(72), "72.000000");
    EXPECT_EQ(valueText(98.6), "98.600000");
    EXPECT_EQ(valueText(-0.5), "-0.500000");
    EXPECT_EQ(elementName("Systolic"), "systolic");
    EXPECT_EQ(elementName("Postprandial"), "postprandial");
    EXPECT_EQ(elementName("Value"), "value");
    EXPECT_EQ(elementName(""), "");
}

TEST(EntryLayout, ValueInputsAndButtonRow) {
    EXPECT_EQ(valueLabels("Blood Pressure"), (std::vector<std::string>{"Systolic", "Diastolic"}));
    EXPECT_EQ(valueLabels("Blood Sugar"), (std::vector<std::string>{"Fasting", "Postprandial"}));
    EXPECT_EQ(valueLabels("Pulse"), (std::vector<std::string>{"Value"}));
    EXPECT_EQ(valueLabels("blood pressure"), (std::vector<std::string>{"Value"}));
    EXPECT_EQ(buttonRowY(110), 150);
    EXPECT_EQ(buttonRowY(80), 135);
}

TEST(EntryLayout, TabNamesAreExact) {
    EXPECT_STREQ(listedElement("Vitals"), "variable");
    EXPECT_STREQ(listedElement("Lab"), "lab");
    EXPECT_STREQ(listedElement("Medicine"), "drug");
    EXPECT_EQ(listedElement("vitals"), nullptr);
    EXPECT_EQ(listedElement("VITALS"), nullptr);
    EXPECT_EQ(listedElement(""), nullptr);
}

TEST(EntryMessages, TextsOfTheFiveAlerts) {
    EXPECT_EQ(message(Refusal::DateUnreadable),
              "The date you entered could not be read.\nThe correct format is: YYYY/MM/DD\nPlease try again or hit "
              "\"Cancel\"");
    EXPECT_EQ(message(Refusal::TimeUnreadable),
              "The time you entered could not be read.\nThe correct format is: HH:MM:SS AM or PM\nPlease try again "
              "or hit \"Cancel\"");
    EXPECT_EQ(message(Refusal::BadSuffix), "Incorrect time: please indicate AM or PM or hit \"Cancel\"");
    EXPECT_EQ(message(Refusal::BadRange),
              "Incorrect range for date or time values.\nPlease try again or hit \"Cancel\"");
    EXPECT_EQ(message(Refusal::NoValueGiven), "Please enter at least one value.\nTry again or hit \"Cancel\"");
}

TEST(EntryMessages, RefusalsNameTheField) {
    EXPECT_NE(message(Refusal::TextTooLong, "Date").find("Date"), std::string::npos);
    EXPECT_NE(message(Refusal::TextTooLong, "Date").find("63"), std::string::npos);
    EXPECT_NE(message(Refusal::NotFinite, "Systolic").find("Systolic"), std::string::npos);
    EXPECT_NE(message(Refusal::NotFinite, "Systolic").find("finite"), std::string::npos);
    EXPECT_NE(message(Refusal::ValueTooLarge, "Value").find("Value"), std::string::npos);
    EXPECT_NE(message(Refusal::NameTooLong, "A very long name").find("A very long name"), std::string::npos);
}

class EntryPlanTest : public BerlinTime {
protected:
    EntryPlan plan(const std::string& variable, const std::vector<std::string>& texts,
                   const std::string& date = "2024/03/05", const std::string& time = "09:07:05 PM") {
        std::vector<ValueField> fields;
        std::vector<std::string> labels = valueLabels(variable);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::string label = i < labels.size() ? labels[i] : "Value";
            fields.push_back({label, variable == "Mood" ? "Mood Index" : label, texts[i]});
        }
        return planEntry(variable, date, time, fields);
    }
};

TEST_F(EntryPlanTest, SingleValueGoesToTheVariablesSeries) {
    EntryPlan p = plan("Pulse", {"72"});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    ASSERT_EQ(p.values.size(), 1u);
    EXPECT_EQ(p.values[0].element, "value");
    EXPECT_EQ(p.values[0].text, "72.000000");
    EXPECT_EQ(p.values[0].series, "Pulse");
    EXPECT_DOUBLE_EQ(p.values[0].value, 72);
    EXPECT_EQ(p.when.tm_hour, 21);
    EXPECT_EQ(p.when.tm_min, 7);
    EXPECT_EQ(p.when.tm_sec, 5);
}

TEST_F(EntryPlanTest, OnlySystolicFilled) {
    EntryPlan p = plan("Blood Pressure", {"120", ""});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    ASSERT_EQ(p.values.size(), 1u);
    EXPECT_EQ(p.values[0].element, "systolic");
    EXPECT_EQ(p.values[0].series, "Systolic");
    p = plan("Blood Pressure", {"", "80"});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    EXPECT_EQ(p.values[0].element, "diastolic");
    EXPECT_EQ(p.values[0].series, "Diastolic");
    p = plan("Blood Sugar", {"95", "140.5"});
    ASSERT_EQ(outcomeOf(p), acceptedWith(2));
    EXPECT_EQ(p.values[0].element, "fasting");
    EXPECT_EQ(p.values[1].element, "postprandial");
    EXPECT_EQ(p.values[1].text, "140.500000");
    EXPECT_EQ(p.values[1].series, "Postprandial");
}

TEST_F(EntryPlanTest, EmptyTextsAreSkipped) {
    EXPECT_EQ(outcomeOf(plan("Pulse", {""})), refusedFor(Refusal::NoValueGiven));
    EXPECT_EQ(outcomeOf(plan("Blood Pressure", {" ", ""})), refusedFor(Refusal::NoValueGiven));
    EntryPlan p = plan("Blood Pressure", {"", " 81.5 "});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    EXPECT_EQ(p.values[0].text, "81.500000");
}

TEST_F(EntryPlanTest, TextsThatAreNotWhollyANumberAreRefusedNamingTheField) {
    for (const char* text : {"abc", "72abc", "-", "81.5 mmHg", "0x48", "7 2", "1e2", "0x1p6", "inf", "nan"}) {
        EntryPlan p = plan("Blood Pressure", {"120", text});
        EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::NotANumber)) << text;
        EXPECT_EQ(p.field, "Diastolic") << text;
        EXPECT_TRUE(p.values.empty()) << text;
    }
    EXPECT_NE(message(Refusal::NotANumber, "Diastolic").find("Diastolic"), std::string::npos);
}

TEST_F(EntryPlanTest, DatesAfterTomorrowAreRefusedAsSuch) {
    // 2024/03/05 21:07:05 local time.
    std::tm nowTm = localTm(2024, 3, 5, 21, 7, 5);
    const std::time_t now = std::mktime(&nowTm);
    std::vector<ValueField> one{{"Value", "Value", "72"}};
    const struct {
        const char* date;
        PlanOutcome outcome;
    } cases[] = {{"2024/03/05", acceptedWith(1)},
                 {"2024/03/06", acceptedWith(1)},
                 {"2024/03/07", refusedFor(Refusal::AfterTomorrow)},
                 {"20244/01/01", refusedFor(Refusal::AfterTomorrow)},
                 {"2025/01/01", refusedFor(Refusal::AfterTomorrow)},
                 {"1999/12/31", acceptedWith(1)}};
    for (const auto& c : cases)
        EXPECT_EQ(outcomeOf(planEntry("Pulse", c.date, "11:59:59 PM", one, now)), c.outcome) << c.date;
}

TEST_F(EntryPlanTest, TomorrowIsThatOfTheZoneInEffectWhenAsked) {
    // 2024-03-05 12:00 UTC: already March 6 on Kiritimati (UTC+14), still
    // March 5 in Pago Pago (UTC-11). The zones are written as offsets, which
    // the C libraries of both systems read (Windows' knows no zone names).
    const std::time_t now = static_cast<std::time_t>(LocalDayClock::daysFromCivil(2024, 3, 5) * 86400 + 12 * 3600);
    std::vector<ValueField> one{{"Value", "Value", "72"}};
    for (int round = 0; round < 2; ++round) {
        {
            ScopedTimeZone zone("LIN-14");
            EXPECT_EQ(outcomeOf(planEntry("Pulse", "2024/03/07", "08:00:00 AM", one, now)), acceptedWith(1));
            EXPECT_TRUE(afterTomorrow(localTm(2024, 3, 8, 8, 0, 0), tomorrowOf(now)));
        }
        ScopedTimeZone zone("SST11");
        EXPECT_EQ(outcomeOf(planEntry("Pulse", "2024/03/07", "08:00:00 AM", one, now)),
                  refusedFor(Refusal::AfterTomorrow));
        EXPECT_FALSE(afterTomorrow(localTm(2024, 3, 6, 8, 0, 0), tomorrowOf(now)));
    }
}

TEST_F(EntryPlanTest, InfiniteAndNotANumberWordsAreRefusedAsNoNumber) {
    for (const char* text : {"1e999", "-1e999", "inf", "nan", "INFINITY"}) {
        EntryPlan p = plan("Blood Pressure", {"120", text});
        EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::NotANumber)) << text;
        EXPECT_EQ(p.field, "Diastolic") << text;
        EXPECT_TRUE(p.values.empty()) << text;
    }
    EntryPlan p = plan("Mood", {"nan"});
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::NotANumber));
    EXPECT_EQ(p.field, "Mood Index");
    // A tiny number is zero, not a refusal.
    p = plan("Pulse", {"0." + std::string(60, '0') + "1"});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    EXPECT_EQ(p.values[0].text, "0.000000");
}

TEST_F(EntryPlanTest, ValuesTooLargeToStoreAreRefused) {
    EntryPlan p = plan("Pulse", {"1" + std::string(55, '0')});
    ASSERT_EQ(outcomeOf(p), acceptedWith(1));
    EXPECT_LE(p.values[0].text.size(), kMaxText);
    p = plan("Pulse", {"1" + std::string(56, '0')});
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::ValueTooLarge));
    EXPECT_EQ(p.field, "Value");
    p = plan("Pulse", {"-1" + std::string(55, '0')});
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::ValueTooLarge));
}

TEST_F(EntryPlanTest, OverLongTextsAreRefusedBeforeAnyOtherCheck) {
    const std::string pad63 = "2024/03/05" + std::string(53, ' ');
    ASSERT_EQ(pad63.size(), 63u);
    EXPECT_EQ(outcomeOf(plan("Pulse", {"72"}, pad63)), acceptedWith(1));
    EntryPlan p = plan("Pulse", {"72"}, pad63 + " ");
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::TextTooLong));
    EXPECT_EQ(p.field, "Date");
    p = plan("Pulse", {"72"}, "2024/03/05", "09:07:05 PM" + std::string(53, ' '));
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::TextTooLong));
    EXPECT_EQ(p.field, "Time");
    p = plan("Blood Sugar", {"90", "1" + std::string(63, ' ')}, "bad date");
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::TextTooLong));
    EXPECT_EQ(p.field, "Postprandial");
    p = plan("Blood Sugar", {"90", "1" + std::string(62, ' ')});
    EXPECT_EQ(outcomeOf(p), acceptedWith(2));
}

TEST_F(EntryPlanTest, DateAndTimeChecksComeBeforeValues) {
    EXPECT_EQ(outcomeOf(plan("Pulse", {"1e999"}, "2024-03-05")), refusedFor(Refusal::DateUnreadable));
    EXPECT_EQ(outcomeOf(plan("Pulse", {""}, "2024/02/30")), refusedFor(Refusal::NoSuchDay));
    EXPECT_EQ(outcomeOf(plan("Pulse", {"72"}, "2024/03/05", "10.30.00")), refusedFor(Refusal::TimeUnreadable));
}

TEST_F(EntryPlanTest, VariableNamesLongerThan31AreRefused) {
    const std::string name31(31, 'n');
    std::vector<ValueField> one{{"Value", "Value", "5"}};
    EXPECT_EQ(outcomeOf(planEntry(name31, "2024/03/05", "09:00:00 AM", one)), acceptedWith(1));
    EntryPlan p = planEntry(name31 + "x", "2024/03/05", "09:00:00 AM", one);
    EXPECT_EQ(outcomeOf(p), refusedFor(Refusal::NameTooLong));
    EXPECT_EQ(p.field, name31 + "x");
}

// The hour repeated when daylight saving ends: the same clock reading always
// gives the same instant, whatever was converted before, so the readings of
// that hour keep their clock order on the chart, in reports and in exports.
TEST(NewYorkTime, RepeatedHourKeepsClockOrderWhateverWasConvertedBefore) {
    ScopedTimeZone tz("America/New_York");
    const char* orders[][3] = {{"01:10:00 AM", "01:30:00 AM", "01:50:00 AM"},
                               {"01:50:00 AM", "01:30:00 AM", "01:10:00 AM"},
                               {"01:30:00 AM", "01:50:00 AM", "01:10:00 AM"}};
    for (const auto& order : orders) {
        SCOPED_TRACE(order[0]);
        std::int64_t at[3] = {};
        int season = 0;
        for (const char* time : order) {
            // Readings of other days converted in between, in summer and in winter time.
            instantOf(2026, ++season % 2 ? 7 : 12, 2, 12);
            std::tm when{};
            ASSERT_EQ(readWhen("2026/11/1", time, when), Refusal::NotRefused);
            at[(when.tm_min - 10) / 20] = TimeKey::fromTm(when).instant;
        }
        EXPECT_EQ(at[1] - at[0], 20 * 60);
        EXPECT_EQ(at[2] - at[1], 20 * 60);
    }
}
