// Conversions of typed or stored text to numbers that never fail: a text that is not
// a number as a whole gives 0. Any thread; StrToFloatLenient reads the process-wide
// format settings for the decimal separator.
#pragma once

#include <QString>
#include <QtGlobal>

// Decimal digits with an optional sign, after trimming spaces and control characters;
// 0 for anything else, an empty text included, and for values outside 32 bits.
qint32 StrToIntLenient(const QString &text);

// Digits with an optional sign, the locale's decimal separator and an exponent, after
// the same trimming; 0 for anything else and for values that overflow a double.
double StrToFloatLenient(const QString &text);
