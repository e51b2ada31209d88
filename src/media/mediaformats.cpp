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

void WriteBitmap(uint8_t *p, const BitmapInfoHeader &h)
{
    WriteLE32(p, h.size);
    WriteLE32(p + 4, static_cast<uint32_t>(h.width));
    WriteLE32(p + 8, static_cast<uint32_t>(h.height));
    WriteLE16(p + 12, h.planes);
    WriteLE16(p + 14, h.bitCount);
    WriteLE32(p + 16, h.compression);
    WriteLE32(p + 20, h.sizeImage);
    WriteLE32(p + 24, static_cast<uint32_t>(h.xPelsPerMeter));
    WriteLE32(p + 28, static_cast<uint32_t>(h.yPelsPerMeter));
    WriteLE32(p + 32, h.clrUsed);
    WriteLE32(p + 36, h.clrImportant);
}

BitmapInfoHeader ReadBitmap(const uint8_t *p)
{
    BitmapInfoHeader h;
    h.size = ReadLE32(p);
    h.width = static_cast<int32_t>(ReadLE32(p + 4));
    h.height = static_cast<int32_t>(ReadLE32(p + 8));
    h.planes = ReadLE16(p + 12);
    h.bitCount = ReadLE16(p + 14);
    h.compression = ReadLE32(p + 16);
    h.sizeImage = ReadLE32(p + 20);
    h.xPelsPerMeter = static_cast<int32_t>(ReadLE32(p + 24));
    h.yPelsPerMeter = static_cast<int32_t>(ReadLE32(p + 28));
    h.clrUsed = ReadLE32(p + 32);
    h.clrImportant = ReadLE32(p + 36);
    return h;
}

}  // namespace

QByteArray BuildBitmapInfoHeader(const BitmapInfoHeader &header)
{
    QByteArray block(BitmapInfoHeader::kSize, '\0');
    WriteBitmap(Bytes(block), header);
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
    WriteBitmap(p + kVihBitmap, header.bmiHeader);
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
    if (block.size() < BitmapInfoHeader::kSize)
        return std::nullopt;
    return ReadBitmap(block.data());
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
    h.bmiHeader = ReadBitmap(p + kVihBitmap);
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
