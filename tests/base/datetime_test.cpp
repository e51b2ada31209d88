#include "base/datetime.h"

#include <gtest/gtest.h>

TEST(DateTime, EncodesKnownDays)
{
    struct Case { int y, mo, d; double days; } cases[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2}, {1970, 1, 1, 25569}, {2000, 3, 1, 36586}, {2024, 7, 8, 45481},
        {1899, 12, 29, -1},
    };
    for (const auto &c : cases) {
        auto v = EncodeDateTime(c.y, c.mo, c.d);
        ASSERT_TRUE(v) << c.y << '-' << c.mo << '-' << c.d;
        EXPECT_DOUBLE_EQ(*v, c.days) << c.y << '-' << c.mo << '-' << c.d;
    }
}

TEST(DateTime, RefusesImpossibleDatesAndTimes)
{
    EXPECT_FALSE(EncodeDateTime(2003, 2, 29));
    EXPECT_TRUE(EncodeDateTime(2004, 2, 29));
    EXPECT_FALSE(EncodeDateTime(1900, 2, 29));  // century rule
    EXPECT_TRUE(EncodeDateTime(2000, 2, 29));
    EXPECT_FALSE(EncodeDateTime(2004, 13, 1));
    EXPECT_FALSE(EncodeDateTime(2004, 0, 1));
    EXPECT_FALSE(EncodeDateTime(2004, 4, 31));
    EXPECT_FALSE(EncodeDateTime(2004, 4, 30, 24, 0, 0));
    EXPECT_FALSE(EncodeDateTime(2004, 4, 30, 23, 60, 0));
    EXPECT_FALSE(EncodeDateTime(2004, 4, 30, 23, 59, 60));
}

TEST(DateTime, DecodeRoundsToTheMillisecond)
{
    auto v = EncodeDateTime(2004, 7, 14, 10, 32, 5, 999);
    ASSERT_TRUE(v);
    DateTimeFields f = DecodeDateTime(*v);
    EXPECT_EQ(f.year, 2004);
    EXPECT_EQ(f.month, 7);
    EXPECT_EQ(f.day, 14);
    EXPECT_EQ(f.hour, 10);
    EXPECT_EQ(f.minute, 32);
    EXPECT_EQ(f.second, 5);
    EXPECT_EQ(f.millisecond, 999);
    EXPECT_EQ(f.dayOfWeek, 4);  // a Wednesday

    // A value a hair below midnight rounds up to the next day, not to 23:59:59.1000.
    DateTimeFields next = DecodeDateTime(*EncodeDateTime(2004, 7, 15) - 1e-10);
    EXPECT_EQ(next.day, 15);
    EXPECT_EQ(next.hour, 0);
}

TEST(DateTime, NegativeValuesKeepAPositiveTimeOfDay)
{
    auto v = EncodeDateTime(1899, 12, 29, 6, 0, 0);
    ASSERT_TRUE(v);
    EXPECT_DOUBLE_EQ(*v, -1.25);
    DateTimeFields f = DecodeDateTime(-1.25);
    EXPECT_EQ(f.day, 29);
    EXPECT_EQ(f.hour, 6);
    EXPECT_EQ(MillisecondsToDateTime(DateTimeToMilliseconds(-1.25)), -1.25);
}
