#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/Expected.h"

namespace {

Expected<int> parsed(const std::string& text) {
    if (text.empty()) return Error(Error::Kind::NotFound, "no text");
    if (text.find_first_not_of("0123456789") != std::string::npos)
        return Error(Error::Kind::Malformed, "\"" + text + "\" is not a number", "column 1", "Please try again");
    return std::stoi(text);
}

TEST(Expected, HoldsEitherTheValueOrTheError) {
    struct Case {
        const char* text;
        bool ok;
        int value;
        Error::Kind kind;
        const char* shown;
    } cases[] = {
        {"42", true, 42, Error::Kind::Failed, ""},
        {"0", true, 0, Error::Kind::Failed, ""},  // a value that is false is still a value
        {"", false, 0, Error::Kind::NotFound, "no text"},
        {"4x", false, 0, Error::Kind::Malformed, "\"4x\" is not a number\nPlease try again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Expected<int> r = parsed(c.text);
        ASSERT_EQ(static_cast<bool>(r), c.ok);
        if (c.ok) {
            EXPECT_EQ(*r, c.value);
        } else {
            EXPECT_EQ(r.error().kind, c.kind);
            EXPECT_EQ(r.error().shown(), c.shown);
        }
    }
}

TEST(Expected, KeepsTheReasonApartFromTheHint) {
    const Expected<int> r = parsed("x");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().reason, "\"x\" is not a number");
    EXPECT_EQ(r.error().place, "column 1");
    EXPECT_EQ(r.error().hint, "Please try again");
}

TEST(Expected, GivesUpAValueThatCannotBeCopied) {
    Expected<std::unique_ptr<int>> r = std::make_unique<int>(7);
    ASSERT_TRUE(r);
    const std::unique_ptr<int> taken = std::move(r).value();
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, 7);
}

TEST(Expected, OfNothingIsDoneUnlessItHoldsAnError) {
    const Expected<void> done;
    EXPECT_TRUE(done);
    const Expected<void> failed = Error(Error::Kind::Busy, "held");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().kind, Error::Kind::Busy);
    EXPECT_EQ(failed.error().shown(), "held");
}

}  // namespace
