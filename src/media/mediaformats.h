// The three format blocks that media types carry, as the AVI stream format chunks
// and the framework lay them out (little-endian): VIDEOINFOHEADER (88 bytes),
// WAVEFORMATEX (18 bytes) and DVINFO (32 bytes). Pure functions, any thread.
#pragma once

#include "formats/aviheaders.h"
#include "formats/bytes.h"
#include "formats/dvinfo.h"
#include "media/mediatime.h"
#include "media/mediatype.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>

// The bitmap header of the AVI stream format, the same bytes here.
using BitmapInfoHeader = avi::BitmapInfoHeader;

struct MediaRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const MediaRect &) const = default;
};

struct VideoInfoHeader {
    MediaRect source;
    MediaRect target;
    uint32_t bitRate = 0;
    uint32_t bitErrorRate = 0;
    MediaTime avgTimePerFrame = 0;
    BitmapInfoHeader bmiHeader;

    static constexpr size_t kSize = 16 + 16 + 4 + 4 + 8 + BitmapInfoHeader::kSize;  // 88
    bool operator==(const VideoInfoHeader &) const = default;
};

struct WaveFormatEx {
    uint16_t formatTag = 1;  // PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t cbSize = 0;  // bytes of extra format data after the structure

    static constexpr size_t kSize = 18;
    static constexpr size_t kPcmSize = 16;  // the older PCMWAVEFORMAT, without cbSize
    bool operator==(const WaveFormatEx &) const = default;
};

// DvInfo, the DVINFO block of an interleaved stream, is the one of formats/dvinfo.h.

QByteArray BuildVideoInfoHeader(const VideoInfoHeader &header);
QByteArray BuildBitmapInfoHeader(const BitmapInfoHeader &header);
// cbSize is written as given; no extra bytes follow.
QByteArray BuildWaveFormatEx(const WaveFormatEx &format);
QByteArray BuildDvInfo(const DvInfo &info);

// Each parser refuses a block shorter than its structure; longer blocks are read
// from their start (a format chunk may carry more than the structure).
std::optional<VideoInfoHeader> ParseVideoInfoHeader(ByteSpan block);
std::optional<BitmapInfoHeader> ParseBitmapInfoHeader(ByteSpan block);
// Accepts the 16-byte PCM form too, with cbSize 0.
std::optional<WaveFormatEx> ParseWaveFormatEx(ByteSpan block);
std::optional<DvInfo> ParseDvInfo(ByteSpan block);

// Media types of the common streams, with their format blocks.
MediaType MakeVideoType(FourCC subtype, const VideoInfoHeader &header);
MediaType MakeAudioType(const WaveFormatEx &format);
MediaType MakeInterleavedDvType(const DvInfo &info);
