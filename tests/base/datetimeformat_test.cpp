#include "base/datetimeformat.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return EncodeDateTime(y, mo, d, h, mi, s, ms).value();
}

// English names with separators unlike the pattern's own "/" and ":", so that
// their substitution shows.
FormatSettings Fixed()
{
    FormatSettings s;
    s.dateSeparator = QLatin1Char('-');
    s.timeSeparator = QLatin1Char('.');
    s.shortDateFormat = QStringLiteral("yyyy/mm/dd");
    s.longDateFormat = QStringLiteral("dddd d mmmm yyyy");
    s.shortTimeFormat = QStringLiteral("hh:nn");
    s.longTimeFormat = QStringLiteral("hh:nn:ss");
    s.timeAmString = QStringLiteral("vorm.");
    s.timePmString = QStringLiteral("nachm.");
    return s;
}

struct Case {
    const char *pattern;
    const char *expected;
};

void ExpectAll(const std::vector<Case> &cases, TDateTime value, const FormatSettings &settings)
{
    for (const Case &c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), value, settings), QString::fromUtf8(c.expected))
            << "pattern " << c.pattern;
}

}  // namespace

TEST(FormatDateTime, EveryToken)
{
    // Friday 5 March 2004, 09:05:07.008: every number shows whether it is padded.
    ExpectAll({
        {"d", "5"}, {"dd", "05"}, {"ddd", "Fri"}, {"dddd", "Friday"},
        {"ddddd", "2004-03-05"}, {"dddddd", "Friday 5 March 2004"},
        {"m", "3"}, {"mm", "03"}, {"mmm", "Mar"}, {"mmmm", "March"},
        {"y", "04"}, {"yy", "04"}, {"yyy", "2004"}, {"yyyy", "2004"},
        {"h", "9"}, {"hh", "09"}, {"n", "5"}, {"nn", "05"}, {"s", "7"}, {"ss", "07"},
        {"z", "8"}, {"zzz", "008"}, {"t", "09.05"}, {"tt", "09.05.07"},
        {"yyyymmddhhnnss", "20040305090507"},
        {"yyyymmdd_hh.nn.ss", "20040305_09.05.07"},
        {"ddddd tt", "2004-03-05 09.05.07"},
        {"d mmm yyyy", "5 Mar 2004"},
        {"", ""},
        {"x=#!?", "x=#!?"},  // not tokens: copied
    }, At(2004, 3, 5, 9, 5, 7, 8), Fixed());
    EXPECT_EQ(FormatDateTime(QStringLiteral("z"), At(2004, 3, 5, 9, 5, 7, 80), Fixed()), QStringLiteral("80"));
}

TEST(FormatDateTime, MAfterAnHourIsTheMinute)
{
    ExpectAll({
        {"h:m", "9.5"}, {"hh nn", "09 05"}, {"h mm", "9 05"}, {"hh:mm:ss", "09.05.07"},
        {"hh'h'mm", "09h05"},             // quoted text is no letter
        {"mm hh", "03 09"},               // before the hour: month
        {"hh x mm", "09 x 03"},           // another letter between: month
        {"hh:mm:mm", "09.05.03"},         // only the first m after the hour
        {"HH:MM", "09.05"},
        {"dddddd 'at' hh:mm:ss", "Friday 5 March 2004 at 09.05.07"},
    }, At(2004, 3, 5, 9, 5, 7), Fixed());
}

TEST(FormatDateTime, SeparatorsQuotesAndCase)
{
    ExpectAll({
        {"dd/mm/yyyy", "05-03-2004"}, {"hh:nn", "09.05"},
        {"'dd/mm' \"hh:nn\"", "dd/mm hh:nn"},
        {"\"it's\" d", "it's 5"}, {"'say \"hi\"'", "say \"hi\""},
        {"d 'open", "5 open"},  // an unclosed quote runs to the end
        {"YYYY-MM-DD HH:NN:SS", "2004-03-05 09.05.07"},
        {"DDDD DdD MMMM", "Friday Fri March"},
        {"yyyy.mm.dd_hh.nn.ss_am/pm", "2004.03.05_09.05.07_am"},
    }, At(2004, 3, 5, 9, 5, 7), Fixed());

    FormatSettings none = Fixed();
    none.dateSeparator = QChar();
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm"), At(2004, 3, 5), none), QStringLiteral("0503"));
}

TEST(FormatDateTime, TwelveHourClock)
{
    struct HourCase {
        int hour;
        const char *expected;
    } hours[] = {{0, "12:15 AM"}, {9, "9:15 AM"}, {11, "11:15 AM"}, {12, "12:15 PM"}, {13, "1:15 PM"}, {23, "11:15 PM"}};
    FormatSettings s = Fixed();
    s.timeSeparator = QLatin1Char(':');
    for (const HourCase &c : hours)
        EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn AM/PM"), At(2004, 3, 5, c.hour, 15), s),
                  QString::fromUtf8(c.expected)) << c.hour;

    ExpectAll({
        {"hh am/pm", "03 pm"}, {"hh Am/pM", "03 pM"}, {"h a/p", "3 p"}, {"h A/P", "3 P"},
        {"h ampm", "3 nachm."}, {"AMPM h", "nachm. 3"},
        {"am/pm hh", "pm 03"},            // the marker may come first
        {"hh:nn", "15:30"},               // no marker: 24 hours
        {"hh 'am/pm'", "15 am/pm"},       // a quoted marker is text
        {"hh a", "15 a"},                 // "a" alone is text
    }, At(2004, 7, 14, 15, 30), s);
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh a/p"), At(2004, 7, 14, 0, 30), s), QStringLiteral("12 a"));

    // A marker inside the locale's time pattern puts the whole text on the 12-hour clock.
    s.longTimeFormat = QStringLiteral("h:nn:ss ampm");
    EXPECT_EQ(FormatDateTime(QStringLiteral("tt"), At(2004, 7, 14, 0, 5, 9), s), QStringLiteral("12:05:09 vorm."));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh tt"), At(2004, 7, 14, 15, 5, 9), s),
              QStringLiteral("03 3:05:09 nachm."));
}

