#include "base/formatsettings.h"

#include <algorithm>
#include <optional>

namespace {

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// Literal text in our pattern language: ASCII letters could be read as tokens and
// quote characters would open a quote, so both are quoted; the rest stays bare,
// "/" and ":" included, since they are the locale's own separators.
QString LiteralAsPattern(const QString &text)
{
    QString out;
    QChar open;  // the quote currently open, null when none
    for (QChar c : text) {
        const bool needsQuote = IsAsciiLetter(c) || c == QLatin1Char('"') || c == QLatin1Char('\'');
        const QChar quote = c == QLatin1Char('"') ? QLatin1Char('\'') : QLatin1Char('"');
        if (!open.isNull() && (!needsQuote || quote != open)) {
            out += open;
            open = QChar();
        }
        if (needsQuote && open.isNull()) {
            out += quote;
            open = quote;
        }
        out += c;
    }
    if (!open.isNull())
        out += open;
    return out;
}

qsizetype RunLength(const QString &text, qsizetype at)
{
    qsizetype run = 1;
    while (at + run < text.size() && text.at(at + run) == text.at(at))
        ++run;
    return run;
}

// Quoted text of a Qt pattern starting at the opening quote; "''" stands for one quote.
// Returns the index just past the closing quote.
qsizetype ReadQtQuoted(const QString &qt, qsizetype open, QString &literal)
{
    qsizetype i = open + 1;
    while (i < qt.size()) {
        if (qt.at(i) == QLatin1Char('\'')) {
            if (i + 1 < qt.size() && qt.at(i + 1) == QLatin1Char('\'')) {
                literal += QLatin1Char('\'');
                i += 2;
                continue;
            }
            return i + 1;
        }
        literal += qt.at(i++);
    }
    return i;
}

QChar SeparatorIn(const QString &qtPattern, QChar fallback)
{
    for (qsizetype i = 0; i < qtPattern.size(); ++i) {
        const QChar c = qtPattern.at(i);
        if (c == QLatin1Char('\'')) {
            QString skipped;
            i = ReadQtQuoted(qtPattern, i, skipped) - 1;
            continue;
        }
        if ((c.isPunct() || c.isSymbol()) && c != QLatin1Char('(') && c != QLatin1Char(')'))
            return c;
    }
    return fallback;
}

// Qt writes "AP" as the locale's am/pm text in capitals and "ap" in small letters;
// the case of the first such token of the pattern, none when it has none.
std::optional<bool> AmPmInCapitals(const QString &qtPattern)
{
    for (qsizetype i = 0; i < qtPattern.size(); ++i) {
        const QChar c = qtPattern.at(i);
        if (c == QLatin1Char('\'')) {
            QString skipped;
            i = ReadQtQuoted(qtPattern, i, skipped) - 1;
        } else if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
            return c == QLatin1Char('A');
        }
    }
    return std::nullopt;
}

FormatSettings &Current()
{
    static FormatSettings settings = FormatSettingsFromLocale(QLocale::system());
    return settings;
}

}  // namespace

QString PatternFromQtFormat(const QString &qt)
{
    QString out;
    QString literal;
    auto flush = [&] {
        out += LiteralAsPattern(literal);
        literal.clear();
    };
    qsizetype i = 0;
    while (i < qt.size()) {
        const QChar c = qt.at(i);
        if (c == QLatin1Char('\'')) {
            if (i + 1 < qt.size() && qt.at(i + 1) == QLatin1Char('\'')) {
                literal += QLatin1Char('\'');
                i += 2;
            } else {
                i = ReadQtQuoted(qt, i, literal);
            }
            continue;
        }
        const qsizetype run = RunLength(qt, i);
        const auto token = [&](char letter, qsizetype count) {
            flush();
            out += QString(count, QLatin1Char(letter));
        };
        switch (c.unicode()) {
        case 'd': token('d', std::min<qsizetype>(run, 4)); break;  // five d's would be our short date
        case 'M': token('m', std::min<qsizetype>(run, 4)); break;
        case 'y': token('y', run == 2 ? 2 : 4); break;
        case 'H': case 'h': token('h', std::min<qsizetype>(run, 2)); break;
        case 'm': token('n', std::min<qsizetype>(run, 2)); break;
        case 's': token('s', std::min<qsizetype>(run, 2)); break;
        case 'z': token('z', run >= 2 ? 3 : 1); break;
        case 'A': case 'a':
            flush();
            out += QStringLiteral("ampm");
            i += 1;
            if (i < qt.size() && (qt.at(i) == QLatin1Char('P') || qt.at(i) == QLatin1Char('p')))
                i += 1;
            continue;
        case 't': {
            // The time zone goes, with the spaces and brackets that set it apart.
            while (!literal.isEmpty() && literal.back().isSpace())
                literal.chop(1);
            const bool bracketed = literal.endsWith(QLatin1Char('(')) && i + run < qt.size()
                                   && qt.at(i + run) == QLatin1Char(')');
            if (bracketed) {
                literal.chop(1);
                while (!literal.isEmpty() && literal.back().isSpace())
                    literal.chop(1);
                i += 1;
            }
            break;
        }
        default: literal += qt.mid(i, run); break;
        }
        i += run;
    }
    flush();
    return out.trimmed();
}

FormatSettings FormatSettingsFromLocale(const QLocale &locale)
{
    FormatSettings s;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    s.dateSeparator = SeparatorIn(shortDate, QLatin1Char('/'));
    s.timeSeparator = SeparatorIn(shortTime, QLatin1Char(':'));
    s.decimalSeparator = locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint().at(0);
    s.thousandSeparator = locale.groupSeparator().isEmpty() ? QLatin1Char(',') : locale.groupSeparator().at(0);
    s.shortDateFormat = PatternFromQtFormat(shortDate);
    s.longDateFormat = PatternFromQtFormat(locale.dateFormat(QLocale::LongFormat));
    s.shortTimeFormat = PatternFromQtFormat(shortTime);
    s.longTimeFormat = PatternFromQtFormat(locale.timeFormat(QLocale::LongFormat));
    s.timeAmString = locale.amText();
    s.timePmString = locale.pmText();
    std::optional<bool> capitals = AmPmInCapitals(shortTime);
    if (!capitals)
        capitals = AmPmInCapitals(locale.timeFormat(QLocale::LongFormat));
    if (capitals) {
        s.timeAmString = *capitals ? s.timeAmString.toUpper() : s.timeAmString.toLower();
        s.timePmString = *capitals ? s.timePmString.toUpper() : s.timePmString.toLower();
    }
    s.shortMonthNames.clear();
    s.longMonthNames.clear();
    s.shortDayNames.clear();
    s.longDayNames.clear();
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
