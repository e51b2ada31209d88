#include "files/durationformat.h"

#include "base/textformat.h"

#include <array>

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kUnitsPerMillisecond = 10000;

// Patterns for the largest non-zero unit, hours first; the last takes the rest alone.
using DurationPatterns = std::array<const char *, 4>;
constexpr DurationPatterns kFramePatterns = {"%dh %.2dmn %.2ds %.2dfr", "%dmn %.2ds %.2dfr", "%ds %.2dfr", "%dfr"};
constexpr DurationPatterns kMillisecondPatterns = {"%dh %.2dmn %.2ds %.3dms", "%dmn %.2ds %.3dms", "%ds %.3dms",
                                                   "%dmilliseconds"};

QString DurationText(int64_t duration, int64_t rest, const DurationPatterns &patterns)
{
    const int64_t seconds = duration / kUnitsPerSecond;
    const int64_t h = seconds / 3600;
    const int64_t m = seconds / 60 % 60;
    const int64_t s = seconds % 60;
    if (h > 0)
        return FormatText(QString::fromLatin1(patterns[0]), {h, m, s, rest});
    if (m > 0)
        return FormatText(QString::fromLatin1(patterns[1]), {m, s, rest});
    if (s > 0)
        return FormatText(QString::fromLatin1(patterns[2]), {s, rest});
    return FormatText(QString::fromLatin1(patterns[3]), {rest});
}

}  // namespace

QString FrameDurationText(int64_t duration, int64_t frameTime)
{
    const int64_t frames = frameTime > 0 ? duration % kUnitsPerSecond / frameTime : 0;
    return DurationText(duration, frames, kFramePatterns);
}

QString MillisecondDurationText(int64_t duration)
{
    return DurationText(duration, duration % kUnitsPerSecond / kUnitsPerMillisecond, kMillisecondPatterns);
}
