#include "base/datetimeformat.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

enum class Field {
    Literal,
    Year,
    Month,
    MonthShort,
    MonthLong,
    Day,
    DayShort,
    DayLong,
    Hour,
    Minute,
    Second,
    Millisecond,
    AmPmLetters,  // the pattern's own letters: "am/pm" or "a/p" in the case written
    AmPmLocale,
};

struct Piece {
    Field field = Field::Literal;
    int digits = 0;
    QString text;    // literal text, or the morning letters of AmPmLetters
    QString pmText;  // the afternoon letters of AmPmLetters
};

// The locale's patterns (ddddd, dddddd, t, tt) are expanded once; tokens of that
// kind inside them write nothing, so settings can never make the expansion recurse.
constexpr int kMaxExpansionDepth = 1;

QChar AsciiUpper(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z') ? QChar(c.unicode() - 32) : c;
}

int RunLength(const QString &pattern, qsizetype at)
{
    const QChar letter = AsciiUpper(pattern.at(at));
    int run = 1;
    while (at + run < pattern.size() && AsciiUpper(pattern.at(at + run)) == letter)
        ++run;
    return run;
}

bool StartsWithAt(const QString &pattern, qsizetype at, QLatin1StringView token)
{
    return QStringView(pattern).mid(at).startsWith(token, Qt::CaseInsensitive);
}

void AddLiteral(std::vector<Piece> &pieces, const QString &text)
{
    if (!pieces.empty() && pieces.back().field == Field::Literal)
        pieces.back().text += text;
    else
        pieces.push_back({Field::Literal, 0, text, {}});
}

void Tokenize(const QString &pattern, const FormatSettings &settings, int depth, std::vector<Piece> &pieces)
{
    const auto expand = [&](const QString &inner) {
        if (depth < kMaxExpansionDepth)
            Tokenize(inner, settings, depth + 1, pieces);
    };
    // "m" right after an hour, with only non-letters between, is the minute.
    QChar lastLetter = QLatin1Char(' ');
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        QChar token = AsciiUpper(c);
        if (token >= QLatin1Char('A') && token <= QLatin1Char('Z')) {
            if (token == QLatin1Char('M') && lastLetter == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastLetter = token;
        }
        const int run = RunLength(pattern, i);
        qsizetype used = run;
        switch (token.unicode()) {
        case 'Y': pieces.push_back({Field::Year, run <= 2 ? 2 : 4, {}, {}}); break;
        case 'M':
            if (run <= 2)
                pieces.push_back({Field::Month, run, {}, {}});
            else
                pieces.push_back({run == 3 ? Field::MonthShort : Field::MonthLong, 0, {}, {}});
            break;
        case 'D':
            if (run <= 2)
                pieces.push_back({Field::Day, run, {}, {}});
            else if (run <= 4)
                pieces.push_back({run == 3 ? Field::DayShort : Field::DayLong, 0, {}, {}});
            else
                expand(run == 5 ? settings.shortDateFormat : settings.longDateFormat);
            break;
        case 'H': pieces.push_back({Field::Hour, std::min(run, 2), {}, {}}); break;
        case 'N': pieces.push_back({Field::Minute, std::min(run, 2), {}, {}}); break;
        case 'S': pieces.push_back({Field::Second, std::min(run, 2), {}, {}}); break;
        case 'Z': pieces.push_back({Field::Millisecond, std::min(run, 3), {}, {}}); break;
        case 'T': expand(run == 1 ? settings.shortTimeFormat : settings.longTimeFormat); break;
        case 'A':
            if (StartsWithAt(pattern, i, QLatin1StringView("am/pm"))) {
                pieces.push_back({Field::AmPmLetters, 0, pattern.mid(i, 2), pattern.mid(i + 3, 2)});
                used = 5;
            } else if (StartsWithAt(pattern, i, QLatin1StringView("a/p"))) {
                pieces.push_back({Field::AmPmLetters, 0, pattern.mid(i, 1), pattern.mid(i + 2, 1)});
                used = 3;
            } else if (StartsWithAt(pattern, i, QLatin1StringView("ampm"))) {
                pieces.push_back({Field::AmPmLocale, 0, {}, {}});
                used = 4;
            } else {
                AddLiteral(pieces, QString(c));
                used = 1;
            }
            break;
        case '/':
        case ':': {
            const QChar separator = c == QLatin1Char('/') ? settings.dateSeparator : settings.timeSeparator;
            if (!separator.isNull())
                AddLiteral(pieces, QString(separator));
            used = 1;
            break;
        }
        case '\'':
        case '"': {
            const qsizetype close = pattern.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close;
            AddLiteral(pieces, pattern.mid(i + 1, end - i - 1));
            used = end + 1 - i;
            break;
        }
        default:
            AddLiteral(pieces, QString(c));
            used = 1;
            break;
        }
        i += used;
    }
}

QString Number(int value, int digits)
{
    return QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;
// Far outside the years 1..9999; keeps the millisecond arithmetic of decoding in range.
constexpr double kMaxMagnitude = 4.0e6;

}  // namespace

std::optional<QString> TryFormatDateTime(const QString &pattern, TDateTime value, const FormatSettings &settings)
{
    if (!std::isfinite(value) || std::fabs(value) > kMaxMagnitude)
        return std::nullopt;
    const DateTimeFields f = DecodeDateTime(value);
    if (f.year < kFirstYear || f.year > kLastYear)
        return std::nullopt;

    std::vector<Piece> pieces;
    Tokenize(pattern, settings, 0, pieces);
    // An am/pm anywhere in the expanded pattern puts every hour of it on the
    // 12-hour clock, so a text never shows "14" beside "PM".
    bool twelveHour = false;
    for (const Piece &p : pieces)
        twelveHour = twelveHour || p.field == Field::AmPmLetters || p.field == Field::AmPmLocale;
    const bool afternoon = f.hour >= 12;
    int hour = f.hour;
    if (twelveHour)
        hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);

    QString out;
    for (const Piece &p : pieces) {
        switch (p.field) {
        case Field::Literal: out += p.text; break;
        case Field::Year: out += p.digits == 2 ? Number(f.year % 100, 2) : Number(f.year, 4); break;
        case Field::Month: out += Number(f.month, p.digits); break;
        case Field::MonthShort: out += settings.shortMonthNames.value(f.month - 1); break;
        case Field::MonthLong: out += settings.longMonthNames.value(f.month - 1); break;
        case Field::Day: out += Number(f.day, p.digits); break;
        case Field::DayShort: out += settings.shortDayNames.value(f.dayOfWeek - 1); break;
        case Field::DayLong: out += settings.longDayNames.value(f.dayOfWeek - 1); break;
        case Field::Hour: out += Number(hour, p.digits); break;
        case Field::Minute: out += Number(f.minute, p.digits); break;
        case Field::Second: out += Number(f.second, p.digits); break;
        case Field::Millisecond: out += Number(f.millisecond, p.digits); break;
        case Field::AmPmLetters: out += afternoon ? p.pmText : p.text; break;
        case Field::AmPmLocale: out += afternoon ? settings.timePmString : settings.timeAmString; break;
        }
    }
    return out;
}

QString FormatDateTime(const QString &pattern, TDateTime value, const FormatSettings &settings)
{
    return TryFormatDateTime(pattern, value, settings).value_or(QString());
}
