#include "files/durationformat.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kSecond = 10000000;
constexpr int64_t kPalFrame = 400000;

struct DurationCase {
    int64_t duration;
    const char *frames;
    const char *milliseconds;
};

TEST(DurationFormat, LargestUnitDecidesThePattern)
{
    const DurationCase cases[] = {
        {59 * kSecond + 12 * kPalFrame, "59s 12fr", "59s 480ms"},
        {7 * kPalFrame, "7fr", "280milliseconds"},
        {0, "0fr", "0milliseconds"},
        {(3600 + 2 * 60 + 3) * kSecond + 4 * kPalFrame, "1h 02mn 03s 04fr", "1h 02mn 03s 160ms"},
        {(5 * 60) * kSecond, "5mn 00s 00fr", "5mn 00s 000ms"},
        {(30 * 3600) * kSecond + 9999999, "30h 00mn 00s 24fr", "30h 00mn 00s 999ms"},
    };
    for (const DurationCase &c : cases) {
        EXPECT_EQ(FrameDurationText(c.duration, kPalFrame), QString::fromLatin1(c.frames)) << c.duration;
        EXPECT_EQ(MillisecondDurationText(c.duration), QString::fromLatin1(c.milliseconds)) << c.duration;
    }
}

TEST(DurationFormat, NtscFramesAndAMissingFrameTime)
{
    EXPECT_EQ(FrameDurationText(kSecond + 29 * 333667, 333667), QStringLiteral("1s 29fr"));
    // A stream without frame time must not divide by zero.
    EXPECT_EQ(FrameDurationText(2 * kSecond + 5, 0), QStringLiteral("2s 00fr"));
}

}  // namespace
