// The type of a connection and of a stream: major type, subtype, format block.
// A plain value; any thread. Connections are made when the receiving filter accepts
// the type that the sending pin proposes; there is no other negotiation.
#pragma once

#include "formats/bytes.h"

#include <QByteArray>

#include <cstdint>

enum class MajorType {
    Any,          // unset; in a partial type, matches every major type
    Video,        // "vids"
    Audio,        // "auds"
    Interleaved,  // "iavs": DV frames carrying picture and sound
    Stream,       // a byte stream: a file between a file source and a splitter, or a file being written
};

enum class FormatType {
    Any,           // in a partial type, matches every format type
    None,          // no format block
    VideoInfo,     // VIDEOINFOHEADER
    WaveFormatEx,  // WAVEFORMATEX
    DvInfo,        // DVINFO
};

// Subtypes are four-character codes; those of sound are the wave format tag.
constexpr FourCC kSubtypeAny = 0;
constexpr FourCC kSubtypeDvsd = MakeFourCC("dvsd");
constexpr FourCC kSubtypePcm = 1;                           // WAVE_FORMAT_PCM
constexpr FourCC kSubtypeRgb24 = MakeFourCC('R', 'G', 'B', 24);
constexpr FourCC kSubtypeAvi = MakeFourCC("AVI ");
constexpr FourCC kSubtypeWave = MakeFourCC("WAVE");

struct MediaType {
    MajorType majorType = MajorType::Any;
    FourCC subtype = kSubtypeAny;
    FormatType formatType = FormatType::None;
    QByteArray format;          // the format block, as laid out in the file
    uint32_t sampleSize = 0;    // bytes of every sample when fixed, else 0
    bool temporalCompression = false;

    bool FixedSizeSamples() const { return sampleSize != 0; }
    ByteSpan FormatBytes() const
    {
        return {reinterpret_cast<const uint8_t *>(format.constData()), static_cast<size_t>(format.size())};
    }
    // True when every field that `partial` sets (major type not Any, subtype not 0,
    // format type not Any) equals this type's.
    bool Matches(const MediaType &partial) const;

    // A partial type that sets only the major type, for connections that pick a kind of stream.
    static MediaType Partial(MajorType major);

    bool operator==(const MediaType &) const = default;
};
