// The conversion of parts of a picture for the DV encoder: 8 x 8 luma cells of a
// 24-bit bottom-up blue-green-red picture (the program's layout) into a planar
// 4:2:0 or 4:1:1 picture, with the BT.601 studio-range matrix that libswscale's
// converters use the other way, so a cell decoded and converted back keeps its
// colours to within one step. For the few cells a re-encode needs, this is many
// times cheaper than converting the whole picture.
#pragma once

#include "formats/bytes.h"

struct AVFrame;

// The cell whose top-left pixel is (x, y), counted from the top, of a picture of
// width x height; target is yuv420p or yuv411p of the same size. Cells past the
// picture are left alone.
void ConvertCellToYuv(ByteSpan bgrBottomUp, int width, int height, int x, int y, AVFrame &target);
