// The date-time value shared by the whole program: days since 1899-12-30,
// the fraction being the time of day, no time zone. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <optional>

using TDateTime = double;

struct DateTimeFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 7;  // 1 = Sunday .. 7 = Saturday
};

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Days from 1899-12-30 to the given Gregorian date; no range check.
int64_t DaysFromCivil(int year, int month, int day);

// A calendar date and time, refused when it names no real date or time.
std::optional<TDateTime> EncodeDateTime(int year, int month, int day,
                                        int hour = 0, int minute = 0, int second = 0,
                                        int millisecond = 0);

// Splits a value into calendar fields, rounded to the millisecond.
DateTimeFields DecodeDateTime(TDateTime value);

// Milliseconds since 1899-12-30 00:00, rounded; the exact form for comparisons.
int64_t DateTimeToMilliseconds(TDateTime value);
TDateTime MillisecondsToDateTime(int64_t milliseconds);
