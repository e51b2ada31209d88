// DV video encoding (25 Mbit/s, 625/50 or 525/60, full resolution) on
// libavcodec's dvvideo encoder. One instance per thread of use; it owns its
// codec context and reuses one packet, so encoding allocates nothing per frame.
// It can also re-encode only some video segments of an existing frame (see
// DvSegmentMap), keeping the others bit for bit.
#pragma once

#include "media/dvsegmentmap.h"

#include "formats/bytes.h"

#include <QString>

#include <optional>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// The frame to start from and the segments to encode anew (1 per segment to
// encode, numbered as DvSegmentMap numbers them).
struct DvSegmentUpdate {
    ByteSpan frame;
    const std::vector<uint8_t> *segments = nullptr;
};

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

    // Encodes one picture in PixelFormat() into out (FrameSize() bytes). With an
    // update, out is the update's frame, all its blocks, with the chosen segments
    // made from the picture.
    std::optional<QString> Encode(const AVFrame *picture, MutableByteSpan out,
                                  const DvSegmentUpdate *update = nullptr);

private:
    using Execute = DvSegmentMap::Execute;

    void Close();
    static int NoticedPacket(AVCodecContext *context, AVPacket *packet, int flags);
    static int ChosenSegments(AVCodecContext *context, int (*func)(AVCodecContext *, void *), void *items, int *ret,
                              int count, int size);

    AVCodecContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    bool ntsc_ = false;
    Execute codecExecute_ = nullptr;          // the codec's own, slice threads included
    const DvSegmentUpdate *update_ = nullptr;  // during Encode only
    uint8_t *packetData_ = nullptr;            // the packet being encoded, during Encode only
    size_t packetSize_ = 0;
    std::vector<char> chosenItems_;
};
