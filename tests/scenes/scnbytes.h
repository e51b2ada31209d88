// Scene files written byte by byte from the file layout, so that the reader and
// the writer are both judged against the layout rather than against each other.
#pragma once

#include "formats/bytes.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

class ScnBytes {
public:
    ScnBytes &Raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes)
            bytes_.append(static_cast<char>(b));
        return *this;
    }
    ScnBytes &Ascii(const char *text)
    {
        bytes_.append(text);
        return *this;
    }
    ScnBytes &Int32(int32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.append(static_cast<char>(static_cast<uint32_t>(value) >> (8 * i)));
        return *this;
    }
    // FF FE FF n, then n UTF-16LE characters.
    ScnBytes &Wide(const QString &text)
    {
        Raw({0xFF, 0xFE, 0xFF, static_cast<int>(text.size())});
        for (QChar c : text)
            Raw({c.unicode() & 0xFF, c.unicode() >> 8});
        return *this;
    }
    ScnBytes &Bytes(const QByteArray &bytes)
    {
        bytes_.append(bytes);
        return *this;
    }

    // The header, the path and the eight bytes before the count.
    ScnBytes &Header(const QString &path)
    {
        Raw({0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00}).Ascii("SourceTape");
        return Wide(path).Raw({0, 0, 0, 0, 0, 0, 0x0C, 0x00});
    }
    ScnBytes &Count(uint16_t count) { return Raw({count & 0xFF, count >> 8}); }
    // The first record up to its optional fields.
    ScnBytes &First(const QString &path, int32_t end, int titleFlag = 0, int pictureFlag = 0)
    {
        Raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).Ascii("Clip").Raw({0x50, titleFlag, pictureFlag, 0x00});
        Raw({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}).Ascii("Scene").Wide(QString());
        Int32(0).Int32(end).Raw({0, 0, 0, 0, 0x01, 0x80}).Wide(path);
        return Int32(0).Int32(0).Int32(end);
    }
    // A further record up to its optional fields.
    ScnBytes &Further(int32_t begin, int32_t length, int titleFlag = 0, int pictureFlag = 0)
    {
        Raw({0x03, 0x80, 0xF0, titleFlag, pictureFlag, 0x00, 0x05, 0x80}).Wide(QString());
        Int32(begin).Int32(length).Raw({0, 0, 0, 0, 0x07, 0x00});
        return Int32(begin).Int32(length).Int32(begin);
    }

    const QByteArray &bytes() const { return bytes_; }
    ByteSpan span() const
    {
        return {reinterpret_cast<const uint8_t *>(bytes_.constData()), static_cast<size_t>(bytes_.size())};
    }

private:
    QByteArray bytes_;
};

inline ByteSpan SpanOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

// A ten-character video path puts the count at offset 56.
inline const QString kGoldenVideo = QStringLiteral("clip01.avi");
inline constexpr int kGoldenCountOffset = 56;

// [0, 100); [100, 250) with picture offset 7, title T and subtitle S; [250, 400).
// Also gives where each record ends.
inline QByteArray GoldenScn(std::vector<qsizetype> *recordEnds = nullptr)
{
    ScnBytes b;
    b.Header(kGoldenVideo).Count(3).First(kGoldenVideo, 100);
    if (recordEnds)
        recordEnds->push_back(b.bytes().size());
    b.Further(100, 150, 0x80, 0x40).Int32(7).Wide(QStringLiteral("T\r\nS"));
    if (recordEnds)
        recordEnds->push_back(b.bytes().size());
    b.Further(250, 150);
    if (recordEnds)
        recordEnds->push_back(b.bytes().size());
    return b.bytes();
}
