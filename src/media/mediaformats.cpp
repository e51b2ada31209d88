#include "media/mediaformats.h"

namespace {

// Field offsets inside the structures.
constexpr size_t kVihSource = 0;
constexpr size_t kVihTarget = 16;
constexpr size_t kVihBitRate = 16 + 16;
constexpr size_t kVihBitErrorRate = 16 + 16 + 4;
constexpr size_t kVihAvgTimePerFrame = 16 + 16 + 4 + 4;
constexpr size_t kVihBitmap = 16 + 16 + 4 + 4 + 8;

uint8_t *Bytes(QByteArray &block) { return reinterpret_cast<uint8_t *>(block.data()); }

void WriteRect(uint8_t *p, const MediaRect &r)
{
    WriteLE32(p, static_cast<uint32_t>(r.left));
    WriteLE32(p + 4, static_cast<uint32_t>(r.top));
    WriteLE32(p + 8, static_cast<uint32_t>(r.right));
    WriteLE32(p + 12, static_cast<uint32_t>(r.bottom));
}

MediaRect ReadRect(const uint8_t *p)
{
    return {static_cast<int32_t>(ReadLE32(p)), static_cast<int32_t>(ReadLE32(p + 4)),
            static_cast<int32_t>(ReadLE32(p + 8)), static_cast<int32_t>(ReadLE32(p + 12))};
}

}  // namespace

QByteArray BuildBitmapInfoHeader(const BitmapInfoHeader &header)
{
    QByteArray block(BitmapInfoHeader::kSize, '\0');
    avi::WriteBitmapInfoHeader(header, MutableByteSpan(Bytes(block), BitmapInfoHeader::kSize));
    return block;
}

QByteArray BuildVideoInfoHeader(const VideoInfoHeader &header)
{
    QByteArray block(VideoInfoHeader::kSize, '\0');
    uint8_t *p = Bytes(block);
    WriteRect(p + kVihSource, header.source);
    WriteRect(p + kVihTarget, header.target);
    WriteLE32(p + kVihBitRate, header.bitRate);
    WriteLE32(p + kVihBitErrorRate, header.bitErrorRate);
    WriteLE64(p + kVihAvgTimePerFrame, static_cast<uint64_t>(header.avgTimePerFrame));
    avi::WriteBitmapInfoHeader(header.bmiHeader, MutableByteSpan(p + kVihBitmap, BitmapInfoHeader::kSize));
    return block;
}

QByteArray BuildWaveFormatEx(const WaveFormatEx &format)
{
    QByteArray block(WaveFormatEx::kSize, '\0');
    uint8_t *p = Bytes(block);
    WriteLE16(p, format.formatTag);
    WriteLE16(p + 2, format.channels);
    WriteLE32(p + 4, format.samplesPerSec);
    WriteLE32(p + 8, format.avgBytesPerSec);
    WriteLE16(p + 12, format.blockAlign);
    WriteLE16(p + 14, format.bitsPerSample);
    WriteLE16(p + 16, format.cbSize);
    return block;
}

QByteArray BuildDvInfo(const DvInfo &info)
{
    QByteArray block(DvInfo::kSize, '\0');
    WriteDvInfo(info, MutableByteSpan(Bytes(block), DvInfo::kSize));
    return block;
}

std::optional<BitmapInfoHeader> ParseBitmapInfoHeader(ByteSpan block)
{
    return avi::ReadBitmapInfoHeader(block);
}

std::optional<VideoInfoHeader> ParseVideoInfoHeader(ByteSpan block)
{
    if (block.size() < VideoInfoHeader::kSize)
        return std::nullopt;
    const uint8_t *p = block.data();
    VideoInfoHeader h;
    h.source = ReadRect(p + kVihSource);
    h.target = ReadRect(p + kVihTarget);
    h.bitRate = ReadLE32(p + kVihBitRate);
    h.bitErrorRate = ReadLE32(p + kVihBitErrorRate);
    h.avgTimePerFrame = static_cast<MediaTime>(ReadLE64(p + kVihAvgTimePerFrame));
    h.bmiHeader = *avi::ReadBitmapInfoHeader(ByteSpan(p + kVihBitmap, BitmapInfoHeader::kSize));
    return h;
}

std::optional<WaveFormatEx> ParseWaveFormatEx(ByteSpan block)
{
    if (block.size() < WaveFormatEx::kPcmSize)
        return std::nullopt;
    const uint8_t *p = block.data();
    WaveFormatEx f;
    f.formatTag = ReadLE16(p);
    f.channels = ReadLE16(p + 2);
    f.samplesPerSec = ReadLE32(p + 4);
    f.avgBytesPerSec = ReadLE32(p + 8);
    f.blockAlign = ReadLE16(p + 12);
    f.bitsPerSample = ReadLE16(p + 14);
    f.cbSize = block.size() >= WaveFormatEx::kSize ? ReadLE16(p + 16) : 0;
    return f;
}

std::optional<DvInfo> ParseDvInfo(ByteSpan block)
{
    return ReadDvInfo(block);
}

MediaType MakeVideoType(FourCC subtype, const VideoInfoHeader &header)
{
    MediaType type;
    type.majorType = MajorType::Video;
    type.subtype = subtype;
    type.formatType = FormatType::VideoInfo;
    type.format = BuildVideoInfoHeader(header);
    type.sampleSize = header.bmiHeader.sizeImage;
    type.temporalCompression = false;
    return type;
}

MediaType MakeAudioType(const WaveFormatEx &format)
{
    MediaType type;
    type.majorType = MajorType::Audio;
    type.subtype = format.formatTag;
    type.formatType = FormatType::WaveFormatEx;
    type.format = BuildWaveFormatEx(format);
    type.sampleSize = format.blockAlign;
    return type;
}

MediaType MakeInterleavedDvType(const DvInfo &info)
{
    MediaType type;
    type.majorType = MajorType::Interleaved;
    type.subtype = kSubtypeDvsd;
    type.formatType = FormatType::DvInfo;
    type.format = BuildDvInfo(info);
    return type;
}
