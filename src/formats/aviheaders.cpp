#include "formats/aviheaders.h"

namespace avi {

namespace {

int16_t ReadS16(const uint8_t *p) { return static_cast<int16_t>(ReadLE16(p)); }
int32_t ReadS32(const uint8_t *p) { return static_cast<int32_t>(ReadLE32(p)); }

std::optional<int> DecimalPair(FourCC id, int shift)
{
    const int high = static_cast<int>((id >> shift) & 0xFF) - '0';
    const int low = static_cast<int>((id >> (shift + 8)) & 0xFF) - '0';
    if (high < 0 || high > 9 || low < 0 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}

}  // namespace

std::optional<MainHeader> ReadMainHeader(ByteSpan bytes)
{
    if (bytes.size() < 40)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    MainHeader h;
    h.microSecPerFrame = ReadLE32(p + 0);
    h.maxBytesPerSec = ReadLE32(p + 4);
    h.paddingGranularity = ReadLE32(p + 8);
    h.flags = ReadLE32(p + 12);
    h.totalFrames = ReadLE32(p + 16);
    h.initialFrames = ReadLE32(p + 20);
    h.streams = ReadLE32(p + 24);
    h.suggestedBufferSize = ReadLE32(p + 28);
    h.width = ReadLE32(p + 32);
    h.height = ReadLE32(p + 36);
    return h;
}

void WriteMainHeader(const MainHeader &h, MutableByteSpan out)
{
    uint8_t *p = out.data();
    std::memset(p, 0, MainHeader::kSize);
    WriteLE32(p + 0, h.microSecPerFrame);
    WriteLE32(p + 4, h.maxBytesPerSec);
    WriteLE32(p + 8, h.paddingGranularity);
    WriteLE32(p + 12, h.flags);
    WriteLE32(p + 16, h.totalFrames);
    WriteLE32(p + 20, h.initialFrames);
    WriteLE32(p + 24, h.streams);
    WriteLE32(p + 28, h.suggestedBufferSize);
    WriteLE32(p + 32, h.width);
    WriteLE32(p + 36, h.height);
}

// Old writers end the stream header after dwSampleSize (48 bytes); the frame
// rectangle is then left empty.
std::optional<StreamHeader> ReadStreamHeader(ByteSpan bytes)
{
    if (bytes.size() < 48)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    StreamHeader h;
    h.type = ReadLE32(p + 0);
    h.handler = ReadLE32(p + 4);
    h.flags = ReadLE32(p + 8);
    h.priority = ReadLE16(p + 12);
    h.language = ReadLE16(p + 14);
    h.initialFrames = ReadLE32(p + 16);
    h.scale = ReadLE32(p + 20);
    h.rate = ReadLE32(p + 24);
    h.start = ReadLE32(p + 28);
    h.length = ReadLE32(p + 32);
    h.suggestedBufferSize = ReadLE32(p + 36);
    h.quality = ReadLE32(p + 40);
    h.sampleSize = ReadLE32(p + 44);
    if (bytes.size() >= StreamHeader::kSize) {
        h.frameLeft = ReadS16(p + 48);
        h.frameTop = ReadS16(p + 50);
        h.frameRight = ReadS16(p + 52);
        h.frameBottom = ReadS16(p + 54);
    }
    return h;
}

void WriteStreamHeader(const StreamHeader &h, MutableByteSpan out)
{
    uint8_t *p = out.data();
    WriteLE32(p + 0, h.type);
    WriteLE32(p + 4, h.handler);
    WriteLE32(p + 8, h.flags);
    WriteLE16(p + 12, h.priority);
    WriteLE16(p + 14, h.language);
    WriteLE32(p + 16, h.initialFrames);
    WriteLE32(p + 20, h.scale);
    WriteLE32(p + 24, h.rate);
    WriteLE32(p + 28, h.start);
    WriteLE32(p + 32, h.length);
    WriteLE32(p + 36, h.suggestedBufferSize);
    WriteLE32(p + 40, h.quality);
    WriteLE32(p + 44, h.sampleSize);
    WriteLE16(p + 48, static_cast<uint16_t>(h.frameLeft));
    WriteLE16(p + 50, static_cast<uint16_t>(h.frameTop));
    WriteLE16(p + 52, static_cast<uint16_t>(h.frameRight));
    WriteLE16(p + 54, static_cast<uint16_t>(h.frameBottom));
}

std::optional<BitmapInfoHeader> ReadBitmapInfoHeader(ByteSpan bytes)
{
    if (bytes.size() < BitmapInfoHeader::kSize)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    BitmapInfoHeader h;
    h.size = ReadLE32(p + 0);
    h.width = ReadS32(p + 4);
    h.height = ReadS32(p + 8);
    h.planes = ReadLE16(p + 12);
    h.bitCount = ReadLE16(p + 14);
    h.compression = ReadLE32(p + 16);
    h.sizeImage = ReadLE32(p + 20);
    h.xPelsPerMeter = ReadS32(p + 24);
    h.yPelsPerMeter = ReadS32(p + 28);
    h.clrUsed = ReadLE32(p + 32);
    h.clrImportant = ReadLE32(p + 36);
    return h;
}

void WriteBitmapInfoHeader(const BitmapInfoHeader &h, MutableByteSpan out)
{
    uint8_t *p = out.data();
    WriteLE32(p + 0, h.size);
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

std::optional<WaveFormat> ReadWaveFormat(ByteSpan bytes)
{
    if (bytes.size() < WaveFormat::kMinSize)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    WaveFormat f;
    f.formatTag = ReadLE16(p + 0);
    f.channels = ReadLE16(p + 2);
    f.samplesPerSec = ReadLE32(p + 4);
    f.avgBytesPerSec = ReadLE32(p + 8);
    f.blockAlign = ReadLE16(p + 12);
    f.bitsPerSample = ReadLE16(p + 14);
    f.extraSize = bytes.size() >= WaveFormat::kSize ? ReadLE16(p + 16) : 0;
    return f;
}

void WriteWaveFormat(const WaveFormat &f, MutableByteSpan out)
{
    uint8_t *p = out.data();
    WriteLE16(p + 0, f.formatTag);
    WriteLE16(p + 2, f.channels);
    WriteLE32(p + 4, f.samplesPerSec);
    WriteLE32(p + 8, f.avgBytesPerSec);
    WriteLE16(p + 12, f.blockAlign);
    WriteLE16(p + 14, f.bitsPerSample);
    WriteLE16(p + 16, f.extraSize);
}

std::optional<IndexHeader> ReadIndexHeader(ByteSpan bytes)
{
    if (bytes.size() < kIndexHeaderSize)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    IndexHeader h;
    h.longsPerEntry = ReadLE16(p + 0);
    h.subType = p[2];
    h.type = p[3];
    h.entriesInUse = ReadLE32(p + 4);
    h.chunkId = ReadLE32(p + 8);
    h.baseOffset = ReadLE64(p + 12);
    return h;
}

std::optional<int> ChunkStream(FourCC id) { return DecimalPair(id, 0); }
std::optional<int> IndexChunkStream(FourCC id)
{
    if ((id & 0xFFFF) != (MakeFourCC("ix__") & 0xFFFF))
        return std::nullopt;
    return DecimalPair(id, 16);
}

FourCC MakeChunkId(int stream, const char suffix[2])
{
    return MakeFourCC(static_cast<char>('0' + stream / 10 % 10), static_cast<char>('0' + stream % 10), suffix[0],
                      suffix[1]);
}

}  // namespace avi
