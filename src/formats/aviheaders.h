// The fixed records of an AVI file: main header (avih), stream header (strh),
// the bitmap and wave formats of strf, the OpenDML index headers, INFO entries
// and the chunk ids of the movi list. Plain values with pure read/write
// functions over bytes; any thread.
#pragma once

#include "formats/bytes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// One text of the LIST INFO list, stored as UTF-8 (read as Windows-1252 where the
// bytes are no valid UTF-8).
struct AviInfoEntry {
    FourCC id = 0;  // e.g. "ISFT", "IQNR"
    QString text;
    bool operator==(const AviInfoEntry &) const = default;
};

namespace avi {

constexpr FourCC kRiff = MakeFourCC("RIFF");
constexpr FourCC kList = MakeFourCC("LIST");
constexpr FourCC kFormAvi = MakeFourCC("AVI ");
constexpr FourCC kFormAvix = MakeFourCC("AVIX");
constexpr FourCC kHdrl = MakeFourCC("hdrl");
constexpr FourCC kAvih = MakeFourCC("avih");
constexpr FourCC kStrl = MakeFourCC("strl");
constexpr FourCC kStrh = MakeFourCC("strh");
constexpr FourCC kStrf = MakeFourCC("strf");
constexpr FourCC kStrn = MakeFourCC("strn");
constexpr FourCC kIndx = MakeFourCC("indx");
constexpr FourCC kOdml = MakeFourCC("odml");
constexpr FourCC kDmlh = MakeFourCC("dmlh");
constexpr FourCC kInfo = MakeFourCC("INFO");
constexpr FourCC kMovi = MakeFourCC("movi");
constexpr FourCC kRec = MakeFourCC("rec ");
constexpr FourCC kIdx1 = MakeFourCC("idx1");
constexpr FourCC kJunk = MakeFourCC("JUNK");

constexpr FourCC kVids = MakeFourCC("vids");
constexpr FourCC kAuds = MakeFourCC("auds");
constexpr FourCC kIavs = MakeFourCC("iavs");
constexpr FourCC kDvsd = MakeFourCC("dvsd");

constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kListHeaderSize = 12;  // id, size, list type

// avih flags.
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifTrustCkType = 0x800;
// idx1 entry flags.
constexpr uint32_t kAviifList = 0x01;
constexpr uint32_t kAviifKeyframe = 0x10;

// OpenDML index types (bIndexType) and the "not a key frame" bit of a standard index size.
constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;
constexpr uint32_t kStdIndexDeltaFrame = 0x80000000u;
constexpr size_t kIndexHeaderSize = 24;      // wLongsPerEntry .. dwReserved / qwBaseOffset
constexpr size_t kSuperIndexEntrySize = 16;  // qwOffset, dwSize, dwDuration
constexpr size_t kStdIndexEntrySize = 8;     // dwOffset, dwSize
constexpr size_t kIdx1EntrySize = 16;
constexpr size_t kDmlhSize = 248;

struct MainHeader {
    static constexpr size_t kSize = 56;
    uint32_t microSecPerFrame = 0;
    uint32_t maxBytesPerSec = 0;
    uint32_t paddingGranularity = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t initialFrames = 0;
    uint32_t streams = 0;
    uint32_t suggestedBufferSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const MainHeader &) const = default;
};

struct StreamHeader {
    static constexpr size_t kSize = 56;
    FourCC type = 0;
    FourCC handler = 0;
    uint32_t flags = 0;
    uint16_t priority = 0;
    uint16_t language = 0;
    uint32_t initialFrames = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t suggestedBufferSize = 0;
    uint32_t quality = 0;
    uint32_t sampleSize = 0;
    int16_t frameLeft = 0;
    int16_t frameTop = 0;
    int16_t frameRight = 0;
    int16_t frameBottom = 0;
    bool operator==(const StreamHeader &) const = default;
};

struct BitmapInfoHeader {
    static constexpr size_t kSize = 40;
    uint32_t size = kSize;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    FourCC compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
    bool operator==(const BitmapInfoHeader &) const = default;
};

// WAVEFORMATEX; a 16-byte PCMWAVEFORMAT reads with extraSize 0.
struct WaveFormat {
    static constexpr size_t kMinSize = 16;
    static constexpr size_t kSize = 18;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
    bool operator==(const WaveFormat &) const = default;
};
constexpr uint16_t kWaveFormatPcm = 1;

// The two leading fields of every OpenDML index chunk ('indx' or 'ix##').
struct IndexHeader {
    uint16_t longsPerEntry = 0;
    uint8_t subType = 0;
    uint8_t type = 0;
    uint32_t entriesInUse = 0;
    FourCC chunkId = 0;
    uint64_t baseOffset = 0;  // standard indexes only
};

std::optional<MainHeader> ReadMainHeader(ByteSpan bytes);
void WriteMainHeader(const MainHeader &header, MutableByteSpan out);
std::optional<StreamHeader> ReadStreamHeader(ByteSpan bytes);
void WriteStreamHeader(const StreamHeader &header, MutableByteSpan out);
std::optional<BitmapInfoHeader> ReadBitmapInfoHeader(ByteSpan bytes);
void WriteBitmapInfoHeader(const BitmapInfoHeader &header, MutableByteSpan out);
std::optional<WaveFormat> ReadWaveFormat(ByteSpan bytes);
void WriteWaveFormat(const WaveFormat &format, MutableByteSpan out);
std::optional<IndexHeader> ReadIndexHeader(ByteSpan bytes);

// Stream number of a movi chunk id ("01wb" -> 1, "ix02" -> 2 through IndexChunkStream),
// or nullopt when its first two characters are not decimal digits.
std::optional<int> ChunkStream(FourCC id);
std::optional<int> IndexChunkStream(FourCC id);
// "##" + two characters, e.g. MakeChunkId(1, "wb").
FourCC MakeChunkId(int stream, const char suffix[2]);

}  // namespace avi
