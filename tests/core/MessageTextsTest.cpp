// The alerts a person reads when a date or a value is refused: each says
// what is wrong, and every one that offers a way out names the button in the
// same words, hit "Cancel".
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "rules/readings/EntryRules.h"
#include "rules/readings/RangeRules.h"
#include "rules/users/InfoRules.h"

namespace {

// Every reason an entry can be refused for.
using EntryRules::Refusal;
constexpr Refusal kEveryRefusal[] = {
    Refusal::NoValueGiven,  Refusal::DateUnreadable, Refusal::TimeUnreadable, Refusal::BadSuffix, Refusal::BadRange,
    Refusal::TextTooLong,   Refusal::NotFinite,      Refusal::ValueTooLarge,  Refusal::NameTooLong,
    Refusal::NotANumber,    Refusal::Negative,       Refusal::AfterTomorrow,  Refusal::NoSuchDay,
};

std::string entryAlert(const char* date) {
    std::tm nowTm{};
    nowTm.tm_year = 2024 - 1900;
    nowTm.tm_mon = 2;
    nowTm.tm_mday = 5;
    nowTm.tm_hour = 21;
    nowTm.tm_isdst = -1;
    const std::time_t now = std::mktime(&nowTm);
    const std::vector<EntryRules::ValueField> one{{"Value", "Value", "72"}};
    const EntryRules::EntryPlan plan = EntryRules::planEntry("Pulse", date, "10:00:00 AM", one, now);
    return plan.accepted() ? std::string() : EntryRules::message(plan.refused, plan.field);
}

std::string birthAlert(const char* dob) { return InfoRules::alertText(InfoRules::checkDob(dob)); }

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(MessageTexts, RefusedDatesSayWhatIsWrong) {
    const struct {
        std::string alert;
        const char* says;
        const char* notSays;
    } cases[] = {
        {entryAlert("2024/03/07"), "The date is after tomorrow.", "Incorrect range"},
        {entryAlert("2031/01/01"), "The date is after tomorrow.", "Incorrect range"},
        {entryAlert("2024/02/30"), "does not exist in that month", "Incorrect range"},
        {entryAlert("2023/02/29"), "does not exist in that month", "Incorrect range"},
        {entryAlert("2024/04/31"), "does not exist in that month", "Incorrect range"},
        {entryAlert("2024/13/01"), "Incorrect range for date or time values.", "does not exist"},
        {entryAlert("2024/03/06"), "", "after tomorrow"},  // tomorrow is accepted
        {birthAlert("1940/02/30"), "does not exist in that month", "The correct format is"},
        {birthAlert("1900/02/29"), "does not exist in that month", "The correct format is"},
        {birthAlert("1940/13/01"), "Incorrect range for date of birth.", "does not exist"},
        {birthAlert("1940/02/29"), "", "does not exist"},  // a leap day
    };
    for (const auto& c : cases) {
        if (*c.says)
            EXPECT_NE(c.alert.find(c.says), std::string::npos) << c.alert;
        else
            EXPECT_EQ(c.alert, "");
        EXPECT_EQ(c.alert.find(c.notSays), std::string::npos) << c.alert;
    }
}

TEST(MessageTexts, CancelIsNamedTheSameWayEverywhere) {
    std::vector<std::string> alerts;
    for (Refusal why : kEveryRefusal) alerts.push_back(EntryRules::message(why, "Value"));
    for (InfoRules::Check c : {InfoRules::Check::IncompleteName, InfoRules::Check::UnreadableDob,
                               InfoRules::Check::DobOutOfRange, InfoRules::Check::DobNoSuchDay,
                               InfoRules::Check::UnreadableHeight})
        alerts.push_back(InfoRules::alertText(c));
    for (int result = -4; result <= -1; ++result) alerts.push_back(RangeRules::message(result));
    std::size_t offeringCancel = 0;
    for (const std::string& alert : alerts) {
        if (count(alert, "Cancel") == 0) continue;
        ++offeringCancel;
        EXPECT_EQ(count(alert, "Cancel"), count(alert, "hit \"Cancel\"")) << alert;
    }
    EXPECT_GE(offeringCancel, 15u);
}

// The data tool says the reason alone; the window adds its hint. Neither is
// cut out of the other: a name that holds the hint's words stays whole.
TEST(MessageTexts, TheReasonOfARefusalHoldsNoHint) {
    for (Refusal why : kEveryRefusal) {
        SCOPED_TRACE(static_cast<int>(why));
        const Error refused = EntryRules::refusal(why, "Value");
        EXPECT_EQ(refused.kind, Error::Kind::Refused);
        EXPECT_FALSE(refused.reason.empty());
        EXPECT_EQ(refused.reason.find("Cancel"), std::string::npos) << refused.reason;
        const std::string alert = EntryRules::message(why, "Value");
        EXPECT_EQ(alert.rfind(refused.reason, 0), 0u) << alert;
        EXPECT_EQ(alert.size(), refused.reason.size() + (refused.hint.empty() ? 0 : refused.hint.size() + 1)) << alert;
    }
    const std::string name = "Sugar or hit \"Cancel\" after every meal";
    EXPECT_NE(EntryRules::refusal(Refusal::NameTooLong, name).reason.find(name + "\" is longer than"),
              std::string::npos);
}
