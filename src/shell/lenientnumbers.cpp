#include "shell/lenientnumbers.h"

#include "base/formatsettings.h"

#include <charconv>
#include <string>

namespace {

bool IsSpaceOrControl(QChar c)
{
    return c.unicode() <= u' ' || c.category() == QChar::Other_Control;
}

QStringView TrimSpacesAndControls(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpaceOrControl(text[begin]))
        ++begin;
    while (end > begin && IsSpaceOrControl(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsSign(QChar c)
{
    return c == u'+' || c == u'-';
}

// Advances over a run of digits; returns how many there were.
qsizetype SkipDigits(QStringView text, qsizetype &pos)
{
    const qsizetype start = pos;
    while (pos < text.size() && IsAsciiDigit(text[pos]))
        ++pos;
    return pos - start;
}

// The text in the C syntax std::from_chars reads ('.' as separator, no '+'), or empty
// when it is not [sign] digits [separator digits] [e [sign] digits] with a digit in front
// of the exponent.
std::string ToCNumber(QStringView text, QChar decimalSeparator)
{
    std::string out;
    qsizetype pos = 0;
    if (pos < text.size() && IsSign(text[pos])) {
        if (text[pos] == u'-')
            out += '-';
        ++pos;
    }
    const qsizetype mantissaStart = pos;
    qsizetype mantissaDigits = SkipDigits(text, pos);
    out += text.mid(mantissaStart, pos - mantissaStart).toLatin1().toStdString();
    if (pos < text.size() && text[pos] == decimalSeparator) {
        ++pos;
        const qsizetype fractionStart = pos;
        mantissaDigits += SkipDigits(text, pos);
        out += '.';
        out += text.mid(fractionStart, pos - fractionStart).toLatin1().toStdString();
    }
    if (mantissaDigits == 0)
        return {};
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        const qsizetype exponentStart = pos++;
        if (pos < text.size() && IsSign(text[pos]))
            ++pos;
        if (SkipDigits(text, pos) == 0)
            return {};
        out += text.mid(exponentStart, pos - exponentStart).toLatin1().toStdString();
    }
    return pos == text.size() ? out : std::string();
}

}  // namespace

qint32 StrToIntLenient(const QString &text)
{
    const QStringView trimmed = TrimSpacesAndControls(text);
    const qsizetype digitsStart = !trimmed.isEmpty() && IsSign(trimmed[0]) ? 1 : 0;
    if (digitsStart == trimmed.size())
        return 0;
    for (QChar c : trimmed.mid(digitsStart))
        if (!IsAsciiDigit(c))
            return 0;
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    return ok ? value : 0;
}

double StrToFloatLenient(const QString &text)
{
    const std::string number = ToCNumber(TrimSpacesAndControls(text), CurrentFormatSettings().decimalSeparator);
    if (number.empty())
        return 0.0;
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc() && end == number.data() + number.size() ? value : 0.0;
}
