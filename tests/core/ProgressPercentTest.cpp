#include "app/ProgressPercent.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(ProgressPercentTest, WholePercentRoundedDownNeverAboveAHundred) {
    struct Case {
        std::size_t done, total;
        int percent;
    };
    const std::size_t big = std::size_t(1) << 30;  // a gigabyte: done * 100 past 32 bits
    const Case cases[] = {
        {0, 200, 0},       {1, 200, 0},         {2, 200, 1},     {199, 200, 99}, {200, 200, 100},
        {300, 200, 100},   {0, 0, 100},         {5, 0, 100},     {big - 1, big, 99}, {big / 2, big, 50},
        {big / 3, big, 33}, {1, big, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressPercent::of(c.done, c.total), c.percent) << c.done << " of " << c.total;
}

TEST(ProgressPercentTest, AdvancesOnlyWhenThePercentMoves) {
    ProgressPercent p;
    EXPECT_TRUE(p.advance(0, 1000));  // the first figure is always told
    EXPECT_EQ(p.percent(), 0);
    EXPECT_FALSE(p.advance(9, 1000));
    EXPECT_TRUE(p.advance(10, 1000));
    EXPECT_EQ(p.percent(), 1);
    EXPECT_FALSE(p.advance(19, 1000));
    EXPECT_TRUE(p.advance(1000, 1000));
    EXPECT_EQ(p.percent(), 100);
    EXPECT_FALSE(p.advance(1000, 1000));
}
