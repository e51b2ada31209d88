#include "media/dv_deinter.h"

#include "media/mediaformats.h"
#include "media/rgb24image.h"

#include <cstdlib>
#include <cstring>

namespace {

// Weights of blue, green and red in the comb measure.
constexpr int kWeights[3] = {1, 6, 3};
constexpr int kMaxDimension = 8192;

bool SameSize(const QImage &a, const QImage &b)
{
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace

int CombMeasure(const uint8_t *above, const uint8_t *pixel, const uint8_t *below)
{
    int measure = 0;
    for (int k = 0; k < 3; ++k)
        measure += kWeights[k] * (above[k] - pixel[k]) * (below[k] - pixel[k]);
    return measure;
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
    for (int y = 0; y < height; ++y)
        std::memcpy(out.scanLine(y), source.constScanLine(y), rowBytes);

    for (int y = 1; y < height; y += 2) {
        uint8_t *comb = combMask.scanLine(y);
        if (y == height - 1) {
            std::memset(comb, 0, static_cast<size_t>(width));
            continue;
        }
        const uint8_t *above = source.constScanLine(y - 1);
        const uint8_t *row = source.constScanLine(y);
        const uint8_t *below = source.constScanLine(y + 1);
        for (int x = 0; x < width; ++x)
            comb[x] = CombMeasure(above + 3 * x, row + 3 * x, below + 3 * x) >= kCombThreshold ? 1 : 0;
    }

    // A marked pixel with no marked horizontal neighbour is noise, not a comb.
    for (int y = 1; y < height; y += 2) {
        const uint8_t *comb = combMask.constScanLine(y);
        uint8_t *keep = keepMask.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int neighbours = (x > 0 ? comb[x - 1] : 0) + (x < width - 1 ? comb[x + 1] : 0);
            keep[x] = comb[x] == 1 && neighbours > 0 ? 1 : 0;
        }
    }

    for (int y = 1; y < height - 1; y += 2) {
        const uint8_t *keep = keepMask.constScanLine(y);
        const uint8_t *above = source.constScanLine(y - 1);
        const uint8_t *below = source.constScanLine(y + 1);
        uint8_t *target = out.scanLine(y);
        for (int x = 0; x < width; ++x)
            if (keep[x] == 1)
                for (int k = 0; k < 3; ++k)
                    target[3 * x + k] = static_cast<uint8_t>((above[3 * x + k] + below[3 * x + k]) / 2);
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
    frameBitmap_ = QImage(width_, height_, QImage::Format_BGR888);
    outBitmap_ = QImage(width_, height_, QImage::Format_BGR888);
    combMask_ = QImage(width_, height_, QImage::Format_Grayscale8);
    keepMask_ = QImage(width_, height_, QImage::Format_Grayscale8);
    if (frameBitmap_.isNull() || outBitmap_.isNull() || combMask_.isNull() || keepMask_.isNull())
        return StreamResult::Error(QStringLiteral("Out of memory in the deinterlacer."));
    return StreamResult::Ok();
}

StreamResult Tdv_deinter::Transform(MediaSample &sample)
{
    if (width_ == 0)
        return StreamResult::Ok();
    if (!CopyBottomUpToImage(sample.Data(), frameBitmap_))
        return StreamResult::Error(QStringLiteral("A picture given to the deinterlacer is too short."));
    DeinterlacePicture(frameBitmap_, outBitmap_, combMask_, keepMask_);
    CopyImageToBottomUp(outBitmap_, sample.Data());
    return StreamResult::Ok();
}
