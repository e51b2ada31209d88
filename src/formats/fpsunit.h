// In-place patches of an AVI header: the codec code of the video stream and its
// frame rate. Every operation finds the header positions again and opens, uses
// and closes the file itself; nothing is kept between calls, so any thread may
// call, one patch of a given file at a time. A file shown by the player must be
// released by the caller before it is patched. Failures are returned as values.
#pragma once

#include "formats/bytes.h"

#include <QString>

#include <cstdint>
#include <optional>

// Absolute file offsets, -1 when not found. When the file holds several video
// streams, the last one gives all three.
struct AviHeaderPositions {
    int64_t handler = -1;      // bytes 4..7 of the video "strh": the handler code
    int64_t rate = -1;         // bytes 20..27 of that "strh": 32-bit scale, then 32-bit rate
    int64_t compression = -1;  // bytes 16..19 of the "strf" of a "vids" stream: the bitmap compression
};

AviHeaderPositions FindHeaderPositions(const QString &fileName);

// The code at the handler position; without video stream the first four bytes of
// the file ("RIFF"), which the caller treats as any other code. nullopt when the
// file cannot be read.
std::optional<FourCC> ReadCodecCode(const QString &fileName);

// Writes the code at the handler position and at the compression position, each
// when found (a type 2 file gets both, a type 1 file only the handler). False when
// the file cannot be opened or written; a file without video stream is left as it
// is and counts as written.
bool WriteCodecCode(const QString &fileName, FourCC code);

// Writes scale = round(1e6 / fps) and rate = 1000000 into the video stream header;
// the main header and the sound are not changed. False when fps gives no usable
// scale or the file cannot be opened or written.
bool WriteFrameRate(const QString &fileName, double fps);

// The two header commands on one file: a file without owner write permission is
// made writable for the patch and then given back its former mode exactly.
bool PatchCodecCode(const QString &fileName, FourCC code);
bool PatchFrameRate(const QString &fileName, double fps);
