#include "media/dvsegmentmap.h"

#include "media/dvvideoencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr uint16_t kUnknown = std::numeric_limits<uint16_t>::max();
// Luma written before decoding; a mid-grey frame never decodes to it.
constexpr uint8_t kMarker = 0;

// What the decoder's callbacks fill in while it decodes the learning frame.
struct Learner {
    int width = 0;
    int height = 0;
    int cell = 0;
    AVFrame *picture = nullptr;
    int segmentCount = 0;
    std::vector<uint16_t> *segmentOfCell = nullptr;
};

int MarkedBuffer(AVCodecContext *context, AVFrame *frame, int flags)
{
    const int rc = avcodec_default_get_buffer2(context, frame, flags);
    if (rc < 0)
        return rc;
    auto *learner = static_cast<Learner *>(context->opaque);
    for (int y = 0; y < frame->height; ++y)
        std::memset(frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0], kMarker,
                    static_cast<size_t>(frame->width));
    learner->picture = frame;
    return 0;
}

// Runs the segments one after the other and gives each cell it painted its number.
int SegmentBySegment(AVCodecContext *context, int (*func)(AVCodecContext *, void *), void *items, int *ret, int count,
                     int size)
{
    auto *learner = static_cast<Learner *>(context->opaque);
    learner->segmentCount = count;
    const int cellsX = learner->width / learner->cell;
    const int cellsY = learner->height / learner->cell;
    for (int item = 0; item < count; ++item) {
        const int rc = func(context, static_cast<char *>(items) + static_cast<ptrdiff_t>(item) * size);
        if (ret)
            ret[item] = rc;
        if (!learner->picture)
            continue;
        const AVFrame *picture = learner->picture;
        for (int cy = 0; cy < cellsY; ++cy)
            for (int cx = 0; cx < cellsX; ++cx) {
                uint16_t &owner = (*learner->segmentOfCell)[static_cast<size_t>(cy * cellsX + cx)];
                const int x = cx * learner->cell + learner->cell / 2;
                const int y = cy * learner->cell + learner->cell / 2;
                if (owner == kUnknown && picture->data[0][static_cast<ptrdiff_t>(y) * picture->linesize[0] + x] != kMarker)
                    owner = static_cast<uint16_t>(item);
            }
    }
    return 0;
}

// A whole DV frame of a flat grey picture, from our own encoder.
std::vector<uint8_t> GreyFrame(bool ntsc)
{
    DvVideoEncoder encoder;
    if (encoder.Open(ntsc, 1))
        return {};
    std::unique_ptr<AVFrame, void (*)(AVFrame *)> picture(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    if (!picture)
        return {};
    picture->format = encoder.PixelFormat();
    picture->width = encoder.Width();
    picture->height = encoder.Height();
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return {};
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 || encoder.PixelFormat() == AV_PIX_FMT_YUV411P ? picture->height : picture->height / 2;
        for (int y = 0; y < rows; ++y)
            std::memset(picture->data[plane] + static_cast<ptrdiff_t>(y) * picture->linesize[plane], 128,
                        static_cast<size_t>(picture->linesize[plane]));
    }
    std::vector<uint8_t> frame(encoder.FrameSize());
    if (encoder.Encode(picture.get(), frame))
        return {};
    return frame;
}

}  // namespace

const DvSegmentMap *DvSegmentMap::Of(bool ntsc)
{
    // Learnt on first use only.
    const auto usable = [](const DvSegmentMap &map) { return map.segmentCount_ > 0 ? &map : nullptr; };
    if (ntsc) {
        static const DvSegmentMap map525 = Learn(true);
        return usable(map525);
    }
    static const DvSegmentMap map625 = Learn(false);
    return usable(map625);
}

DvSegmentMap DvSegmentMap::Learn(bool ntsc)
{
    DvSegmentMap map;
    std::vector<uint8_t> frame = GreyFrame(ntsc);
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (frame.empty() || !codec)
        return map;
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext *)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext *c) { avcodec_free_context(&c); });
    std::unique_ptr<AVPacket, void (*)(AVPacket *)> packet(av_packet_alloc(), [](AVPacket *p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame *)> picture(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    if (!context || !packet || !picture)
        return map;
    Learner learner;
    learner.width = 720;
    learner.height = ntsc ? 480 : 576;
    learner.cell = kCell;
    std::vector<uint16_t> owners(static_cast<size_t>(learner.width / kCell * (learner.height / kCell)), kUnknown);
    learner.segmentOfCell = &owners;
    context->thread_count = 1;
    context->thread_type = FF_THREAD_SLICE;
    context->opaque = &learner;
    context->get_buffer2 = MarkedBuffer;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return map;
    // Set after opening, which installs the codec's own.
    context->execute = SegmentBySegment;
    frame.resize(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet->data = frame.data();
    packet->size = static_cast<int>(frame.size() - AV_INPUT_BUFFER_PADDING_SIZE);
    if (avcodec_send_packet(context.get(), packet.get()) < 0 || avcodec_receive_frame(context.get(), picture.get()) < 0)
        return map;
    for (const uint16_t owner : owners)
        if (owner == kUnknown)
            return map;
    map.width_ = learner.width;
    map.height_ = learner.height;
    map.segmentCount_ = learner.segmentCount;
    map.segmentOfCell_ = std::move(owners);
    return map;
}

void DvSegmentMap::Select(const QRect &area, std::vector<uint8_t> &selected) const
{
    selected.resize(static_cast<size_t>(segmentCount_), 0);
    const QRect inside = area.intersected(QRect(0, 0, width_, height_));
    if (inside.isEmpty())
        return;
    const int cellsX = width_ / kCell;
    for (int cy = inside.top() / kCell; cy <= inside.bottom() / kCell; ++cy)
        for (int cx = inside.left() / kCell; cx <= inside.right() / kCell; ++cx)
            selected[segmentOfCell_[static_cast<size_t>(cy * cellsX + cx)]] = 1;
}

int DvSegmentMap::ExecuteChosen(Execute execute, AVCodecContext *context, int (*func)(AVCodecContext *, void *),
                                const void *items, int count, int size, const std::vector<uint8_t> &chosen,
                                std::vector<char> &scratch)
{
    scratch.resize(static_cast<size_t>(count) * static_cast<size_t>(size));
    int taken = 0;
    for (int item = 0; item < count && static_cast<size_t>(item) < chosen.size(); ++item)
        if (chosen[static_cast<size_t>(item)])
            std::memcpy(scratch.data() + static_cast<ptrdiff_t>(taken++) * size,
                        static_cast<const char *>(items) + static_cast<ptrdiff_t>(item) * size, static_cast<size_t>(size));
    return taken > 0 ? execute(context, func, scratch.data(), nullptr, taken, size) : 0;
}
