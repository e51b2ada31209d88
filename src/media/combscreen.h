// Where a decoded DV picture may hold combs, found from its planes before any
// colour conversion: the deinterlacer replaces a pixel only where its red, green or
// blue differs strongly from both vertical neighbours, and from the luma and chroma
// differences a bound of those follows. A graph that deinterlaces and then takes
// the unchanged pixels from the planes needs the RGB picture only there.
#pragma once

#include <optional>

struct AVFrame;

// Rows [top, end) of a picture.
struct RowRange {
    int top = 0;
    int end = 0;
    bool IsEmpty() const { return end <= top; }
};

// For a yuv420p or yuv411p picture whose width and height are multiples of 8: the
// rows, in whole 8-row bands, from the first to the last odd row where
// DeinterlacePicture could replace a pixel of the picture as ConvertCellToRgb
// converts it, with the rows above and below those; empty when there is none.
// nullopt for any other picture.
std::optional<RowRange> RowsThatMayComb(const AVFrame &picture);
