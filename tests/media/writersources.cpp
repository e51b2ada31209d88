#include "writersources.h"

#include "media/mediaformats.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr int kWaitMs = 30000;  // a bail-out for a hung graph, never a time being measured

}  // namespace

ListSource::ListSource(MediaType type, std::vector<TimedBuffer> samples)
    : SourceFilter(QStringLiteral("List source")), output_(AddOutputPin(QStringLiteral("Out"))),
      type_(std::move(type)), samples_(std::move(samples))
{
}

std::vector<MediaType> ListSource::OutputTypes(const OutputPin &) const
{
    return {type_};
}

std::optional<int64_t> ListSource::GetDuration(TimeFormat) const
{
    if (samples_.empty() || !samples_.back().time)
        return 0;
    return samples_.back().time->stop;
}

std::optional<int64_t> ListSource::GetCurrentPosition(TimeFormat) const
{
    const auto next = static_cast<size_t>(next_.load());
    if (next >= samples_.size() || !samples_[next].time)
        return GetDuration(TimeFormat::MediaTime);
    return samples_[next].time->start;
}

bool ListSource::SetPositions(std::optional<int64_t> current, std::optional<int64_t>, TimeFormat)
{
    if (current && *current == 0)
        next_ = 0;
    return !current || *current == 0;
}

StreamResult ListSource::Produce()
{
    const int64_t next = next_.load();
    if (next >= holdAfter_) {
        // A long file whose reading the user aborts: nothing more comes until the stop.
        while (!Graph()->InterruptPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return StreamResult::Interrupted();
    }
    if (next >= static_cast<int64_t>(samples_.size()))
        return StreamResult::End();
    const TimedBuffer &item = samples_[static_cast<size_t>(next)];
    MediaSample &sample = output_.GetDeliveryBuffer(item.data.size());
    std::copy(item.data.begin(), item.data.end(), sample.Buffer().begin());
    sample.SetTime(item.time);
    sample.SetSyncPoint(true);
    StreamResult result = output_.Deliver(sample);
    if (result.IsOk())
        next_ = next + 1;
    return result;
}

MediaType DvVideoType(bool is525)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = is525 ? kFrameTime525 : kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = is525 ? 480 : 576;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = is525 ? 120000 : 144000;
    return MakeVideoType(kSubtypeDvsd, header);
}

MediaType PcmType(int rate, int channels, int bits)
{
    WaveFormatEx format;
    format.channels = static_cast<uint16_t>(channels);
    format.samplesPerSec = static_cast<uint32_t>(rate);
    format.bitsPerSample = static_cast<uint16_t>(bits);
    format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
    return MakeAudioType(format);
}

std::vector<TimedBuffer> FrameList(const std::vector<Buffer> &frames, bool is525)
{
    const MediaTime frameTime = is525 ? kFrameTime525 : kFrameTime625;
    std::vector<TimedBuffer> list;
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto start = static_cast<MediaTime>(i) * frameTime;
        list.push_back({frames[i], MediaTimeRange{start, start + frameTime}});
    }
    return list;
}

Buffer TonePcm(int64_t firstSample, int64_t samples, int channels)
{
    Buffer pcm(static_cast<size_t>(samples * channels * 2));
    for (int64_t i = 0; i < samples; ++i)
        for (int c = 0; c < channels; ++c)
            WriteLE16(pcm.data() + 2 * (i * channels + c), static_cast<uint16_t>(Tone(firstSample + i, c)));
    return pcm;
}

std::vector<TimedBuffer> PcmList(int rate, int64_t samples, int64_t chunkSamples, int channels)
{
    std::vector<TimedBuffer> list;
    for (int64_t first = 0; first < samples; first += chunkSamples) {
        const int64_t count = std::min(chunkSamples, samples - first);
        list.push_back({TonePcm(first, count, channels),
                        MediaTimeRange{first * kUnitsPerSecond / rate, (first + count) * kUnitsPerSecond / rate}});
    }
    return list;
}

std::optional<GraphCompletion> RunToCompletion(FilterGraph &graph)
{
    graph.SetSyncSource(nullptr);
    if (!graph.Run())
        return std::nullopt;
    std::optional<GraphCompletion> completion = graph.WaitForCompletion(kWaitMs);
    graph.Stop();
    return completion;
}

std::optional<GraphCompletion> RunAndStopAt(FilterGraph &graph, const ListSource &source, int64_t samples)
{
    graph.SetSyncSource(nullptr);
    if (!graph.Run())
        return std::nullopt;
    for (int waited = 0; source.Delivered() < samples && waited < kWaitMs; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    graph.Stop();
    return graph.WaitForCompletion(0);
}
