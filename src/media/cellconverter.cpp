#include "media/cellconverter.h"

#include "media/picturescaler.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

constexpr int kCell = 8;
constexpr int kShift = 16;
constexpr int kHalf = 1 << (kShift - 1);  // rounds the luma

// BT.601 studio range, 16.16 fixed point: Y 16..235, Cb and Cr 16..240.
constexpr int kYr = 16829, kYg = 33039, kYb = 6416;
constexpr int kUr = -9714, kUg = -19071, kUb = 28784;
constexpr int kVr = 28784, kVg = -24103, kVb = -4681;

// Both 4:2:0 and 4:1:1 take one chroma sample for four pixels.
constexpr int kChromaPixels = 4;

// Chroma of the mean of the four pixels, given their sums; the shift rounds towards
// minus infinity, so half a step is added first.
uint8_t Chroma(int r, int g, int b, int kr, int kg, int kb)
{
    constexpr int shift = kShift + 2;
    return static_cast<uint8_t>(128 + ((kr * r + kg * g + kb * b + (1 << (shift - 1))) >> shift));
}

// YUV to RGB, the inverse matrix in 16.16 fixed point.
constexpr int kLumaScale = 76309;  // 255 / 219
constexpr int kRv = 104597, kGu = -25675, kGv = -53279, kBu = 132201;

// One row of a cell, a lane a pixel: the compiler keeps the arithmetic in vector
// registers, which makes the conversions several times faster than pixel by pixel.
// The conversions are built twice, for processors with AVX2 (a row in one register,
// 32-bit multiplies) and for the others; the loader picks one.
using Lanes = int32_t __attribute__((vector_size(kCell * sizeof(int32_t))));

[[gnu::always_inline]] inline void Clamp(Lanes &value)
{
    value >>= kShift;
    value = value < 0 ? 0 : value;
    value = value > 255 ? 255 : value;
}

uint8_t Clamped(int value)
{
    return static_cast<uint8_t>(std::clamp(value >> kShift, 0, 255));
}

}  // namespace

[[gnu::target_clones("avx2", "default")]]
void ConvertCellToYuv(ByteSpan bgrBottomUp, int width, int height, int x, int y, AVFrame &target)
{
    if (x < 0 || y < 0 || x + kCell > width || y + kCell > height
        || bgrBottomUp.size() < Rgb24ImageSize(width, height))
        return;
    const size_t rowBytes = Rgb24RowBytes(width);
    // The cell's rows, top first, from its left pixel.
    const uint8_t *rows[kCell];
    for (int dy = 0; dy < kCell; ++dy)
        rows[dy] = bgrBottomUp.data() + rowBytes * static_cast<size_t>(height - 1 - (y + dy)) + static_cast<size_t>(x) * 3;
    for (int dy = 0; dy < kCell; ++dy) {
        const uint8_t *p = rows[dy];
        Lanes r, g, b;
        for (int dx = 0; dx < kCell; ++dx, p += 3) {
            b[dx] = p[0];
            g[dx] = p[1];
            r[dx] = p[2];
        }
        const Lanes luma = 16 + ((kYr * r + kYg * g + kYb * b + kHalf) >> kShift);
        uint8_t *out = target.data[0] + static_cast<ptrdiff_t>(y + dy) * target.linesize[0] + x;
        for (int dx = 0; dx < kCell; ++dx)
            out[dx] = static_cast<uint8_t>(luma[dx]);
    }
    // 4:2:0 takes one chroma sample per 2 x 2 pixels, 4:1:1 one per 4 x 1.
    const bool quarterWidth = target.format == AV_PIX_FMT_YUV411P;
    const int stepX = quarterWidth ? 4 : 2;
    const int stepY = quarterWidth ? 1 : 2;
    static_assert(kChromaPixels == 4 * 1 && kChromaPixels == 2 * 2);
    for (int cy = 0; cy < kCell; cy += stepY) {
        const ptrdiff_t line = static_cast<ptrdiff_t>((y + cy) / stepY) * target.linesize[1] + x / stepX;
        for (int cx = 0; cx < kCell; cx += stepX) {
            int r = 0, g = 0, b = 0;
            for (int dy = 0; dy < stepY; ++dy) {
                const uint8_t *p = rows[cy + dy] + cx * 3;
                for (int dx = 0; dx < stepX; ++dx, p += 3) {
                    b += p[0];
                    g += p[1];
                    r += p[2];
                }
            }
            target.data[1][line + cx / stepX] = Chroma(r, g, b, kUr, kUg, kUb);
            target.data[2][line + cx / stepX] = Chroma(r, g, b, kVr, kVg, kVb);
        }
    }
}

