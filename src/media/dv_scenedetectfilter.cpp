#include "media/dv_scenedetectfilter.h"

#include "media/mediaformats.h"

Tdv_sceneDetect::Tdv_sceneDetect() : TBCTransInPlaceFilter(QStringLiteral("Quenlor dv_sceneDetect")) {}

bool Tdv_sceneDetect::CheckInputType(const MediaType &type) const
{
    return type.majorType == MajorType::Interleaved
        || (type.majorType == MajorType::Video && type.subtype == kSubtypeDvsd);
}

StreamResult Tdv_sceneDetect::StartStreaming()
{
    const MediaType &type = Input().ConnectionMediaType();
    // A connection without a format block leaves the detector as the last stream left it.
    if (type.format.isEmpty())
        return StreamResult::Ok();
    // The interleaved stream's format has no frame duration: the core takes it from the frame size.
    std::optional<int64_t> frameDuration;
    if (type.formatType == FormatType::VideoInfo)
        if (const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes()))
            frameDuration = header->avgTimePerFrame;
    core_.StartStreaming(frameDuration);
    return StreamResult::Ok();
}

StreamResult Tdv_sceneDetect::Transform(MediaSample &sample)
{
    std::optional<int32_t> frameNumber;
    if (framesFromMediaTimes_ && sample.MediaTimes())
        frameNumber = static_cast<int32_t>(sample.MediaTimes()->start);
    core_.ProcessSample(sample.Data(), frameNumber,
                        sample.MediaTimes() ? std::optional(sample.MediaTimes()->start) : std::nullopt);
    return StreamResult::Ok();
}

StreamResult Tdv_sceneDetect::EndOfStream(InputPin &pin)
{
    core_.EndOfStream();
    return TBCTransInPlaceFilter::EndOfStream(pin);
}

StreamResult Tdv_sceneDetect::StopStreaming(bool stoppedEarly)
{
    if (stoppedEarly)
        core_.StoppedEarly();
    return StreamResult::Ok();
}
