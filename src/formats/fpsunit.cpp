#include "formats/fpsunit.h"

#include "formats/riffcursor.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace {

constexpr FourCC kRiff = MakeFourCC("RIFF");
constexpr FourCC kList = MakeFourCC("LIST");
constexpr FourCC kMovi = MakeFourCC("movi");
constexpr FourCC kStrl = MakeFourCC("strl");
constexpr FourCC kStrh = MakeFourCC("strh");
constexpr FourCC kStrf = MakeFourCC("strf");
constexpr FourCC kVids = MakeFourCC("vids");
constexpr FourCC kIavs = MakeFourCC("iavs");
constexpr FourCC kAuds = MakeFourCC("auds");

constexpr int64_t kHeaderSize = 8;
constexpr int64_t kCodeSize = 4;
constexpr int64_t kHandlerOffset = 4;       // in the stream header
constexpr int64_t kRateOffset = 20;         // scale at 20..23, rate at 24..27
constexpr int64_t kRateFieldsSize = 8;
constexpr int64_t kCompressionOffset = 16;  // in the bitmap header of the stream format
constexpr int kMaxDepth = 8;                // RIFF > hdrl > strl needs 3
constexpr uint32_t kRate = 1000000;

enum class StreamState { Other, Video, Interleaved, Audio };

class PositionFinder {
public:
    explicit PositionFinder(RiffCursor &cursor) : cursor_(cursor) {}

    AviHeaderPositions Walk();

private:
    // False when a short read ends the whole walk.
    bool WalkChunk(const RiffChunkHeader &header, int depth);
    void NoteStreamHeader(const RiffChunkHeader &header, int64_t length);
    void NoteStreamFormat(const RiffChunkHeader &header, int64_t length);

    RiffCursor &cursor_;
    AviHeaderPositions positions_;
    StreamState state_ = StreamState::Other;
};

AviHeaderPositions PositionFinder::Walk()
{
    while (cursor_.Left() >= kHeaderSize) {
        const auto header = cursor_.ReadHeader();
        if (!header || header->id != kRiff || !WalkChunk(*header, 0))
            break;
    }
    return positions_;
}

bool PositionFinder::WalkChunk(const RiffChunkHeader &header, int depth)
{
    const int64_t left = cursor_.FileSize() - header.dataStart;
    // The content as declared, and the chunk with its pad byte, both cut at the end of the file.
    const int64_t length = std::min<int64_t>(header.size, left);
    const int64_t end = header.dataStart + std::min<int64_t>(int64_t{header.size} + (header.size & 1), left);
    if (header.id == kRiff || header.id == kList) {
        const auto type = length >= kCodeSize ? cursor_.ReadFourCC() : std::nullopt;
        if (type == kStrl)
            state_ = StreamState::Other;
        if (type && *type != kMovi && depth < kMaxDepth) {
            while (end - cursor_.Position() >= kHeaderSize) {
                const auto inner = cursor_.ReadHeader();
                if (!inner || !WalkChunk(*inner, depth + 1))
                    return false;
            }
        }
    } else if (header.id == kStrh) {
        NoteStreamHeader(header, length);
    } else if (header.id == kStrf && state_ == StreamState::Video) {
        NoteStreamFormat(header, length);
    }
    return cursor_.SeekTo(end);
}

void PositionFinder::NoteStreamHeader(const RiffChunkHeader &header, int64_t length)
{
    const auto type = length >= kCodeSize ? cursor_.ReadFourCC() : std::nullopt;
    state_ = type == kVids ? StreamState::Video
           : type == kIavs ? StreamState::Interleaved
           : type == kAuds ? StreamState::Audio
                           : StreamState::Other;
    if (state_ != StreamState::Video && state_ != StreamState::Interleaved)
        return;
    // A position is only given where its field lies inside the chunk, so a short
    // header never makes a patch write into the chunk after it.
    positions_.handler = length >= kHandlerOffset + kCodeSize ? header.dataStart + kHandlerOffset : -1;
    positions_.rate = length >= kRateOffset + kRateFieldsSize ? header.dataStart + kRateOffset : -1;
    positions_.compression = -1;
}

void PositionFinder::NoteStreamFormat(const RiffChunkHeader &header, int64_t length)
{
    if (length >= kCompressionOffset + kCodeSize)
        positions_.compression = header.dataStart + kCompressionOffset;
}

bool WriteAt(QFile &file, int64_t position, ByteSpan bytes)
{
    const auto size = static_cast<qint64>(bytes.size());
    return file.seek(position) && file.write(reinterpret_cast<const char *>(bytes.data()), size) == size;
}

bool OpenForPatch(QFile &file)
{
    return file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

bool ClosePatched(QFile &file, bool written)
{
    const bool flushed = file.flush();
    file.close();
    return written && flushed && file.error() == QFileDevice::NoError;
}

std::optional<uint32_t> ScaleForFrameRate(double fps)
{
    if (!std::isfinite(fps) || fps <= 0)
        return std::nullopt;
    const double scale = std::round(kRate / fps);
    if (scale < 1 || scale > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(scale);
}

bool WithWriteAccess(const QString &fileName, const std::function<bool()> &patch)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return false;
    if (status.st_mode & S_IWUSR)
        return patch();
    const mode_t former = status.st_mode & 07777;
    if (::chmod(path.constData(), former | S_IWUSR) != 0)
        return false;
    const bool patched = patch();
    const bool restored = ::chmod(path.constData(), former) == 0;
    return patched && restored;
}

}  // namespace

AviHeaderPositions FindHeaderPositions(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    RiffCursor cursor(file);
    return PositionFinder(cursor).Walk();
}

std::optional<FourCC> ReadCodecCode(const QString &fileName)
{
    const AviHeaderPositions positions = FindHeaderPositions(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    RiffCursor cursor(file);
    if (!cursor.SeekTo(std::max<int64_t>(positions.handler, 0)))
        return std::nullopt;
    return cursor.ReadFourCC();
}

bool WriteCodecCode(const QString &fileName, FourCC code)
{
    const AviHeaderPositions positions = FindHeaderPositions(fileName);
    QFile file(fileName);
    if (!OpenForPatch(file))
        return false;
    std::array<uint8_t, kCodeSize> bytes{};
    WriteLE32(bytes.data(), code);
    bool written = true;
    for (const int64_t position : {positions.handler, positions.compression})
        if (position >= 0)
            written = written && WriteAt(file, position, bytes);
    return ClosePatched(file, written);
}

bool WriteFrameRate(const QString &fileName, double fps)
{
    const auto scale = ScaleForFrameRate(fps);
    if (!scale)
        return false;
    const AviHeaderPositions positions = FindHeaderPositions(fileName);
    QFile file(fileName);
    if (!OpenForPatch(file))
        return false;
    std::array<uint8_t, kRateFieldsSize> bytes{};
    WriteLE32(bytes.data(), *scale);
    WriteLE32(bytes.data() + 4, kRate);
    const bool written = positions.rate < 0 || WriteAt(file, positions.rate, bytes);
    return ClosePatched(file, written);
}

bool PatchCodecCode(const QString &fileName, FourCC code)
{
    return WithWriteAccess(fileName, [&] { return WriteCodecCode(fileName, code); });
}

bool PatchFrameRate(const QString &fileName, double fps)
{
    return WithWriteAccess(fileName, [&] { return WriteFrameRate(fileName, fps); });
}
