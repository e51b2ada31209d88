// printf-style filling of the program's messages and numbers written with the
// locale's separators. Pure functions; any thread may call them while the
// settings they read do not change.
#pragma once

#include "base/formatsettings.h"

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <variant>

#include <QString>

// One argument of FormatText: a text, a 64-bit integer or a real number.
class FormatArg {
public:
    FormatArg(const QString &text) : value(text) {}
    FormatArg(const char *text) : value(QString::fromUtf8(text)) {}
    template <std::integral T>
        requires(!std::is_same_v<T, bool> && !std::is_same_v<T, char> && !std::is_same_v<T, char8_t>
                 && !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t> && !std::is_same_v<T, wchar_t>)
    FormatArg(T number) : value(static_cast<int64_t>(number))
    {
    }
    template <std::floating_point T>
    FormatArg(T number) : value(static_cast<double>(number))
    {
    }

    std::variant<QString, int64_t, double> value;
};

// Fills the placeholders %[-][width][.precision]type in order from args:
//   d  decimal integer, precision = least digits ("%.2d" → "07")
//   x  lower-case hexadecimal, X upper-case, precision = least digits; negative
//      values as their 64-bit two's complement
//   n  number with thousands separators, precision = decimals (default 2);
//      takes integers and reals
//   s  text, precision = most characters
//   %% a single "%"
// Type letters other than x/X are read in either case. Width pads with spaces on
// the left, or on the right after "-". A placeholder without an argument, with an
// argument of the wrong kind (d, x and s take only their own kind), or that is not
// well-formed is copied unchanged, so a faulty message shows its fault; a
// mismatched argument is still used up. Spare arguments are ignored.
QString FormatText(const QString &pattern, std::span<const FormatArg> args,
                   const FormatSettings &settings = CurrentFormatSettings());
QString FormatText(const QString &pattern, std::initializer_list<FormatArg> args,
                   const FormatSettings &settings = CurrentFormatSettings());

// A number with the locale's thousands and decimal separators, rounded half away
// from zero to decimals (0 to 18) places: 1234567.891 with 2 → "1,234,567.89".
QString FormatNumber(double value, int decimals, const FormatSettings &settings = CurrentFormatSettings());
