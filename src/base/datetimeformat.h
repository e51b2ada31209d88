// Date-time values written through the program's pattern language (d, dd, ddd,
// dddd, ddddd, dddddd, m .. mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t, tt,
// am/pm, a/p, ampm, "/" and ":" separators, quoted text). Pure functions; any
// thread may call them while the settings they read do not change.
#pragma once

#include "base/datetime.h"
#include "base/formatsettings.h"

#include <optional>

#include <QString>

// The value written with the pattern; none when the value is not a date of the
// years 1 to 9999 (not finite, or out of range), which callers show as "N/A".
std::optional<QString> TryFormatDateTime(const QString &pattern, TDateTime value,
                                         const FormatSettings &settings = CurrentFormatSettings());

// As TryFormatDateTime, with an empty text for a value that is no date.
QString FormatDateTime(const QString &pattern, TDateTime value,
                       const FormatSettings &settings = CurrentFormatSettings());
