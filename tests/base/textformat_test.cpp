#include "base/textformat.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

FormatSettings English()
{
    FormatSettings s;
    s.thousandSeparator = QLatin1Char(',');
    s.decimalSeparator = QLatin1Char('.');
    return s;
}

FormatSettings French()
{
    FormatSettings s;
    s.thousandSeparator = QChar(0x202F);
    s.decimalSeparator = QLatin1Char(',');
    return s;
}

struct Case {
    const char *pattern;
    std::vector<FormatArg> args;
    const char *expected;
};

}  // namespace

TEST(FormatText, FillsPlaceholders)
{
    const Case cases[] = {
        {"%d", {42}, "42"},
        {"%d", {-42}, "-42"},
        {"%.2d", {7}, "07"},
        {"%.2d", {123}, "123"},
        {"%.3d", {-5}, "-005"},
        {"%.12d", {int64_t{400000}}, "000000400000"},
        {"%.12d", {int64_t{123456789012345}}, "123456789012345"},
        {"%d", {std::numeric_limits<int64_t>::min()}, "-9223372036854775808"},
        {"%.16x", {uint32_t{0x1234ABCD}}, "000000001234abcd"},
        {"%.16x", {int64_t{-1}}, "ffffffffffffffff"},
        {"%x/%X", {255, 255}, "ff/FF"},
        {"%.0n", {int64_t{1234567}}, "1,234,567"},
        {"%.0n", {999}, "999"},
        {"%.0n", {1234567.6}, "1,234,568"},
        {"%.0n", {int64_t{9007199254740993}}, "9,007,199,254,740,993"},  // beyond a double's exact range
        {"%n", {1234.5}, "1,234.50"},
        {"%.1n", {-1234}, "-1,234.0"},
        {"%s", {"abc"}, "abc"},
        {"%.2s|%s", {QStringLiteral("\u00e9t\u00e9"), ""}, "\u00e9t|"},
        {"[%5d][%-5d][%3s]", {42, 42, "ab"}, "[   42][42   ][ ab]"},
        {"100%% of %d%%", {3}, "100% of 3%"},
        {"%D and %S", {5, "x"}, "5 and x"},
        {"%dh %.2dmn %.2ds %.3dms", {1, 2, 3, 4}, "1h 02mn 03s 004ms"},
        {"%.2d:%.2d:%.2d,%.3d", {1, 0, 0, 0}, "01:00:00,000"},
        {"%.2d.%.2d.%.2d.%.2d", {uint8_t{0}, uint8_t{12}, uint8_t{5}, uint8_t{24}}, "00.12.05.24"},
        {"Datecode overwritten with %s by %s at %s", {"Morvik", "Quenlor", "now"},
         "Datecode overwritten with Morvik by Quenlor at now"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatText(QString::fromUtf8(c.pattern), c.args, English()), QString::fromUtf8(c.expected))
            << c.pattern;
}

TEST(FormatText, FaultyMessagesShowTheirPlaceholders)
{
    const Case cases[] = {
        {"%d and %d", {1}, "1 and %d"},            // missing argument
        {"%s", {}, "%s"},
        {"%d", {"x"}, "%d"},                       // wrong kind
        {"%s", {5}, "%s"},
        {"%x", {1.5}, "%x"},
        {"%d %s", {"a", "b"}, "%d b"},             // a mismatched argument is used up
        {"50%", {1}, "50%"},                       // not well-formed: copied
        {"%q %d", {1}, "%q 1"},
        {"%5", {1}, "%5"},
        {"%.99999d", {1}, "%.99999d"},             // absurd precision
        {"%*d", {1, 2}, "%*d"},
        {"none", {1, 2}, "none"},                  // spare arguments
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatText(QString::fromUtf8(c.pattern), c.args, English()), QString::fromUtf8(c.expected))
            << c.pattern;
}

TEST(FormatText, NumbersUseTheLocaleSeparators)
{
    EXPECT_EQ(FormatText(QStringLiteral("%.0n bytes"), {int64_t{4294967296}}, French()),
              QStringLiteral("4\u202f294\u202f967\u202f296 bytes"));
    EXPECT_EQ(FormatText(QStringLiteral("%.2n"), {1234567.891}, French()), QStringLiteral("1\u202f234\u202f567,89"));
    EXPECT_EQ(FormatText(QStringLiteral("%d"), {1234567}, French()), QStringLiteral("1234567"));
}

TEST(FormatNumber, RoundsAndGroups)
{
    struct NumberCase {
        double value;
        int decimals;
        const char *expected;
    } cases[] = {
        {1234567.891, 2, "1,234,567.89"}, {-1234.5, 0, "-1,235"}, {0.5, 0, "1"}, {2.5, 0, "3"},
        {-0.4, 0, "0"}, {999.999, 2, "1,000.00"}, {100, 0, "100"}, {1000, 0, "1,000"}, {0, 3, "0.000"},
        {1e6, -4, "1,000,000"},
        {std::numeric_limits<double>::quiet_NaN(), 0, "NAN"}, {-std::numeric_limits<double>::infinity(), 0, "-INF"},
    };
    for (const NumberCase &c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.decimals, English()), QString::fromUtf8(c.expected)) << c.value;

    FormatSettings ungrouped = English();
    ungrouped.thousandSeparator = QChar();
    EXPECT_EQ(FormatNumber(1234567, 0, ungrouped), QStringLiteral("1234567"));
}
