#include "media/dvdecoder.h"

#include "formats/dvlayout.h"
#include "media/dvsegmentmap.h"
#include "media/mediaformats.h"

#include <QThread>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

constexpr int kDvWidth = 720;
constexpr int kHeight525 = 480;
constexpr int kHeight625 = 576;
constexpr uint32_t kNoPack = 0xFFFFFFFF;
// PC3 of the VAUX source pack (bits 16..23 of the word), bit 5: 1 for 625/50.
constexpr uint32_t kFiftyBit = 1u << (16 + 5);

}  // namespace

DvDecoder::DvDecoder() : VideoDecoder(QString::fromLatin1(kFriendlyName)) {}

bool DvDecoder::Is525(const MediaType &type)
{
    if (type.formatType == FormatType::VideoInfo) {
        if (const auto header = ParseVideoInfoHeader(type.FormatBytes())) {
            const int32_t height = header->bmiHeader.height < 0 ? -header->bmiHeader.height : header->bmiHeader.height;
            if (height == kHeight525 || height == kHeight625)
                return height == kHeight525;
            if (header->avgTimePerFrame == kFrameTime525 || header->avgTimePerFrame == kFrameTime625)
                return header->avgTimePerFrame == kFrameTime525;
        }
    } else if (type.formatType == FormatType::DvInfo) {
        if (const auto info = ParseDvInfo(type.FormatBytes()); info && info->vauxSrc != kNoPack && info->vauxSrc != 0)
            return (info->vauxSrc & kFiftyBit) == 0;
    }
    return type.sampleSize == dvlayout::kFrameSize525;
}

std::optional<VideoDecoderSetup> DvDecoder::SetupFor(const MediaType &type) const
{
    const bool video = type.majorType == MajorType::Video && type.subtype == kSubtypeDvsd;
    const bool interleaved = type.majorType == MajorType::Interleaved && type.subtype == kSubtypeDvsd;
    if (!video && !interleaved)
        return std::nullopt;
    const bool is525 = Is525(type);
    VideoDecoderSetup setup;
    setup.codecId = AV_CODEC_ID_DVVIDEO;
    setup.width = kDvWidth;
    setup.height = is525 ? kHeight525 : kHeight625;
    setup.frameTime = is525 ? kFrameTime525 : kFrameTime625;
    setup.frameThreads = false;
    // Decoding ahead, the frame is one stage of a pipeline whose other threads keep the
    // processors busy, and the codec's slice threads would only wait on them. Else one
    // slice thread a processor core: libavcodec's one more only waits its turn.
    setup.threads = DecodesAhead() ? 1 : QThread::idealThreadCount();
    setup.keepsSourceFrames = keepsSourceFrames_;
    setup.sampledBytes = sampledBytes_;
    setup.convertsCombRowsOnly = keepsSourceFrames_ && convertsCombRowsOnly_;
    if (keepsSourceFrames_ && usedArea_) {
        setup.segments = DvSegmentMap::Of(is525);
        setup.usedArea = setup.segments ? usedArea_ : nullptr;
    }
    return setup;
}
