#include "media/dvvideoencoder.h"

#include "formats/dvlayout.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

#include <cstring>

namespace {

QString AvErrorText(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

}  // namespace

DvVideoEncoder::~DvVideoEncoder()
{
    Close();
}

void DvVideoEncoder::Close()
{
    avcodec_free_context(&context_);
    av_packet_free(&packet_);
}

int DvVideoEncoder::PixelFormat() const
{
    return ntsc_ ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
}

size_t DvVideoEncoder::FrameSize() const
{
    return ntsc_ ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625;
}

std::optional<QString> DvVideoEncoder::Open(bool ntsc, int threads)
{
    Close();
    ntsc_ = ntsc;
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        return QStringLiteral("The DV video encoder is not available in the media libraries.");
    context_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    if (!context_ || !packet_) {
        Close();
        return QStringLiteral("Out of memory while opening the DV video encoder.");
    }
    context_->width = Width();
    context_->height = Height();
    context_->pix_fmt = static_cast<AVPixelFormat>(PixelFormat());
    context_->time_base = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
    context_->framerate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
    context_->sample_aspect_ratio = ntsc ? AVRational{10, 11} : AVRational{59, 54};
    context_->thread_count = threads;
    context_->thread_type = FF_THREAD_SLICE;
    if (const int rc = avcodec_open2(context_, codec, nullptr); rc < 0) {
        Close();
        return QStringLiteral("The DV video encoder could not be opened: %1").arg(AvErrorText(rc));
    }
    return std::nullopt;
}

std::optional<QString> DvVideoEncoder::Encode(const AVFrame *picture, MutableByteSpan out)
{
    if (!context_)
        return QStringLiteral("The DV video encoder is not open.");
    if (out.size() < FrameSize())
        return QStringLiteral("The DV frame buffer is too small.");
    int rc = avcodec_send_frame(context_, picture);
    if (rc < 0)
        return QStringLiteral("DV encoding failed: %1").arg(AvErrorText(rc));
    rc = avcodec_receive_packet(context_, packet_);
    if (rc < 0)
        return QStringLiteral("DV encoding failed: %1").arg(AvErrorText(rc));
    const bool whole = static_cast<size_t>(packet_->size) == FrameSize();
    if (whole)
        std::memcpy(out.data(), packet_->data, FrameSize());
    av_packet_unref(packet_);
    if (!whole)
        return QStringLiteral("The DV video encoder gave a frame of an unexpected size.");
    return std::nullopt;
}
