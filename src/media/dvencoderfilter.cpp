#include "media/dvencoderfilter.h"

#include "formats/dvlayout.h"
#include "media/mediaformats.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

constexpr int kDvWidth = 720;

// The input's picture size, when the type is 24-bit RGB of a sane size.
std::optional<BitmapInfoHeader> Rgb24Header(const MediaType &type)
{
    if (type.majorType != MajorType::Video || type.subtype != kSubtypeRgb24 || type.formatType != FormatType::VideoInfo)
        return std::nullopt;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header || header->bmiHeader.bitCount != 24 || header->bmiHeader.width <= 0 || header->bmiHeader.height <= 0
        || header->bmiHeader.width > 8192 || header->bmiHeader.height > 8192)
        return std::nullopt;
    return header->bmiHeader;
}

}  // namespace

DvEncoderFilter::DvEncoderFilter() : TBCTransformFilter(QString::fromLatin1(kFriendlyName)) {}

DvEncoderFilter::~DvEncoderFilter()
{
    Close();
}

bool DvEncoderFilter::CheckInputType(const MediaType &type) const
{
    return Rgb24Header(type).has_value();
}

std::optional<MediaType> DvEncoderFilter::GetMediaType(int position) const
{
    if (position != 0)
        return std::nullopt;
    const bool ntsc = format_ == DvVideoFormat::Ntsc;
    VideoInfoHeader header;
    header.avgTimePerFrame = ntsc ? kFrameTime525 : kFrameTime625;
    header.bitRate = 25'000'000;
    header.bmiHeader.width = kDvWidth;
    header.bmiHeader.height = ntsc ? 480 : 576;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
    header.source = {0, 0, header.bmiHeader.width, header.bmiHeader.height};
    header.target = header.source;
    return MakeVideoType(kSubtypeDvsd, header);
}

void DvEncoderFilter::Close()
{
    av_frame_free(&picture_);
}

StreamResult DvEncoderFilter::StartStreaming()
{
    Close();
    const std::optional<BitmapInfoHeader> input = Rgb24Header(Input().ConnectionMediaType());
    if (!input)
        return StreamResult::Error(QStringLiteral("The DV video encoder does not know the type of its input."));
    inputWidth_ = input->width;
    inputHeight_ = input->height;
    frames_ = 0;
    if (auto error = encoder_.Open(format_ == DvVideoFormat::Ntsc))
        return StreamResult::Error(*error);
    picture_ = av_frame_alloc();
    if (!picture_)
        return StreamResult::Error(QStringLiteral("Out of memory while opening the DV video encoder."));
    picture_->format = encoder_.PixelFormat();
    picture_->width = encoder_.Width();
    picture_->height = encoder_.Height();
    if (av_frame_get_buffer(picture_, 0) < 0) {
        Close();
        return StreamResult::Error(QStringLiteral("Out of memory while opening the DV video encoder."));
    }
    return StreamResult::Ok();
}

StreamResult DvEncoderFilter::StopStreaming(bool)
{
    Close();
    return StreamResult::Ok();
}

StreamResult DvEncoderFilter::Transform(const MediaSample &input, MediaSample &output)
{
    if (!picture_)
        return StreamResult::Error(QStringLiteral("The DV video encoder is not open."));
    const ByteSpan data = input.Data();
    // The bytes are only read: libswscale takes its sources through non-const pointers.
    const PicturePlanes source = Rgb24BottomUpPlanes(
        MutableByteSpan(const_cast<uint8_t *>(data.data()), data.size()), inputWidth_, inputHeight_);
    if (!source.data[0])
        return StreamResult::Error(QStringLiteral("A picture given to the DV video encoder is too short."));
    if (av_frame_make_writable(picture_) < 0)
        return StreamResult::Error(QStringLiteral("Out of memory in the DV video encoder."));
    PicturePlanes target;
    for (int plane = 0; plane < 4; ++plane) {
        target.data[plane] = picture_->data[plane];
        target.stride[plane] = picture_->linesize[plane];
    }
    if (!scaler_.Scale(source, inputWidth_, inputHeight_, AV_PIX_FMT_BGR24, target, encoder_.Width(),
                       encoder_.Height(), encoder_.PixelFormat()))
        return StreamResult::Error(QStringLiteral("The picture could not be converted for the DV video encoder."));
    picture_->pts = frames_++;
    if (!output.SetActualLength(encoder_.FrameSize()))
        return StreamResult::Error(QStringLiteral("The DV frame buffer is too small."));
    if (auto error = encoder_.Encode(picture_, output.Data()))
        return StreamResult::Error(*error);
    output.SetSyncPoint(true);
    return StreamResult::Ok();
}
