#include "media/picturescaler.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
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

PicturePlanes PlanesOf(const AVFrame &frame)
{
    PicturePlanes planes;
    for (int plane = 0; plane < 4; ++plane) {
        planes.data[plane] = frame.data[plane];
        planes.stride[plane] = frame.linesize[plane];
    }
    return planes;
}

PictureScaler::~PictureScaler()
{
    sws_freeContext(context_);
    sws_freeContext(sliceContext_);
    if (wrapper_) {
        wrapper_->buf[0] = nullptr;  // not the frame's own reference
        av_frame_free(&wrapper_);
    }
    av_buffer_unref(&heldElsewhere_);
}

int PictureScaler::Flags(int sourceWidth, int sourceHeight, int sourceFormat, int targetWidth, int targetHeight,
                         int targetFormat) const
{
    const bool direct = quality_ == ScalerQuality::Fast && sourceWidth == targetWidth && sourceHeight == targetHeight;
    return direct ? SWS_POINT
                  : SWS_BICUBIC | (quality_ == ScalerQuality::Accurate ? SWS_ACCURATE_RND : 0)
                        | ChromaFlags(sourceFormat, targetFormat);
}

bool PictureScaler::Scale(const PicturePlanes &source, int sourceWidth, int sourceHeight, int sourceFormat,
                          const PicturePlanes &target, int targetWidth, int targetHeight, int targetFormat)
{
    if (!source.data[0] || !target.data[0] || sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0
        || targetHeight <= 0)
        return false;
    const int flags = Flags(sourceWidth, sourceHeight, sourceFormat, targetWidth, targetHeight, targetFormat);
    context_ = sws_getCachedContext(context_, sourceWidth, sourceHeight, static_cast<AVPixelFormat>(sourceFormat),
                                    targetWidth, targetHeight, static_cast<AVPixelFormat>(targetFormat), flags,
                                    nullptr, nullptr, nullptr);
    if (!context_)
        return false;
    return sws_scale(context_, source.data, source.stride, 0, sourceHeight, target.data, target.stride)
        == targetHeight;
}

bool PictureScaler::ScaleInSlices(const AVFrame &source, AVFrame &target)
{
    if (!source.data[0] || !target.buf[0] || source.width <= 0 || source.height <= 0 || target.width <= 0
        || target.height <= 0)
        return false;
    const int shape[6] = {source.width, source.height, source.format, target.width, target.height, target.format};
    if (!sliceContext_ || !std::equal(std::begin(shape), std::end(shape), std::begin(sliceShape_))) {
        sws_freeContext(sliceContext_);
        sliceContext_ = sws_alloc_context();
        if (!sliceContext_)
            return false;
        const int flags = Flags(source.width, source.height, source.format, target.width, target.height, target.format);
        // Threads 0: one a processor core.
        const bool set = av_opt_set_int(sliceContext_, "srcw", source.width, 0) >= 0
                      && av_opt_set_int(sliceContext_, "srch", source.height, 0) >= 0
                      && av_opt_set_int(sliceContext_, "src_format", source.format, 0) >= 0
                      && av_opt_set_int(sliceContext_, "dstw", target.width, 0) >= 0
                      && av_opt_set_int(sliceContext_, "dsth", target.height, 0) >= 0
                      && av_opt_set_int(sliceContext_, "dst_format", target.format, 0) >= 0
                      && av_opt_set_int(sliceContext_, "sws_flags", flags, 0) >= 0
                      && av_opt_set_int(sliceContext_, "threads", 0, 0) >= 0;
        if (!set || sws_init_context(sliceContext_, nullptr, nullptr) < 0) {
            sws_freeContext(sliceContext_);
            sliceContext_ = nullptr;
            return false;
        }
        std::copy(std::begin(shape), std::end(shape), std::begin(sliceShape_));
    }
    return sws_scale_frame(sliceContext_, &target, &source) >= 0;
}

bool PictureScaler::ScaleInSlices(const AVFrame &source, const PicturePlanes &target, int targetWidth,
                                  int targetHeight, int targetFormat)
{
    if (!target.data[0])
        return false;
    // libswscale takes a target frame only with a buffer, which it merely references:
    // a token one does, the planes are written where they point.
    if (!heldElsewhere_ && !(heldElsewhere_ = av_buffer_alloc(1)))
        return false;
    if (!wrapper_ && !(wrapper_ = av_frame_alloc()))
        return false;
    wrapper_->buf[0] = heldElsewhere_;
    wrapper_->width = targetWidth;
    wrapper_->height = targetHeight;
    wrapper_->format = targetFormat;
    std::copy(std::begin(target.data), std::end(target.data), std::begin(wrapper_->data));
    std::copy(std::begin(target.stride), std::end(target.stride), std::begin(wrapper_->linesize));
    return ScaleInSlices(source, *wrapper_);
}
