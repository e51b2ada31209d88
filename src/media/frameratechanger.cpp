#include "media/frameratechanger.h"

#include "media/mediaformats.h"
#include "media/mediasample.h"
#include "media/pin.h"

#include <cstdlib>

namespace {

constexpr MediaTime kTicksPerSecond = 10000000;

MediaTime FrameStart(int64_t frame, FrameRate rate)
{
    return frame * kTicksPerSecond * rate.den / rate.num;
}

}  // namespace

FrameRate FrameRateOfFrameTime(MediaTime frameTime)
{
    const MediaTime ntsc = FrameStart(1, kFrameRate525);
    const MediaTime pal = FrameStart(1, kFrameRate625);
    return std::llabs(frameTime - ntsc) < std::llabs(frameTime - pal) ? kFrameRate525 : kFrameRate625;
}

int64_t FramesStartedBefore(int64_t frame, FrameRate from, FrameRate to)
{
    // ceil(frame × (to / from)), exact in integers for the rates of the TV systems.
    const int64_t num = frame * to.num * from.den;
    const int64_t den = to.den * from.num;
    return (num + den - 1) / den;
}

FrameRateChanger::FrameRateChanger()
    : Filter(QStringLiteral("Frame rate changer")), input_(AddInputPin(QStringLiteral("In"))),
      output_(AddOutputPin(QStringLiteral("Out")))
{
}

bool FrameRateChanger::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return type.majorType == MajorType::Video && (type.subtype == kSubtypeRgb24 || type.subtype == kSubtypeDvsd)
        && type.formatType == FormatType::VideoInfo && ParseVideoInfoHeader(type.FormatBytes()).has_value();
}

std::vector<MediaType> FrameRateChanger::OutputTypes(const OutputPin &) const
{
    if (!input_.IsConnected())
        return {};
    MediaType type = input_.ConnectionMediaType();
    VideoInfoHeader header = *ParseVideoInfoHeader(type.FormatBytes());
    header.avgTimePerFrame = FrameStart(1, target_);
    return {MakeVideoType(type.subtype, header)};
}

FrameRate FrameRateChanger::SourceRate() const
{
    const auto header = ParseVideoInfoHeader(input_.ConnectionMediaType().FormatBytes());
    return FrameRateOfFrameTime(header ? header->avgTimePerFrame : FrameStart(1, kFrameRate625));
}

StreamResult FrameRateChanger::StartStreaming()
{
    source_ = SourceRate();
    Flush();
    return StreamResult::Ok();
}

void FrameRateChanger::Flush()
{
    received_ = 0;
    delivered_ = 0;
    firstFrame_ = 0;
}

StreamResult FrameRateChanger::Receive(InputPin &, MediaSample &sample)
{
    if (received_ == 0 && sample.MediaTimes())
        firstFrame_ = sample.MediaTimes()->start;
    const int64_t base = FramesStartedBefore(firstFrame_, source_, target_);
    const int64_t end = FramesStartedBefore(firstFrame_ + received_ + 1, source_, target_) - base;
    ++received_;
    const bool repeated = end - delivered_ > 1;
    if (repeated)
        original_.CopyFrom(sample);
    for (bool first = true; delivered_ < end; ++delivered_, first = false) {
        MediaSample &out = first ? sample : repeat_;
        if (!first)
            repeat_.CopyFrom(original_);
        const int64_t frame = base + delivered_;
        out.SetTime(MediaTimeRange{FrameStart(frame, target_) - FrameStart(base, target_),
                                   FrameStart(frame + 1, target_) - FrameStart(base, target_)});
        out.SetMediaTimes(MediaTimeRange{frame, frame + 1});
        const StreamResult result = output_.Deliver(out);
        if (!result.IsOk())
            return result;
    }
    return StreamResult::Ok();
}
