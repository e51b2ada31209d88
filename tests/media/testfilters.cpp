#include "testfilters.h"

#include "media/mediaformats.h"

#include <algorithm>

MediaType TestVideoType(FourCC subtype)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = 576;
    header.bmiHeader.compression = subtype;
    return MakeVideoType(subtype, header);
}

TestSource::TestSource(int64_t frames, MediaType type, size_t sampleSize)
    : SourceFilter(QStringLiteral("Test source")), output_(AddOutputPin(QStringLiteral("Out"))), frames_(frames),
      type_(std::move(type)), sampleSize_(sampleSize), stop_(frames)
{
}

std::vector<MediaType> TestSource::OutputTypes(const OutputPin &) const
{
    return {type_};
}

std::optional<int64_t> TestSource::GetDuration(TimeFormat format) const
{
    return format == TimeFormat::Frame ? frames_ : frames_ * kFrameTime625;
}

std::optional<int64_t> TestSource::GetCurrentPosition(TimeFormat format) const
{
    const int64_t frame = next_.load();
    return format == TimeFormat::Frame ? frame : frame * kFrameTime625;
}

bool TestSource::SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format)
{
    const auto toFrame = [&](int64_t value) {
        return std::clamp<int64_t>(format == TimeFormat::Frame ? value : value / kFrameTime625, 0, frames_);
    };
    if (current)
        next_ = toFrame(*current);
    if (stop)
        stop_ = toFrame(*stop);
    return true;
}

StreamResult TestSource::Produce()
{
    const int64_t frame = next_.load();
    if (frame >= stop_.load())
        return StreamResult::End();
    MediaSample &sample = output_.GetDeliveryBuffer(sampleSize_);
    MutableByteSpan data = sample.Data();
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = PatternByte(frame, i);
    sample.SetTime(MediaTimeRange{frame * kFrameTime625, (frame + 1) * kFrameTime625});
    if (frame < mediaTimesUntil_)
        sample.SetMediaTimes(MediaTimeRange{frame, frame + 1});
    sample.SetSyncPoint(true);
    StreamResult result = output_.Deliver(sample);
    if (result.IsOk() || result.Status() == StreamStatus::End)
        next_ = frame + 1;
    return result;
}

Probe::Probe(QString name, MediaType accepted, QStringList *log)
    : TBCTransInPlaceFilter(std::move(name)), accepted_(std::move(accepted)), log_(log)
{
}

std::vector<int64_t> Probe::MediaStarts() const
{
    std::lock_guard lock(lock_);
    return mediaStarts_;
}

std::vector<int> Probe::FirstBytes() const
{
    std::lock_guard lock(lock_);
    return firstBytes_;
}

bool Probe::CheckInputType(const MediaType &type) const
{
    return type.Matches(accepted_);
}

StreamResult Probe::Transform(MediaSample &sample)
{
    ByteSpan data = sample.Data();
    {
        std::lock_guard lock(lock_);
        const int64_t frame = sample.MediaTimes() ? sample.MediaTimes()->start : -1;
        mediaStarts_.push_back(frame);
        firstBytes_.push_back(data.empty() ? -1 : data[0]);
        for (size_t i = 0; i < data.size(); ++i) {
            if (data[i] != PatternByte(frame, i)) {
                ++mismatches_;
                break;
            }
        }
    }
    if (stamp_ >= 0 && !data.empty())
        sample.Data()[0] = static_cast<uint8_t>(stamp_);
    received_.fetch_add(1);
    return StreamResult::Ok();
}

StreamResult Probe::StartStreaming()
{
    ++starts_;
    if (log_)
        log_->append(QStringLiteral("start ") + FriendlyName());
    return StreamResult::Ok();
}

StreamResult Probe::EndOfStream(InputPin &pin)
{
    ++endOfStreams_;
    return TBCTransInPlaceFilter::EndOfStream(pin);
}

StreamResult Probe::StopStreaming(bool stoppedEarly)
{
    stopsEarly_.push_back(stoppedEarly);
    if (log_)
        log_->append(QStringLiteral("stop ") + FriendlyName());
    return StreamResult::Ok();
}

void Probe::Flush()
{
    ++flushes_;
}

Inverter::Inverter(FourCC inputSubtype, FourCC outputSubtype)
    : TBCTransformFilter(QStringLiteral("Inverter")), inputSubtype_(inputSubtype), outputSubtype_(outputSubtype)
{
}

bool Inverter::CheckInputType(const MediaType &type) const
{
    return type.subtype == inputSubtype_;
}

std::optional<MediaType> Inverter::GetMediaType(int position) const
{
    if (position != 0)
        return std::nullopt;
    MediaType type = Input().ConnectionMediaType();
    type.subtype = outputSubtype_;
    return type;
}

StreamResult Inverter::StartStreaming()
{
    count_ = 0;
    return StreamResult::Ok();
}

StreamResult Inverter::Transform(const MediaSample &input, MediaSample &output)
{
    if (count_++ == failAt_)
        return StreamResult::Error(QStringLiteral("The frame %1 cannot be inverted.").arg(failAt_));
    ByteSpan in = input.Data();
    MutableByteSpan out = output.Data();
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<uint8_t>(~in[i]);
    return StreamResult::Ok();
}