[[gnu::target_clones("avx2", "default")]]
void ConvertCellToRgb(const AVFrame &source, int x, int y, MutableByteSpan bgrBottomUp, int width, int height)
{
    if (x < 0 || y < 0 || x + kCell > width || y + kCell > height || x + kCell > source.width
        || y + kCell > source.height || bgrBottomUp.size() < Rgb24ImageSize(width, height))
        return;
    const bool quarterWidth = source.format == AV_PIX_FMT_YUV411P;
    const int shiftX = quarterWidth ? 2 : 1;  // a chroma sample covers 4 or 2 pixels of a row
    const int shiftY = quarterWidth ? 0 : 1;
    const size_t rowBytes = Rgb24RowBytes(width);
    for (int dy = 0; dy < kCell; ++dy) {
        const int row = y + dy;
        const uint8_t *luma = source.data[0] + static_cast<ptrdiff_t>(row) * source.linesize[0] + x;
        const uint8_t *cb = source.data[1] + static_cast<ptrdiff_t>(row >> shiftY) * source.linesize[1] + (x >> shiftX);
        const uint8_t *cr = source.data[2] + static_cast<ptrdiff_t>(row >> shiftY) * source.linesize[2] + (x >> shiftX);
        Lanes l, u, v;
        for (int dx = 0; dx < kCell; ++dx) {
            l[dx] = luma[dx];
            u[dx] = cb[dx >> shiftX];
            v[dx] = cr[dx >> shiftX];
        }
        l = kLumaScale * (l - 16) + kHalf;
        u -= 128;
        v -= 128;
        Lanes blue = l + kBu * u;
        Lanes green = l + kGu * u + kGv * v;
        Lanes red = l + kRv * v;
        Clamp(blue);
        Clamp(green);
        Clamp(red);
        uint8_t *p = bgrBottomUp.data() + rowBytes * static_cast<size_t>(height - 1 - row) + static_cast<size_t>(x) * 3;
        for (int dx = 0; dx < kCell; ++dx, p += 3) {
            p[0] = static_cast<uint8_t>(blue[dx]);
            p[1] = static_cast<uint8_t>(green[dx]);
            p[2] = static_cast<uint8_t>(red[dx]);
        }
    }
}

void ConvertAreaToRgb(const AVFrame &source, const QRect &area, MutableByteSpan bgrBottomUp, int width, int height)
{
    const QRect inside = area.intersected(QRect(0, 0, width, height));
    for (int y = inside.top() / kCell * kCell; y <= inside.bottom(); y += kCell)
        for (int x = inside.left() / kCell * kCell; x <= inside.right(); x += kCell)
            ConvertCellToRgb(source, x, y, bgrBottomUp, width, height);
}

void ConvertSampledPixelsToRgb(const AVFrame &source, size_t step, size_t count, MutableByteSpan bgrBottomUp,
                               int width, int height)
{
    const bool quarterWidth = source.format == AV_PIX_FMT_YUV411P;
    if ((!quarterWidth && source.format != AV_PIX_FMT_YUV420P) || width <= 0 || height <= 0 || step == 0
        || source.width < width || source.height < height || bgrBottomUp.size() < Rgb24ImageSize(width, height))
        return;
    const int shiftX = quarterWidth ? 2 : 1;
    const int shiftY = quarterWidth ? 0 : 1;
    const size_t rowBytes = Rgb24RowBytes(width);
    const size_t pixelBytes = 3 * static_cast<size_t>(width);
    const size_t size = Rgb24ImageSize(width, height);
    // The pixel under byte i, and where its luma and chroma lie.
    struct Place {
        int x = 0;
        int row = 0;
        bool inPadding = false;
        size_t pixelByte = 0;  // the pixel's first byte in the picture
    };
    const auto placeOf = [&](size_t i) {
        const size_t column = step * i % rowBytes;
        return Place{static_cast<int>(column / 3), height - 1 - static_cast<int>(step * i / rowBytes),
                     column >= pixelBytes, step * i - column % 3};
    };
    const auto lumaAt = [&](const Place &at) {
        return source.data[0] + static_cast<ptrdiff_t>(at.row) * source.linesize[0] + at.x;
    };
    const auto chromaAt = [&](const Place &at, int plane) {
        return source.data[plane] + static_cast<ptrdiff_t>(at.row >> shiftY) * source.linesize[plane] + (at.x >> shiftX);
    };
    // The samples lie far apart in planes just written by the codec's other threads:
    // their loads are started well ahead.
    constexpr size_t kAhead = 8;
    const size_t last = std::min(count, (size - 1) / step + 1);
    for (size_t i = 0; i < last; ++i) {
        if (i + kAhead < last) {
            const Place ahead = placeOf(i + kAhead);
            __builtin_prefetch(lumaAt(ahead));
            __builtin_prefetch(chromaAt(ahead, 1));
            __builtin_prefetch(chromaAt(ahead, 2));
        }
        const Place at = placeOf(i);
        if (at.inPadding)
            continue;
        const int l = kLumaScale * (*lumaAt(at) - 16) + kHalf;
        const int u = *chromaAt(at, 1) - 128;
        const int v = *chromaAt(at, 2) - 128;
        uint8_t *p = bgrBottomUp.data() + at.pixelByte;
        p[0] = Clamped(l + kBu * u);
        p[1] = Clamped(l + kGu * u + kGv * v);
        p[2] = Clamped(l + kRv * v);
    }
}

void CopyCell(const AVFrame &source, int x, int y, AVFrame &target)
{
    if (x < 0 || y < 0 || source.format != target.format || x + kCell > std::min(source.width, target.width)
        || y + kCell > std::min(source.height, target.height))
        return;
    const bool quarterWidth = source.format == AV_PIX_FMT_YUV411P;
    const int chromaX = quarterWidth ? x / 4 : x / 2;
    const int chromaWidth = quarterWidth ? kCell / 4 : kCell / 2;
    const int chromaY = quarterWidth ? y : y / 2;
    const int chromaRows = quarterWidth ? kCell : kCell / 2;
    const auto copy = [&](int plane, int left, int top, int columns, int rows) {
        for (int row = top; row < top + rows; ++row)
            std::memcpy(target.data[plane] + static_cast<ptrdiff_t>(row) * target.linesize[plane] + left,
                        source.data[plane] + static_cast<ptrdiff_t>(row) * source.linesize[plane] + left,
                        static_cast<size_t>(columns));
    };
    copy(0, x, y, kCell, kCell);
    copy(1, chromaX, chromaY, chromaWidth, chromaRows);
    copy(2, chromaX, chromaY, chromaWidth, chromaRows);
}
