// The conversion of parts of a picture between the DV codec and the program's
// layout (24-bit bottom-up blue-green-red): 8 x 8 luma cells of a planar 4:2:0 or
// 4:1:1 picture, with the BT.601 studio-range matrix of libswscale's converters, so
// a cell converted one way and back keeps its colours to within a step or two. For
// the few cells a partial decode or re-encode needs, this is many times cheaper
// than converting the whole picture.
#pragma once

#include "formats/bytes.h"

#include <QRect>

struct AVFrame;

// The cell whose top-left pixel is (x, y), counted from the top, of a picture of
// width x height; target is yuv420p or yuv411p of the same size. Cells past the
// picture are left alone.
void ConvertCellToYuv(ByteSpan bgrBottomUp, int width, int height, int x, int y, AVFrame &target);

// The other way: the cell of source (yuv420p or yuv411p, each chroma sample taken
// for the pixels it covers, as libswscale's fast converters do) into a picture of
// width x height.
void ConvertCellToRgb(const AVFrame &source, int x, int y, MutableByteSpan bgrBottomUp, int width, int height);
// Every cell under `area` (pixels counted from the top) that way.
void ConvertAreaToRgb(const AVFrame &source, const QRect &area, MutableByteSpan bgrBottomUp, int width, int height);

// The pixels under the bytes step x i (i < count) of a picture of width x height,
// each converted whole as ConvertCellToRgb would: for a filter that reads only
// those bytes. The other bytes are left alone; so is everything when the source is
// smaller than the picture, of another format or the picture too short.
void ConvertSampledPixelsToRgb(const AVFrame &source, size_t step, size_t count, MutableByteSpan bgrBottomUp,
                               int width, int height);

// The cell whose top-left pixel is (x, y) from one planar picture to another of the
// same format and size, luma and chroma, unchanged. Cells past either are left alone.
void CopyCell(const AVFrame &source, int x, int y, AVFrame &target);
