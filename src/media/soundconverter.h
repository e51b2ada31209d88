// The stock ACM Wrapper's part in the conversions: a PCM sound converter on
// libswresample that changes the sampling rate, the channels (1 or 2) and the
// sample size (16 or 8 bits). The output format is set by SetFormat, before the
// output is connected or while it is (it is then connected again with the new
// type); without it the output keeps the input's format. Output sample times run
// on continuously from the first input sample, counted in output samples; at the
// end of the stream the resampler's last samples are delivered before the end.
//
// The creator owns the filter. SetFormat on the controlling thread while the graph
// is stopped; the streaming hooks on the streaming thread.
#pragma once

#include "media/mediaformats.h"
#include "media/transformfilter.h"

#include <cstdint>
#include <optional>

struct SwrContext;

class SoundConverter final : public TBCTransformFilter {
public:
    SoundConverter();
    ~SoundConverter() override;

    // PCM, 1 or 2 channels, 8 or 16 bits, 8000 to 192000 Hz; block align and byte
    // rate are derived. False, nothing changed, for another format or when the new
    // type cannot be connected to the output's peer.
    bool SetFormat(const WaveFormatEx &format);
    std::optional<WaveFormatEx> Format() const { return format_; }

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    size_t DecideBufferSize(const MediaSample &input) const override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;
    StreamResult StartStreaming() override;
    StreamResult EndOfStream(InputPin &pin) override;
    StreamResult StopStreaming(bool stoppedEarly) override;
    void Flush() override;

private:
    std::optional<WaveFormatEx> InputFormat() const;
    WaveFormatEx OutputFormat() const;
    bool OpenResampler();
    void CloseResampler();
    void StampTimes(MediaSample &output, int64_t samples);

    std::optional<WaveFormatEx> format_;

    // Streaming thread.
    SwrContext *swr_ = nullptr;
    WaveFormatEx in_;
    WaveFormatEx out_;
    std::optional<MediaTime> baseTime_;
    int64_t samplesOut_ = 0;
};
