#include "media/rgb24image.h"

#include "media/picturescaler.h"

#include <cstring>

namespace {

bool Fits(const QImage &image, size_t size)
{
    return image.format() == QImage::Format_BGR888 && !image.isNull()
        && size >= Rgb24ImageSize(image.width(), image.height());
}

}  // namespace

bool CopyBottomUpToImage(ByteSpan bytes, QImage &image)
{
    if (!Fits(image, bytes.size()))
        return false;
    const size_t row = Rgb24RowBytes(image.width());
    const size_t used = static_cast<size_t>(image.width()) * 3;
    const int height = image.height();
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bytes.data() + row * static_cast<size_t>(height - 1 - y), used);
    return true;
}

bool CopyImageToBottomUp(const QImage &image, MutableByteSpan bytes)
{
    if (!Fits(image, bytes.size()))
        return false;
    const size_t row = Rgb24RowBytes(image.width());
    const size_t used = static_cast<size_t>(image.width()) * 3;
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        uint8_t *target = bytes.data() + row * static_cast<size_t>(height - 1 - y);
        std::memcpy(target, image.constScanLine(y), used);
        std::memset(target + used, 0, row - used);
    }
    return true;
}
