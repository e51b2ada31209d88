// Sources for the tests of the writing filters: a source that delivers a list of
// buffers of one media type with their times, and can hold still after some of
// them until the graph is stopped, as a long file would be when a user aborts;
// plus synthetic DV video and PCM sound made into such lists.
#pragma once

#include "media/filtergraph.h"
#include "media/sourcefilter.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

using Buffer = std::vector<uint8_t>;

struct TimedBuffer {
    Buffer data;
    std::optional<MediaTimeRange> time;
};

class ListSource final : public SourceFilter {
public:
    ListSource(MediaType type, std::vector<TimedBuffer> samples);

    OutputPin &Output() const { return output_; }
    // After delivering this many samples, produce nothing more until the graph stops.
    void HoldAfter(int64_t samples) { holdAfter_ = samples; }
    int64_t Delivered() const { return next_.load(); }

    std::optional<int64_t> GetDuration(TimeFormat format) const override;
    std::optional<int64_t> GetCurrentPosition(TimeFormat format) const override;
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format) override;

protected:
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult Produce() override;

private:
    OutputPin &output_;
    const MediaType type_;
    const std::vector<TimedBuffer> samples_;
    int64_t holdAfter_ = INT64_MAX;
    std::atomic<int64_t> next_{0};
};

// DV video ('dvsd', VIDEOINFOHEADER) of either system.
MediaType DvVideoType(bool is525 = false);
// 16-bit (or 8-bit) PCM.
MediaType PcmType(int rate, int channels, int bits = 16);

// DV frames at 25 (or 30000/1001) frames a second, with their times.
std::vector<TimedBuffer> FrameList(const std::vector<Buffer> &frames, bool is525 = false);
// Interleaved 16-bit stereo sound: sample i of channel c is Tone(i, c).
inline int16_t Tone(int64_t sample, int channel)
{
    return static_cast<int16_t>((sample * 37 + channel * 5000) % 20000 - 10000);
}
Buffer TonePcm(int64_t firstSample, int64_t samples, int channels = 2);
// The sound cut into chunks of `chunkSamples` samples per channel, with their times.
std::vector<TimedBuffer> PcmList(int rate, int64_t samples, int64_t chunkSamples, int channels = 2);

// Runs the graph unclocked to its completion (or the bail-out time).
std::optional<GraphCompletion> RunToCompletion(FilterGraph &graph);
// Runs the graph until `source` holds, then stops it.
std::optional<GraphCompletion> RunAndStopAt(FilterGraph &graph, const ListSource &source, int64_t samples);