TEST(FormatDateTime, LocalePatternsExpandOnlyOnce)
{
    FormatSettings s = Fixed();
    s.shortDateFormat = QStringLiteral("ddddd yyyy tt");
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), At(2004, 3, 5), s), QStringLiteral(" 2004 "));
}

TEST(FormatDateTime, RefusesValuesThatAreNoDate)
{
    const FormatSettings s = Fixed();
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e300, 3.0e6, -700000.0}) {
        EXPECT_FALSE(TryFormatDateTime(QStringLiteral("yyyy"), v, s)) << v;
        EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy"), v, s), QString()) << v;
    }
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), At(1, 1, 1), s), QStringLiteral("0001-01-01 00.00.00"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), At(9999, 12, 31, 23, 59, 59), s),
              QStringLiteral("9999-12-31 23.59.59"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn"), -1.25, s), QStringLiteral("1899-12-29 06.00"));
}

TEST(FormatSettingsFromLocale, TranslatesQtPatterns)
{
    const Case cases[] = {
        {"M/d/yy", "m/d/yy"},
        {"dddd, MMMM d, yyyy", "dddd, mmmm d, yyyy"},
        {"h:mm:ss AP t", "h:nn:ss ampm"},
        {"HH:mm:ss (t)", "hh:nn:ss"},
        {"t HH:mm:ss", "hh:nn:ss"},
        {"dddd, d 'de' MMMM 'de' yyyy", "dddd, d \"de\" mmmm \"de\" yyyy"},
        {"d 'o''clock' ''", "d \"o'clock\" \"'\""},
        {"yyyy\u5e74M\u6708d\u65e5", "yyyy\u5e74m\u6708d\u65e5"},
        {"ddddd y", "dddd yyyy"},  // capped: five d's would mean the short date here
        {"HH:mm:ss.zzz", "hh:nn:ss.zzz"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PatternFromQtFormat(QString::fromUtf8(c.pattern)), QString::fromUtf8(c.expected)) << c.pattern;
}

TEST(FormatSettingsFromLocale, FixedLocales)
{
    const TDateTime v = At(2004, 7, 14, 15, 30, 12);

    const FormatSettings us = FormatSettingsFromLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(us.shortDateFormat, QStringLiteral("m/d/yy"));
    EXPECT_EQ(us.shortTimeFormat, QStringLiteral("h:nn ampm"));
    EXPECT_EQ(us.dateSeparator, QLatin1Char('/'));
    EXPECT_EQ(us.thousandSeparator, QLatin1Char(','));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd tt"), v, us), QStringLiteral("7/14/04 3:30:12 PM"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), v, us), QStringLiteral("Wednesday, July 14, 2004"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd t"), At(2004, 7, 14, 0, 5), us), QStringLiteral("7/14/04 12:05 AM"));

    const FormatSettings de = FormatSettingsFromLocale(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(de.dateSeparator, QLatin1Char('.'));
    EXPECT_EQ(de.decimalSeparator, QLatin1Char(','));
    EXPECT_EQ(de.thousandSeparator, QLatin1Char('.'));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd tt"), v, de), QStringLiteral("14.07.04 15:30:12"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), v, de), QStringLiteral("Mittwoch, 14. Juli 2004"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss am/pm"), v, de), QStringLiteral("2004.07.14 03:30:12 pm"));

    const FormatSettings fr = FormatSettingsFromLocale(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd tt"), v, fr), QStringLiteral("14/07/2004 15:30:12"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), v, fr), QStringLiteral("mercredi 14 juillet 2004"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddd d mmm"), v, fr), QStringLiteral("mer. 14 juil."));
}

// Qt is the judge: our translation of a locale's patterns, run through our
// formatter, must write what QLocale itself writes.
TEST(FormatSettingsFromLocale, AgreesWithQLocale)
{
    const char *names[] = {"en_US", "en_GB", "fr_FR", "de_DE", "es_ES", "it_IT", "nl_NL", "sv_SE",
                           "fi_FI", "hu_HU", "ru_RU", "ja_JP", "ko_KR", "zh_CN", "hi_IN", "el_GR", "en_CA"};
    const QDateTime moments[] = {QDateTime(QDate(2004, 7, 14), QTime(15, 30, 12)),
                                 QDateTime(QDate(1999, 1, 3), QTime(0, 5, 9))};
    for (const char *name : names) {
        const QLocale locale{QString::fromLatin1(name)};
        const FormatSettings s = FormatSettingsFromLocale(locale);
        for (const QDateTime &m : moments) {
            const TDateTime v = At(m.date().year(), m.date().month(), m.date().day(), m.time().hour(),
                                   m.time().minute(), m.time().second());
            EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), v, s), locale.toString(m.date(), QLocale::ShortFormat)) << name;
            EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), v, s), locale.toString(m.date(), QLocale::LongFormat)) << name;
            EXPECT_EQ(FormatDateTime(QStringLiteral("t"), v, s), locale.toString(m.time(), QLocale::ShortFormat)) << name;
        }
    }
}
