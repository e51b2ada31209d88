#include "shell/lenientnumbers.h"

#include "base/formatsettings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Fixed decimal separator for one test; the previous settings come back afterwards.
class DecimalSeparator {
public:
    explicit DecimalSeparator(QChar separator) : saved_(CurrentFormatSettings())
    {
        FormatSettings settings = saved_;
        settings.decimalSeparator = separator;
        settings.thousandSeparator = separator == u',' ? u'.' : u',';
        SetFormatSettings(settings);
    }
    ~DecimalSeparator() { SetFormatSettings(saved_); }

private:
    FormatSettings saved_;
};

}  // namespace

TEST(StrToIntLenient, WholeTextOrZero)
{
    struct Case { const char16_t *text; qint32 expected; } cases[] = {
        {u"25", 25},
        {u"  25  ", 25},
        {u"\t25\r\n", 25},
        {u"\x7f" u"25\x1b", 25},  // control characters are trimmed like spaces
        {u"+5", 5},
        {u"-7", -7},
        {u"007", 7},
        {u"2147483647", std::numeric_limits<qint32>::max()},
        {u"-2147483648", std::numeric_limits<qint32>::min()},
        {u"2147483648", 0},
        {u"-2147483649", 0},
        {u"99999999999999999999", 0},
        {u"25 a", 0},
        {u"2 5", 0},
        {u"", 0},
        {u"   ", 0},
        {u"+", 0},
        {u"-", 0},
        {u"+-5", 0},
        {u"- 5", 0},
        {u"5-", 0},
        {u"0x1A", 0},  // stored values are always decimal
        {u"$1A", 0},
        {u"1e3", 0},
        {u"2.5", 0},
        {u"1,000", 0},
        {u"\u0661\u0662", 0},  // only ASCII digits
    };
    for (const auto &c : cases)
        EXPECT_EQ(StrToIntLenient(QString::fromUtf16(c.text)), c.expected) << QString::fromUtf16(c.text).toStdString();
}

TEST(StrToFloatLenient, ReadsTheLocaleDecimalSeparator)
{
    struct Case { QChar separator; const char16_t *text; double expected; } cases[] = {
        {u'.', u"1.5", 1.5},
        {u'.', u" -2.25 ", -2.25},
        {u'.', u"+3", 3.0},
        {u'.', u".5", 0.5},
        {u'.', u"5.", 5.0},
        {u'.', u"1e3", 1000.0},
        {u'.', u"2.5E-1", 0.25},
        {u'.', u"1,5", 0.0},
        {u'.', u"1.000,5", 0.0},
        {u',', u"1,5", 1.5},
        {u',', u"-0,75", -0.75},
        {u',', u"1.5", 0.0},  // the other separator is no number here
        {u'.', u"", 0.0},
        {u'.', u".", 0.0},
        {u'.', u"-", 0.0},
        {u'.', u"e5", 0.0},
        {u'.', u"1e", 0.0},
        {u'.', u"1e+", 0.0},
        {u'.', u"1.5 h", 0.0},
        {u'.', u"inf", 0.0},
        {u'.', u"nan", 0.0},
        {u'.', u"0x10", 0.0},
        {u'.', u"1e999", 0.0},  // overflow
    };
    for (const auto &c : cases) {
        const DecimalSeparator separator(c.separator);
        EXPECT_DOUBLE_EQ(StrToFloatLenient(QString::fromUtf16(c.text)), c.expected)
            << QString::fromUtf16(c.text).toStdString() << " with '" << char(c.separator.unicode()) << "'";
    }
}
