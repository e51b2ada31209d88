#include "base/textformat.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Widths and precisions beyond this are taken as a malformed placeholder, so a
// faulty message can never ask for an enormous text.
constexpr int kMaxField = 999;
constexpr int kMaxDecimals = 18;
constexpr int kDefaultDecimals = 2;

struct Placeholder {
    bool leftAlign = false;
    int width = 0;
    int precision = -1;  // -1 when not written
    QChar type;
};

// Reads the placeholder starting at the '%' at start; returns the index after it,
// or nothing when it is not well-formed.
std::optional<qsizetype> ParsePlaceholder(const QString &pattern, qsizetype start, Placeholder &field)
{
    qsizetype j = start + 1;
    const auto readNumber = [&](int &number) {
        number = 0;
        while (j < pattern.size() && pattern.at(j).isDigit() && pattern.at(j).unicode() < 128) {
            number = number * 10 + (pattern.at(j).unicode() - '0');
            if (number > kMaxField)
                return false;
            ++j;
        }
        return true;
    };
    if (j < pattern.size() && pattern.at(j) == QLatin1Char('%')) {
        field.type = QLatin1Char('%');
        return j + 1;
    }
    if (j < pattern.size() && pattern.at(j) == QLatin1Char('-')) {
        field.leftAlign = true;
        ++j;
    }
    if (!readNumber(field.width))
        return std::nullopt;
    if (j < pattern.size() && pattern.at(j) == QLatin1Char('.')) {
        ++j;
        if (!readNumber(field.precision))
            return std::nullopt;
    }
    if (j >= pattern.size())
        return std::nullopt;
    const QChar type = pattern.at(j);
    if (type != QLatin1Char('x') && type != QLatin1Char('X')
        && !QStringLiteral("dns").contains(type, Qt::CaseInsensitive))
        return std::nullopt;
    field.type = type;
    return j + 1;
}

QString GroupDigits(const QString &digits, QChar separator)
{
    if (separator.isNull())
        return digits;
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

uint64_t Magnitude(int64_t value)
{
    return value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

QString WithLeastDigits(const QString &digits, int precision)
{
    return precision > 0 ? digits.rightJustified(precision, QLatin1Char('0')) : digits;
}

std::optional<QString> Render(const Placeholder &field, const FormatArg &arg, const FormatSettings &settings)
{
    const int64_t *integer = std::get_if<int64_t>(&arg.value);
    const double *real = std::get_if<double>(&arg.value);
    const QString *text = std::get_if<QString>(&arg.value);
    switch (field.type.toLower().unicode()) {
    case 'd':
        if (!integer)
            return std::nullopt;
        return (*integer < 0 ? QStringLiteral("-") : QString())
               + WithLeastDigits(QString::number(Magnitude(*integer)), field.precision);
    case 'x': {
        if (!integer)
            return std::nullopt;
        const QString hex = WithLeastDigits(QString::number(static_cast<uint64_t>(*integer), 16), field.precision);
        return field.type == QLatin1Char('X') ? hex.toUpper() : hex;
    }
    case 'n': {
        const int decimals = field.precision < 0 ? kDefaultDecimals : std::min(field.precision, kMaxDecimals);
        if (real)
            return FormatNumber(*real, decimals, settings);
        if (!integer)
            return std::nullopt;
        // Integers are grouped exactly rather than through a double, which loses digits past 2^53.
        QString out = (*integer < 0 ? QStringLiteral("-") : QString())
                      + GroupDigits(QString::number(Magnitude(*integer)), settings.thousandSeparator);
        if (decimals > 0)
            out += settings.decimalSeparator + QString(decimals, QLatin1Char('0'));
        return out;
    }
    case 's':
        if (!text)
            return std::nullopt;
        return field.precision >= 0 ? text->left(field.precision) : *text;
    default:
        return std::nullopt;
    }
}

}  // namespace

QString FormatText(const QString &pattern, std::span<const FormatArg> args, const FormatSettings &settings)
{
    QString out;
    size_t next = 0;
    qsizetype i = 0;
    while (i < pattern.size()) {
        if (pattern.at(i) != QLatin1Char('%')) {
            out += pattern.at(i++);
            continue;
        }
        Placeholder field;
        const std::optional<qsizetype> end = ParsePlaceholder(pattern, i, field);
        if (!end) {
            out += pattern.at(i++);
            continue;
        }
        const QString placeholder = pattern.mid(i, *end - i);
        i = *end;
        if (field.type == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        if (next >= args.size()) {
            out += placeholder;
            continue;
        }
        const std::optional<QString> filled = Render(field, args[next++], settings);
        if (!filled)
            out += placeholder;
        else if (field.leftAlign)
            out += filled->leftJustified(field.width);
        else
            out += filled->rightJustified(field.width);
    }
    return out;
}

QString FormatText(const QString &pattern, std::initializer_list<FormatArg> args, const FormatSettings &settings)
{
    return FormatText(pattern, std::span<const FormatArg>(args.begin(), args.size()), settings);
}

QString FormatNumber(double value, int decimals, const FormatSettings &settings)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    const QString plain = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? plain : plain.left(point);
    QString out = GroupDigits(whole, settings.thousandSeparator);
    if (point >= 0)
        out += settings.decimalSeparator + plain.mid(point + 1);
    // A value that rounds to zero carries no sign.
    const bool allZero = std::all_of(plain.cbegin(), plain.cend(),
                                     [](QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('.'); });
    return value < 0 && !allZero ? QLatin1Char('-') + out : out;
}
