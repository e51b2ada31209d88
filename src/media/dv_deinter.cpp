#include "media/dv_deinter.h"

#include "media/mediaformats.h"
#include "media/picturescaler.h"

#include <QRect>

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMaxDimension = 8192;

bool SameSize(const QImage &a, const QImage &b)
{
    return a.width() == b.width() && a.height() == b.height();
}

#if defined(__SSE2__)
// Whether one of 16 bytes may belong to a comb. The measure is at most 10 times the
// largest |a - p| |b - p| of a channel, so a comb has a channel whose product is 301 or
// more: the smaller of its two differences is at least 2, the larger at least 18.
bool MayComb(const uint8_t *a, const uint8_t *p, const uint8_t *b)
{
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a));
    const __m128i vp = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b));
    const __m128i da = _mm_or_si128(_mm_subs_epu8(va, vp), _mm_subs_epu8(vp, va));
    const __m128i db = _mm_or_si128(_mm_subs_epu8(vb, vp), _mm_subs_epu8(vp, vb));
    const __m128i small = _mm_subs_epu8(_mm_min_epu8(da, db), _mm_set1_epi8(1));
    const __m128i large = _mm_subs_epu8(_mm_max_epu8(da, db), _mm_set1_epi8(17));
    const __m128i both = _mm_min_epu8(small, large);
    return _mm_movemask_epi8(_mm_cmpeq_epi8(both, _mm_setzero_si128())) != 0xFFFF;
}
#endif

}  // namespace

ReplacedColumns DeinterlaceRow(const uint8_t *above, const uint8_t *row, const uint8_t *below, uint8_t *out,
                               int width, uint8_t *comb, uint8_t *keep)
{
    bool any = false;
    int x = 0;
#if defined(__SSE2__)
    // Most of a picture is no comb: blocks of pixels that cannot be one are passed over.
    constexpr int kBlock = 16;  // pixels, three vectors of bytes
    for (; x + kBlock <= width; x += kBlock) {
        const size_t i = 3 * static_cast<size_t>(x);
        if (!MayComb(above + i, row + i, below + i) && !MayComb(above + i + 16, row + i + 16, below + i + 16)
            && !MayComb(above + i + 32, row + i + 32, below + i + 32)) {
            std::memset(comb + x, 0, kBlock);
            continue;
        }
        for (int k = x; k < x + kBlock; ++k) {
            comb[k] = CombMeasure(above + 3 * k, row + 3 * k, below + 3 * k) >= kCombThreshold ? 1 : 0;
            any = any || comb[k] != 0;
        }
    }
#endif
    for (; x < width; ++x) {
        comb[x] = CombMeasure(above + 3 * x, row + 3 * x, below + 3 * x) >= kCombThreshold ? 1 : 0;
        any = any || comb[x] != 0;
    }
    if (out != row)
        std::memcpy(out, row, 3 * static_cast<size_t>(width));
    ReplacedColumns replaced;
    if (!any) {
        std::memset(keep, 0, static_cast<size_t>(width));
        return replaced;
    }
    for (x = 0; x < width; ++x) {
        // A marked pixel with no marked horizontal neighbour is noise, not a comb.
        const int neighbours = (x > 0 ? comb[x - 1] : 0) + (x < width - 1 ? comb[x + 1] : 0);
        keep[x] = comb[x] == 1 && neighbours > 0 ? 1 : 0;
        if (keep[x] == 0)
            continue;
        for (int k = 0; k < 3; ++k)
            out[3 * x + k] = static_cast<uint8_t>((above[3 * x + k] + below[3 * x + k]) / 2);
        if (replaced.IsEmpty())
            replaced.first = x;
        replaced.end = x + 1;
    }
    return replaced;
}

bool DeinterlacePicture(const QImage &source, QImage &out, QImage &combMask, QImage &keepMask)
{
    if (source.format() != QImage::Format_BGR888 || out.format() != QImage::Format_BGR888
        || combMask.format() != QImage::Format_Grayscale8 || keepMask.format() != QImage::Format_Grayscale8
        || !SameSize(source, out) || !SameSize(source, combMask) || !SameSize(source, keepMask))
        return false;
    const int width = source.width();
    const int height = source.height();
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        if (y % 2 == 1 && y < height - 1)
            DeinterlaceRow(source.constScanLine(y - 1), source.constScanLine(y), source.constScanLine(y + 1),
                           out.scanLine(y), width, combMask.scanLine(y), keepMask.scanLine(y));
        else
            std::memcpy(out.scanLine(y), source.constScanLine(y), rowBytes);
    }
    return true;
}

Tdv_deinter::Tdv_deinter() : TBCTransInPlaceFilter(QStringLiteral("Quenlor dv_deinter")) {}

bool Tdv_deinter::CheckInputType(const MediaType &type) const
{
    return type.majorType == MajorType::Video && type.subtype == kSubtypeRgb24;
}

StreamResult Tdv_deinter::StartStreaming()
{
    width_ = 0;
    height_ = 0;
    // Without a picture header the pictures pass untouched.
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(Input().ConnectionMediaType().FormatBytes());
    if (!header)
        return StreamResult::Ok();
    const int width = header->bmiHeader.width;
    const int height = std::abs(header->bmiHeader.height);
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return StreamResult::Error(QStringLiteral("The deinterlacer cannot take pictures of this size."));
    width_ = width;
    height_ = height;
    combRow_.assign(static_cast<size_t>(width_), 0);
    keepRow_.assign(static_cast<size_t>(width_), 0);
    return StreamResult::Ok();
}

StreamResult Tdv_deinter::Transform(MediaSample &sample)
{
    if (width_ == 0)
        return StreamResult::Ok();
    const size_t stride = Rgb24RowBytes(width_);
    if (sample.ActualLength() < Rgb24ImageSize(width_, height_))
        return StreamResult::Error(QStringLiteral("A picture given to the deinterlacer is too short."));
    // Rows are bottom-up: picture row y is sample row height - 1 - y. Only odd rows change,
    // each from its even neighbours, so the picture can be changed where it lies.
    uint8_t *bottom = sample.Data().data();
    const auto rowOf = [&](int y) { return bottom + stride * static_cast<size_t>(height_ - 1 - y); };
    // What was replaced, so that an encoder after this filter can keep the rest of
    // the decoder's own picture.
    QRect changed;
    // A picture the decoder converted only in part is deinterlaced there.
    QRect area(0, 0, width_, height_);
    if (const std::optional<PictureSource> &source = sample.Source())
        area = area.intersected(source->decoded);
    const int end = area.top() + area.height();
    const size_t left = 3 * static_cast<size_t>(area.left());
    for (int y = (area.top() + 1) | 1; y + 1 < end; y += 2) {
        const ReplacedColumns replaced = DeinterlaceRow(rowOf(y - 1) + left, rowOf(y) + left, rowOf(y + 1) + left,
                                                        rowOf(y) + left, area.width(), combRow_.data(), keepRow_.data());
        if (!replaced.IsEmpty())
            changed = changed.united(QRect(area.left() + replaced.first, y, replaced.end - replaced.first, 1));
    }
    if (!changed.isEmpty())
        sample.MarkPictureChanged(changed);
    return StreamResult::Ok();
}
