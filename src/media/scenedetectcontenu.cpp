#include "media/scenedetectcontenu.h"

#include <algorithm>
#include <cstdlib>

uint32_t ContentChangeCount(ByteSpan picture, ContentSamples &previous)
{
    uint32_t changes = 0;
    for (size_t i = 0; i < kContentSamples; ++i) {
        const size_t position = kContentSampleStep * i;
        if (position >= picture.size())
            break;
        const uint8_t sample = picture[position];
        if (std::abs(sample - previous[i]) > kContentChangeLevel)
            ++changes;
        previous[i] = sample;
    }
    return changes;
}

bool IsContentCut(uint32_t changes, size_t length, const ContentHistory &history)
{
    const size_t samples = std::min(length / kContentSampleStep, kContentSamples);
    if (static_cast<double>(changes) <= 0.3 * static_cast<double>(samples))
        return false;
    return std::all_of(history.begin(), history.end(),
                       [changes](uint32_t earlier) { return uint64_t{changes} > 2 * uint64_t{earlier}; });
}

TSceneDetectContenu::TSceneDetectContenu(const Tdv_MediaStamper &stamper)
    : TBCTransInPlaceFilter(QStringLiteral("Quenlor SceneContenuDetecter")), stamper_(stamper)
{
}

bool TSceneDetectContenu::CheckInputType(const MediaType &type) const
{
    return type.majorType == MajorType::Video && type.subtype == kSubtypeRgb24;
}

StreamResult TSceneDetectContenu::StartStreaming()
{
    lastFrame_.reset();
    endReported_ = false;
    return StreamResult::Ok();
}

StreamResult TSceneDetectContenu::Transform(MediaSample &sample)
{
    const ByteSpan picture = sample.Data();
    const uint32_t changes = ContentChangeCount(picture, previous_);
    const int64_t frame = stamper_.MediaStart();
    if (IsContentCut(changes, picture.size(), history_) && cutCallback_)
        cutCallback_(frame);
    history_ = {changes, history_[0], history_[1]};
    lastFrame_ = frame;
    return StreamResult::Ok();
}

StreamResult TSceneDetectContenu::EndOfStream(InputPin &pin)
{
    if (cutCallback_)
        cutCallback_(lastFrame_ ? *lastFrame_ + 1 : 0);
    endReported_ = true;
    if (endCallback_)
        endCallback_();
    return TBCTransInPlaceFilter::EndOfStream(pin);
}

StreamResult TSceneDetectContenu::StopStreaming(bool stoppedEarly)
{
    if (stoppedEarly && !endReported_ && endCallback_)
        endCallback_();
    endReported_ = true;
    return StreamResult::Ok();
}
