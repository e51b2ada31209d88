#include "formats/riffcursor.h"

#include <algorithm>
#include <array>

RiffCursor::RiffCursor(QIODevice &device)
    : device_(device), fileSize_(device.size()), position_(device.pos())
{
}

bool RiffCursor::SeekTo(int64_t position)
{
    if (position < 0 || position > fileSize_ || !device_.seek(position))
        return false;
    position_ = position;
    return true;
}

bool RiffCursor::AlignToWord()
{
    return position_ % 2 == 0 || SeekTo(position_ + 1);
}

bool RiffCursor::Read(MutableByteSpan out)
{
    const auto count = static_cast<int64_t>(out.size());
    if (count > Left())
        return false;
    if (count == 0)
        return true;
    const qint64 got = device_.read(reinterpret_cast<char *>(out.data()), count);
    if (got > 0)
        position_ += got;
    return got == count;
}

bool RiffCursor::ReadCut(MutableByteSpan out, int64_t dataEnd)
{
    const int64_t wanted = std::clamp<int64_t>(dataEnd - position_, 0, static_cast<int64_t>(out.size()));
    return Read(out.first(static_cast<size_t>(wanted))) && SeekTo(dataEnd);
}

std::optional<FourCC> RiffCursor::ReadFourCC()
{
    std::array<uint8_t, 4> bytes{};
    if (!Read(bytes))
        return std::nullopt;
    return ReadLE32(bytes.data());
}

std::optional<RiffChunkHeader> RiffCursor::ReadHeader()
{
    std::array<uint8_t, 8> bytes{};
    if (!Read(bytes))
        return std::nullopt;
    return RiffChunkHeader{ReadLE32(bytes.data()), ReadLE32(bytes.data() + 4), position_};
}
