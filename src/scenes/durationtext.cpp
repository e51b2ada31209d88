#include "scenes/durationtext.h"

#include <array>
#include <cmath>

namespace {

// One style: the pattern for each largest non-zero unit, hours first. A pattern
// takes the fields from that unit on: hours, minutes, seconds, frames.
struct DurationPattern {
    const char *format;
    int firstField;
};
using DurationStyleRow = std::array<DurationPattern, 4>;

constexpr std::array<DurationStyleRow, 3> kDurationPatterns = {{
    {{{"%lld:%.2lld:%.2lld.%.2lld", 0}, {"%.2lld:%.2lld.%.2lld", 1}, {"%.2lld.%.2lld", 2}, {"%.2lld.%.2lld", 2}}},
    {{{"%lld:%.2lld:%.2lld:%.2lld", 0}, {"%.2lld:%.2lld:%.2lld", 1}, {"%.2lld:%.2lld", 2}, {"%.2lld:%.2lld", 2}}},
    {{{"%lldh %.2lldmn %.2llds %.2lldfr", 0}, {"%lldmn %.2llds %.2lldfr", 1}, {"%llds %.2lldfr", 2}, {"%lldfr", 3}}},
}};

// Whole seconds beyond this would not survive the conversion to an integer.
constexpr double kMaxSeconds = 9.0e18;

}  // namespace

std::optional<QString> DurationText(int64_t frames, double fps, int style)
{
    if (style < 0 || style >= static_cast<int>(kDurationPatterns.size()))
        return std::nullopt;
    const double n = static_cast<double>(frames);
    if (!(fps > 0) || !std::isfinite(fps) || !(std::fabs(n / fps) < kMaxSeconds))
        return QStringLiteral("??");

    const long long seconds = static_cast<long long>(std::trunc(n / fps));
    const long long rest = std::llround(n - static_cast<double>(seconds) * fps);
    const std::array<long long, 4> fields = {seconds / 3600, seconds / 60 % 60, seconds % 60, rest};

    int unit = 0;
    while (unit < 3 && fields[unit] <= 0)
        ++unit;
    const DurationPattern &pattern = kDurationPatterns[style][unit];
    // Fields past the pattern's last one are ignored by the formatter.
    auto field = [&](int i) { return pattern.firstField + i < 4 ? fields[pattern.firstField + i] : 0LL; };
    return QString::asprintf(pattern.format, field(0), field(1), field(2), field(3));
}
