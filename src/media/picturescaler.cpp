#include "media/picturescaler.h"

#include <algorithm>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

bool IsRgb(int format)
{
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB) != 0;
}

// Full chroma on the RGB side: swscale otherwise takes every other pixel's colour from
// an RGB source (on a slow path) and interpolates it roughly for an RGB target.
int ChromaFlags(int sourceFormat, int targetFormat)
{
    return (IsRgb(sourceFormat) ? SWS_FULL_CHR_H_INP : 0) | (IsRgb(targetFormat) ? SWS_FULL_CHR_H_INT : 0);
}

}  // namespace

MediaType MakeRgb24VideoType(int width, int height, MediaTime avgTimePerFrame)
{
    VideoInfoHeader header;
    header.source = {0, 0, width, height};
    header.target = header.source;
    header.avgTimePerFrame = avgTimePerFrame;
    header.bmiHeader.width = width;
    header.bmiHeader.height = height;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(Rgb24ImageSize(width, height));
    if (avgTimePerFrame > 0)
        header.bitRate = static_cast<uint32_t>(std::min<uint64_t>(
            uint64_t{header.bmiHeader.sizeImage} * 8 * kUnitsPerSecond / static_cast<uint64_t>(avgTimePerFrame),
            UINT32_MAX));
    return MakeVideoType(kSubtypeRgb24, header);
}

PicturePlanes Rgb24BottomUpPlanes(MutableByteSpan bytes, int width, int height)
{
    PicturePlanes planes;
    const size_t row = Rgb24RowBytes(width);
    if (height <= 0 || bytes.size() < row * static_cast<size_t>(height))
        return planes;
    planes.data[0] = bytes.data() + row * static_cast<size_t>(height - 1);
    planes.stride[0] = -static_cast<int>(row);
    return planes;
}

PictureScaler::~PictureScaler()
{
    sws_freeContext(context_);
}

bool PictureScaler::Scale(const PicturePlanes &source, int sourceWidth, int sourceHeight, int sourceFormat,
                          const PicturePlanes &target, int targetWidth, int targetHeight, int targetFormat)
{
    if (!source.data[0] || !target.data[0] || sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0
        || targetHeight <= 0)
        return false;
    const bool direct = quality_ == ScalerQuality::Fast && sourceWidth == targetWidth && sourceHeight == targetHeight;
    const int flags = direct ? SWS_POINT
                             : SWS_BICUBIC | (quality_ == ScalerQuality::Accurate ? SWS_ACCURATE_RND : 0)
                                   | ChromaFlags(sourceFormat, targetFormat);
    context_ = sws_getCachedContext(context_, sourceWidth, sourceHeight, static_cast<AVPixelFormat>(sourceFormat),
                                    targetWidth, targetHeight, static_cast<AVPixelFormat>(targetFormat), flags,
                                    nullptr, nullptr, nullptr);
    if (!context_)
        return false;
    return sws_scale(context_, source.data, source.stride, 0, sourceHeight, target.data, target.stride)
        == targetHeight;
}
