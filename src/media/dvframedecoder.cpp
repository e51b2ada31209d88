#include "media/dvframedecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>

DvFrameDecoder::~DvFrameDecoder()
{
    Close();
}

void DvFrameDecoder::Close()
{
    avcodec_free_context(&context_);
    av_packet_free(&packet_);
    av_frame_free(&picture_);
}

std::optional<QString> DvFrameDecoder::Decode(ByteSpan frame, MutableByteSpan bgrBottomUp, int width, int height)
{
    if (bgrBottomUp.size() < Rgb24ImageSize(width, height))
        return QStringLiteral("The picture buffer is too small for the DV frame.");
    if (!context_) {
        const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        if (!codec)
            return QStringLiteral("The DV video decoder is not available in the media libraries.");
        context_ = avcodec_alloc_context3(codec);
        packet_ = av_packet_alloc();
        picture_ = av_frame_alloc();
        if (!context_ || !packet_ || !picture_ || avcodec_open2(context_, codec, nullptr) < 0) {
            Close();
            return QStringLiteral("The DV video decoder could not be opened.");
        }
    }
    padded_.assign(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::copy(frame.begin(), frame.end(), padded_.begin());
    packet_->data = padded_.data();
    packet_->size = static_cast<int>(frame.size());
    int rc = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (rc >= 0)
        rc = avcodec_receive_frame(context_, picture_);
    if (rc < 0)
        return QStringLiteral("A DV frame could not be decoded.");
    bool converted = false;
    if (picture_->width == width && picture_->height == height) {
        converted = scaler_.Scale(PlanesOf(*picture_), width, height, picture_->format,
                                  Rgb24BottomUpPlanes(bgrBottomUp, width, height), width, height, AV_PIX_FMT_BGR24);
    }
    av_frame_unref(picture_);
    if (!converted)
        return QStringLiteral("A DV frame's picture could not be converted to RGB.");
    return std::nullopt;
}
