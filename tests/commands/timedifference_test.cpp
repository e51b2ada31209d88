#include "commands/timedifference.h"

#include <gtest/gtest.h>

TEST(TimeDifference, LabelAndRounding)
{
    struct Case {
        double days;
        const char *text;
    } const cases[] = {
        {2.0 / 24, "2 hours"},
        {1.5 / 24, "0 days 01h 30m 00s"},
        {-1.0 / 24, "-1 hours"},
        {0, "0 hours"},
        {1.5, "1 days 12h 00m 00s"},
        {-(1.0 / 24 + 30.0 / 86400), "0 days -01h 00m -30s"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TimeDifferenceText(c.days), QString::fromLatin1(c.text)) << c.days;
    EXPECT_DOUBLE_EQ(RoundedTimeDifference(1.0 / 24 + 0.4 / 86400), 1.0 / 24);
}
