// Local wall-clock time as the program's date-time value. Any thread.
#pragma once

#include "base/datetime.h"

#include <QDateTime>

// The calendar fields of a time in local time, to the millisecond; 0 for an invalid time.
TDateTime DateTimeFromQDateTime(const QDateTime &time);
// The present local date and time.
TDateTime Now();
// The value read as a local date and time.
QDateTime QDateTimeFromDateTime(TDateTime value);
