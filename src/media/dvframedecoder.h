// Decodes single DV frames into the program's picture layout (24-bit bottom-up
// blue-green-red), at once and on the calling thread: for a filter handed a
// picture that was decoded only in part when it needs the whole of it. Opens
// libavcodec's dvvideo on first use. One thread at a time.
#pragma once

#include "formats/bytes.h"
#include "media/picturescaler.h"

#include <QString>

#include <optional>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

class DvFrameDecoder {
public:
    DvFrameDecoder() = default;
    ~DvFrameDecoder();
    DvFrameDecoder(const DvFrameDecoder &) = delete;
    DvFrameDecoder &operator=(const DvFrameDecoder &) = delete;

    // The whole picture of `frame` into `bgrBottomUp`, a picture of width x height
    // (the frame's own size); the reason when it cannot.
    std::optional<QString> Decode(ByteSpan frame, MutableByteSpan bgrBottomUp, int width, int height);

private:
    void Close();

    AVCodecContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *picture_ = nullptr;
    PictureScaler scaler_{ScalerQuality::Fast};
    std::vector<uint8_t> padded_;  // the frame with libavcodec's zeroed padding
};
