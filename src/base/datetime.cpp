#include "base/datetime.h"

#include <cmath>

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Howard Hinnant's days_from_civil, shifted so that 1899-12-30 is day 0.
int64_t DaysFromCivil(int year, int month, int day)
{
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    constexpr int64_t kEpochFromUnix = 25569;  // 1899-12-30 .. 1970-01-01
    return era * 146097 + doe - 719468 + kEpochFromUnix;
}

static void CivilFromDays(int64_t days, int &year, int &month, int &day)
{
    const int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::optional<TDateTime> EncodeDateTime(int year, int month, int day,
                                        int hour, int minute, int second, int millisecond)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60
        || millisecond < 0 || millisecond >= 1000)
        return std::nullopt;
    const int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    const double days = static_cast<double>(DaysFromCivil(year, month, day));
    const double time = ms / kMillisecondsPerDay;
    return days >= 0 ? days + time : days - time;
}

// Before the epoch a value's whole part is the day and its fraction, taken
// positive, the time of day: -1.25 is 1899-12-29 06:00.
int64_t DateTimeToMilliseconds(TDateTime value)
{
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    return static_cast<int64_t>(whole) * 86400000LL + std::llround(fraction * kMillisecondsPerDay);
}

TDateTime MillisecondsToDateTime(int64_t milliseconds)
{
    int64_t days = milliseconds / 86400000LL;
    int64_t rest = milliseconds % 86400000LL;
    if (rest < 0) {
        days -= 1;
        rest += 86400000LL;
    }
    const double time = rest / kMillisecondsPerDay;
    return days >= 0 ? days + time : days - time;
}

DateTimeFields DecodeDateTime(TDateTime value)
{
    // Milliseconds on a linear time line; floor division gives the day and its time.
    const int64_t total = DateTimeToMilliseconds(value);
    int64_t days = total / 86400000LL;
    int64_t ms = total % 86400000LL;
    if (ms < 0) {
        days -= 1;
        ms += 86400000LL;
    }
    DateTimeFields f;
    CivilFromDays(days, f.year, f.month, f.day);
    f.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    f.second = static_cast<int>(ms % 60);
    ms /= 60;
    f.minute = static_cast<int>(ms % 60);
    f.hour = static_cast<int>(ms / 60);
    // 1899-12-30 was a Saturday.
    f.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
    return f;
}
