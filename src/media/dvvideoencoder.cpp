#include "media/dvvideoencoder.h"

#include "media/dvsegmentmap.h"

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
    context_->opaque = this;
    context_->get_encode_buffer = NoticedPacket;
    if (const int rc = avcodec_open2(context_, codec, nullptr); rc < 0) {
        Close();
        return QStringLiteral("The DV video encoder could not be opened: %1").arg(AvErrorText(rc));
    }
    // Opening installs the codec's work dispatcher; ours narrows it for updates.
    codecExecute_ = context_->execute;
    context_->execute = ChosenSegments;
    return std::nullopt;
}

int DvVideoEncoder::NoticedPacket(AVCodecContext *context, AVPacket *packet, int flags)
{
    const int rc = avcodec_default_get_encode_buffer(context, packet, flags);
    auto *self = static_cast<DvVideoEncoder *>(context->opaque);
    self->packetData_ = rc >= 0 ? packet->data : nullptr;
    self->packetSize_ = rc >= 0 ? static_cast<size_t>(packet->size) : 0;
    return rc;
}

int DvVideoEncoder::ChosenSegments(AVCodecContext *context, int (*func)(AVCodecContext *, void *), void *items,
                                   int *ret, int count, int size)
{
    auto *self = static_cast<DvVideoEncoder *>(context->opaque);
    const DvSegmentUpdate *update = self->update_;
    if (!update || !update->segments || update->segments->size() != static_cast<size_t>(count) || ret
        || !self->packetData_ || self->packetSize_ != update->frame.size())
        return self->codecExecute_(context, func, items, ret, count, size);
    // The codec clears and formats its packet before it encodes the segments, so the
    // frame to keep is laid in here, under the segments made anew.
    std::memcpy(self->packetData_, update->frame.data(), update->frame.size());
    return DvSegmentMap::ExecuteChosen(self->codecExecute_, context, func, items, count, size, *update->segments,
                                       self->chosenItems_);
}

std::optional<QString> DvVideoEncoder::Encode(const AVFrame *picture, MutableByteSpan out,
                                              const DvSegmentUpdate *update)
{
    if (!context_)
        return QStringLiteral("The DV video encoder is not open.");
    if (out.size() < FrameSize())
        return QStringLiteral("The DV frame buffer is too small.");
    if (update && update->frame.size() != FrameSize())
        update = nullptr;
    // Either call may run the codec.
    update_ = update;
    int rc = avcodec_send_frame(context_, picture);
    if (rc >= 0)
        rc = avcodec_receive_packet(context_, packet_);
    update_ = nullptr;
    packetData_ = nullptr;
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
