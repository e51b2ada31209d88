#include "base/formatsettings.h"

namespace {

// Qt's date/time pattern letters in the program's pattern language:
// M→m (month), m→n (minute), H→h, AP/ap→ampm, quoted text kept.
QString TranslateQtPattern(const QString &qt)
{
    QString out;
    for (qsizetype i = 0; i < qt.size(); ++i) {
        const QChar c = qt.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = qt.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? qt.size() : end;
            out += QLatin1Char('"') + qt.mid(i + 1, stop - i - 1) + QLatin1Char('"');
            i = stop;
            continue;
        }
        qsizetype run = 1;
        while (i + run < qt.size() && qt.at(i + run) == c)
            ++run;
        const QString letters = qt.mid(i, run);
        switch (c.unicode()) {
        case 'M': out += QString(run, QLatin1Char('m')); break;
        case 'm': out += QString(run, QLatin1Char('n')); break;
        case 'H': out += QString(run, QLatin1Char('h')); break;
        case 'A': case 'a':
            out += QStringLiteral("ampm");
            if (i + run < qt.size() && (qt.at(i + run) == QLatin1Char('P') || qt.at(i + run) == QLatin1Char('p')))
                ++run;
            break;
        case 't': run = 1; break;  // time zone: not part of our values
        default: out += letters; break;
        }
        i += run - 1;
    }
    return out.trimmed();
}

QChar SeparatorIn(const QString &pattern, const QString &letters, QChar fallback)
{
    for (QChar c : pattern)
        if (!c.isLetter() && !c.isSpace() && !letters.contains(c) && c != QLatin1Char('\''))
            return c;
    return fallback;
}

FormatSettings &Current()
{
    static FormatSettings settings = FormatSettingsFromLocale(QLocale::system());
    return settings;
}

}  // namespace

FormatSettings FormatSettingsFromLocale(const QLocale &locale)
{
    FormatSettings s;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    s.dateSeparator = SeparatorIn(shortDate, QString(), QLatin1Char('/'));
    s.timeSeparator = SeparatorIn(shortTime, QString(), QLatin1Char(':'));
    s.decimalSeparator = locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint().at(0);
    s.thousandSeparator = locale.groupSeparator().isEmpty() ? QLatin1Char(',') : locale.groupSeparator().at(0);
    s.shortDateFormat = TranslateQtPattern(shortDate);
    s.longDateFormat = TranslateQtPattern(locale.dateFormat(QLocale::LongFormat));
    s.shortTimeFormat = TranslateQtPattern(shortTime);
    s.longTimeFormat = TranslateQtPattern(locale.timeFormat(QLocale::LongFormat));
    s.timeAmString = locale.amText();
    s.timePmString = locale.pmText();
    for (int m = 1; m <= 12; ++m) {
        s.shortMonthNames << locale.monthName(m, QLocale::ShortFormat);
        s.longMonthNames << locale.monthName(m, QLocale::LongFormat);
    }
    // QLocale counts Monday as 1 and Sunday as 7; our names start with Sunday.
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;
        s.shortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
        s.longDayNames << locale.dayName(qtDay, QLocale::LongFormat);
    }
    return s;
}

const FormatSettings &CurrentFormatSettings()
{
    return Current();
}

void SetFormatSettings(const FormatSettings &settings)
{
    Current() = settings;
}
