// DV video encoding (25 Mbit/s, 625/50 or 525/60, full resolution) on
// libavcodec's dvvideo encoder. One instance per thread of use; it owns its
// codec context and reuses one packet, so encoding allocates nothing per frame.
#pragma once

#include "formats/bytes.h"

#include <QString>

#include <optional>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

class DvVideoEncoder {
public:
    DvVideoEncoder() = default;
    ~DvVideoEncoder();
    DvVideoEncoder(const DvVideoEncoder &) = delete;
    DvVideoEncoder &operator=(const DvVideoEncoder &) = delete;

    // Opens the encoder for 720x480 (ntsc, yuv411p) or 720x576 (PAL, yuv420p);
    // threads = 0 lets libavcodec choose. Returns an error text on failure.
    std::optional<QString> Open(bool ntsc, int threads = 0);
    bool IsOpen() const { return context_ != nullptr; }

    int Width() const { return 720; }
    int Height() const { return ntsc_ ? 480 : 576; }
    // The pixel format the encoder takes (an AVPixelFormat value).
    int PixelFormat() const;
    size_t FrameSize() const;

    // Encodes one picture in PixelFormat() into out (FrameSize() bytes).
    std::optional<QString> Encode(const AVFrame *picture, MutableByteSpan out);

private:
    void Close();

    AVCodecContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    bool ntsc_ = false;
};
