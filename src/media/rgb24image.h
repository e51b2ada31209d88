// Copies between a sample's 24-bit picture (blue-green-red rows, bottom-up, each
// padded to 4 bytes) and a QImage of Format_BGR888 (same byte order, rows
// top-down), the drawing surface of the picture filters. Pure functions over the
// caller's buffers; they allocate nothing. Any thread, one image per thread.
#pragma once

#include "formats/bytes.h"

#include <QImage>

// False (image unchanged) when the image is not BGR888 or the bytes are too short.
bool CopyBottomUpToImage(ByteSpan bytes, QImage &image);
bool CopyImageToBottomUp(const QImage &image, MutableByteSpan bytes);
