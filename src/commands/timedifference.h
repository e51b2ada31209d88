// The time difference of a file as the program shows it: whole seconds, written
// "2 hours" or "0 days 01h 30m 00s". Pure functions; any thread.
#pragma once

#include <QString>

// The difference in days rounded to whole seconds.
double RoundedTimeDifference(double days);
QString TimeDifferenceText(double days);
