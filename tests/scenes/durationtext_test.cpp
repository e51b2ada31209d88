#include "scenes/durationtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(DurationText, ThreeStyles)
{
    const double ntsc = 30000.0 / 1001.0;
    const struct { int64_t frames; double fps; int style; const char *text; } cases[] = {
        {3, 25, kDurationUnits, "3fr"},
        {0, 25, kDurationUnits, "0fr"},
        {30, 25, kDurationUnits, "1s 05fr"},
        {1525, 25, kDurationUnits, "1mn 01s 00fr"},
        {90030, 25, kDurationUnits, "1h 00mn 01s 05fr"},
        {90030, 25, kDurationDecimal, "1:00:01.05"},
        {1525, 25, kDurationDecimal, "01:01.00"},
        {3, 25, kDurationDecimal, "00.03"},
        {90030, 25, kDurationColons, "1:00:01:05"},
        {1525, 25, kDurationColons, "01:01:00"},
        {30, 25, kDurationColons, "01:05"},
        {900000, 25, kDurationColons, "10:00:00:00"},
        // 29.97 frames per second: the rest is rounded, and may reach 30.
        {29, ntsc, kDurationUnits, "29fr"},
        {30, ntsc, kDurationUnits, "1s 00fr"},
        {1800, ntsc, kDurationUnits, "1mn 00s 02fr"},
        {107892, ntsc, kDurationDecimal, "59:59.30"},
        {17982, ntsc, kDurationColons, "09:59:30"},
    };
    for (const auto &c : cases) {
        const auto text = DurationText(c.frames, c.fps, c.style);
        ASSERT_TRUE(text) << c.frames << " at style " << c.style;
        EXPECT_EQ(*text, QString::fromLatin1(c.text)) << c.frames << " frames at " << c.fps << " style " << c.style;
    }
}

TEST(DurationText, UnknownRateAndUnknownStyle)
{
    for (int style : {0, 1, 2}) {
        EXPECT_EQ(DurationText(100, 0, style), QStringLiteral("??"));
        EXPECT_EQ(DurationText(100, -25, style), QStringLiteral("??"));
        EXPECT_EQ(DurationText(100, std::nan(""), style), QStringLiteral("??"));
        EXPECT_EQ(DurationText(std::numeric_limits<int64_t>::max(), 1e-300, style), QStringLiteral("??"));
    }
    for (int style : {-1, 3, 42}) {
        EXPECT_FALSE(DurationText(100, 25, style)) << style;
        EXPECT_FALSE(DurationText(100, 0, style)) << style;
    }
}
