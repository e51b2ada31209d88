#include "commands/timedifference.h"

#include "base/textformat.h"

#include <cmath>
#include <cstdint>

namespace {

struct Parts {
    int64_t days, hours, minutes, seconds;
};

// Each part of a negative difference is negative or 0.
Parts Split(double days)
{
    const int64_t s = std::llround(days * 86400.0);
    return {s / 86400, s / 3600 % 24, s / 60 % 60, s % 60};
}

}  // namespace

double RoundedTimeDifference(double days)
{
    const Parts p = Split(days);
    return static_cast<double>(p.days) + static_cast<double>(p.hours) / 24 + static_cast<double>(p.minutes) / 1440 +
           static_cast<double>(p.seconds) / 86400;
}

QString TimeDifferenceText(double days)
{
    const Parts p = Split(days);
    if (p.days == 0 && p.minutes == 0 && p.seconds == 0)
        return FormatText(QStringLiteral("%d hours"), {p.hours});
    return FormatText(QStringLiteral("%d days %.2dh %.2dm %.2ds"), {p.days, p.hours, p.minutes, p.seconds});
}
