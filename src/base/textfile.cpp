#include "base/textfile.h"

#include <QFile>
#include <QSaveFile>

#include <array>

namespace {

// Windows-1252 for 0x80..0x9F; the five bytes it leaves undefined keep their own code point.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252(uint8_t byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte};
}

// Length of the well-formed UTF-8 sequence at bytes[at] (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when there is none.
qsizetype Utf8SequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<uint8_t>(bytes.at(i)); };
    const uint8_t lead = byte(at);
    qsizetype length = 0;
    uint8_t low = 0x80;  // range of the second byte
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

QString DecodeUtf8Or1252(const QByteArray &bytes, qsizetype from)
{
    QString out;
    out.reserve(bytes.size() - from);
    qsizetype i = from;
    while (i < bytes.size()) {
        const uint8_t lead = static_cast<uint8_t>(bytes.at(i));
        const qsizetype length = lead < 0x80 ? 1 : Utf8SequenceLength(bytes, i);
        if (length == 0) {
            out += QChar(Cp1252(lead));
            i += 1;
            continue;
        }
        static constexpr uint8_t kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t point = lead & kLeadBits[length];
        for (qsizetype k = 1; k < length; ++k)
            point = point << 6 | (static_cast<uint8_t>(bytes.at(i + k)) & 0x3F);
        if (QChar::requiresSurrogates(point)) {
            out += QChar(QChar::highSurrogate(point));
            out += QChar(QChar::lowSurrogate(point));
        } else {
            out += QChar(static_cast<char16_t>(point));
        }
        i += length;
    }
    return out;
}

QString DecodeUtf16(const QByteArray &bytes, qsizetype from, bool bigEndian)
{
    QString out;
    out.reserve((bytes.size() - from) / 2 + 1);
    qsizetype i = from;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<uint8_t>(bytes.at(i));
        const auto second = static_cast<uint8_t>(bytes.at(i + 1));
        out += QChar(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    if (i < bytes.size())
        out += QChar::ReplacementCharacter;  // half a code unit at the end
    return out;
}

QString WithCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out += QLatin1String("\r\n");
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString LinesAsText(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

QByteArray Utf16LeWithBom(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append(char(0xFF)).append(char(0xFE));
    for (QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

TextFileWrite WriteAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot create the file \"%1\": %2").arg(path, file.errorString())};
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {false, QStringLiteral("Cannot write the file \"%1\": %2").arg(path, file.errorString())};
    return {true, QString()};
}

}  // namespace

QString DecodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return DecodeUtf8Or1252(bytes, 3);
    if (bytes.startsWith("\xFF\xFE"))
        return DecodeUtf16(bytes, 2, false);
    if (bytes.startsWith("\xFE\xFF"))
        return DecodeUtf16(bytes, 2, true);
    return DecodeUtf8Or1252(bytes, 0);
}

TextFileRead ReadTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("Cannot open the file \"%1\": %2").arg(path, file.errorString())};
    if (file.size() > kMaxTextFileBytes)
        return {std::nullopt, QStringLiteral("The file \"%1\" is too large to be read as text.").arg(path)};
    // Read one byte past the limit so that a file growing meanwhile is still refused.
    const QByteArray bytes = file.read(kMaxTextFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("Cannot read the file \"%1\": %2").arg(path, file.errorString())};
    if (bytes.size() > kMaxTextFileBytes)
        return {std::nullopt, QStringLiteral("The file \"%1\" is too large to be read as text.").arg(path)};
    return {DecodeText(bytes), QString()};
}

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            ++i;
            continue;
        }
        lines << text.mid(start, i - start);
        i += c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

TextFileWrite WriteTextFileUtf16(const QString &path, const QString &text)
{
    return WriteAtomically(path, Utf16LeWithBom(WithCrLf(text)));
}

TextFileWrite WriteTextFileUtf16(const QString &path, const QStringList &lines)
{
    return WriteTextFileUtf16(path, LinesAsText(lines));
}

TextFileWrite WriteTextFileSystem(const QString &path, const QString &text)
{
    return WriteAtomically(path, WithCrLf(text).toUtf8());
}

TextFileWrite WriteTextFileSystem(const QString &path, const QStringList &lines)
{
    return WriteTextFileSystem(path, LinesAsText(lines));
}
