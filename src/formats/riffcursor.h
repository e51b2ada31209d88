// A read position in a RIFF file held by a random-access device (a file or a
// buffer). Every read and seek is bounded by the device's size, so a chunk size
// that lies can never make it read past the end. The device belongs to the
// caller and must stay open; one cursor is used by one thread.
#pragma once

#include "formats/bytes.h"

#include <QIODevice>

#include <cstdint>
#include <optional>

struct RiffChunkHeader {
    FourCC id = 0;
    uint32_t size = 0;       // as declared, not yet checked against anything
    int64_t dataStart = 0;   // file position just after the 8-byte header
};

class RiffCursor {
public:
    explicit RiffCursor(QIODevice &device);

    int64_t FileSize() const { return fileSize_; }
    int64_t Position() const { return position_; }
    int64_t Left() const { return fileSize_ - position_; }

    // False, and the position unchanged, when the target lies outside the file.
    bool SeekTo(int64_t position);
    // Chunks start on even positions: skips the pad byte after an odd-sized chunk.
    bool AlignToWord();
    // Exactly out.size() bytes, or false.
    bool Read(MutableByteSpan out);
    // Reads what lies between here and dataEnd into out, at most out.size() bytes,
    // then seeks to dataEnd: a chunk longer than its area is cut, never overflows it.
    bool ReadCut(MutableByteSpan out, int64_t dataEnd);
    std::optional<FourCC> ReadFourCC();
    // Id and little-endian size at the current position.
    std::optional<RiffChunkHeader> ReadHeader();

private:
    QIODevice &device_;
    int64_t fileSize_;
    int64_t position_;
};
