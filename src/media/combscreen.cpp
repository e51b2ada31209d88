#include "media/combscreen.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kBand = 8;

// The comb measure, at least 3001 on a comb, is a sum of products of a channel's
// differences to the pixels above and below, weighted 1, 6 and 3: so one channel's
// product is at least 301.
constexpr int kLeastCombProduct = 301;

// The cell converter takes a channel's value from luma times 76309 and chroma times at
// most 132201 (16.16 fixed point), so between two pixels a channel differs by at most
// the ceiling of 1.25 (|dY| + 2 max(|dU|, |dV|)), and never by more than 255. `spread` is
// that sum of differences; the ceiling of a quarter is added to it.
int ChannelBound(int spread)
{
    return std::min(255, spread + (spread + 3) / 4);
}

// One odd row and its neighbours: luma rows and the chroma rows of each.
struct RowTriple {
    const uint8_t *luma[3];
    const uint8_t *cb[3];
    const uint8_t *cr[3];
    int chromaShift;  // log2 of the pixels a chroma sample covers along a row
};

int Spread(const RowTriple &rows, int side, int x)
{
    const int cx = x >> rows.chromaShift;
    const int luma = std::abs(rows.luma[side][x] - rows.luma[1][x]);
    const int chroma = std::max(std::abs(rows.cb[side][cx] - rows.cb[1][cx]), std::abs(rows.cr[side][cx] - rows.cr[1][cx]));
    return luma + 2 * chroma;
}

bool PixelMayComb(const RowTriple &rows, int x)
{
    return ChannelBound(Spread(rows, 0, x)) * ChannelBound(Spread(rows, 2, x)) >= kLeastCombProduct;
}

#if defined(__SSE2__)
__m128i AbsDiff(__m128i a, __m128i b)
{
    return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

__m128i Load16(const uint8_t *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// The chroma of 16 pixels from x, each sample repeated for the pixels it covers.
__m128i ChromaOf16(const uint8_t *plane, int x, int chromaShift)
{
    if (chromaShift == 1) {
        const __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(plane + (x >> 1)));
        return _mm_unpacklo_epi8(samples, samples);
    }
    int32_t four;
    __builtin_memcpy(&four, plane + (x >> 2), sizeof four);
    const __m128i samples = _mm_cvtsi32_si128(four);
    const __m128i pairs = _mm_unpacklo_epi8(samples, samples);
    return _mm_unpacklo_epi8(pairs, pairs);
}

// ChannelBound of 16 spreads, saturated as bytes as the bound is.
__m128i SpreadBound16(const RowTriple &rows, int side, int x)
{
    const __m128i luma = AbsDiff(Load16(rows.luma[side] + x), Load16(rows.luma[1] + x));
    const __m128i chroma =
        _mm_max_epu8(AbsDiff(ChromaOf16(rows.cb[side], x, rows.chromaShift), ChromaOf16(rows.cb[1], x, rows.chromaShift)),
                     AbsDiff(ChromaOf16(rows.cr[side], x, rows.chromaShift), ChromaOf16(rows.cr[1], x, rows.chromaShift)));
    const __m128i spread = _mm_adds_epu8(luma, _mm_adds_epu8(chroma, chroma));
    const __m128i zero = _mm_setzero_si128();
    const __m128i quarterUp = _mm_avg_epu8(_mm_avg_epu8(spread, zero), zero);  // ceil(spread / 4)
    return _mm_adds_epu8(spread, quarterUp);
}

bool SixteenMayComb(const RowTriple &rows, int x)
{
    const __m128i above = SpreadBound16(rows, 0, x);
    const __m128i below = SpreadBound16(rows, 2, x);
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(above, zero), _mm_unpacklo_epi8(below, zero));
    const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(above, zero), _mm_unpackhi_epi8(below, zero));
    // The products fit 16 bits unsigned (255 x 255); what passes the threshold is left over.
    const __m128i over = _mm_set1_epi16(kLeastCombProduct - 1);
    const __m128i left = _mm_or_si128(_mm_subs_epu16(low, over), _mm_subs_epu16(high, over));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(left, zero)) != 0xFFFF;
}
#endif

bool RowMayComb(const AVFrame &picture, int y, int chromaShiftX, int chromaShiftY)
{
    RowTriple rows{};
    for (int i = 0; i < 3; ++i) {
        const int row = y - 1 + i;
        rows.luma[i] = picture.data[0] + static_cast<ptrdiff_t>(row) * picture.linesize[0];
        rows.cb[i] = picture.data[1] + static_cast<ptrdiff_t>(row >> chromaShiftY) * picture.linesize[1];
        rows.cr[i] = picture.data[2] + static_cast<ptrdiff_t>(row >> chromaShiftY) * picture.linesize[2];
    }
    rows.chromaShift = chromaShiftX;
    int x = 0;
#if defined(__SSE2__)
    for (; x + 16 <= picture.width; x += 16)
        if (SixteenMayComb(rows, x))
            return true;
#endif
    for (; x < picture.width; ++x)
        if (PixelMayComb(rows, x))
            return true;
    return false;
}

}  // namespace

std::optional<RowRange> RowsThatMayComb(const AVFrame &picture)
{
    const bool quarterWidth = picture.format == AV_PIX_FMT_YUV411P;
    if ((!quarterWidth && picture.format != AV_PIX_FMT_YUV420P) || picture.width <= 0 || picture.height <= 0
        || picture.width % kBand != 0 || picture.height % kBand != 0)
        return std::nullopt;
    const int shiftX = quarterWidth ? 2 : 1;
    const int shiftY = quarterWidth ? 0 : 1;
    // The deinterlacer tests the odd rows between the first and the last row; the
    // height is even.
    const int bottomOdd = picture.height - 3;
    int first = 1;
    while (first <= bottomOdd && !RowMayComb(picture, first, shiftX, shiftY))
        first += 2;
    if (first > bottomOdd)
        return RowRange{};
    int last = bottomOdd;
    while (last > first && !RowMayComb(picture, last, shiftX, shiftY))
        last -= 2;
    return RowRange{(first - 1) / kBand * kBand, ((last + 1) / kBand + 1) * kBand};
}
