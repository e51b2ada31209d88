// A sink that presents samples: one input, no output. It is where a paused graph
// holds: in pause the first sample that reaches a renderer is rendered and held, and
// the graph counts as paused; when running under a clock, each sample is rendered at
// its start time and the end of the stream passes at the last sample's stop time.
// Streaming hooks on the streaming thread; LastSampleTime from any thread.
#pragma once

#include "media/filter.h"

#include <atomic>
#include <cstdint>

class RendererFilter : public Filter {
public:
    explicit RendererFilter(QString friendlyName);

    InputPin &Input() const { return input_; }
    // Start time of the last sample received in this run, held ones included.
    std::optional<MediaTime> LastSampleTime() const override;

protected:
    virtual bool CheckInputType(const MediaType &type) const = 0;
    // The sample is due (or is the one shown while paused).
    virtual StreamResult Render(const MediaSample &sample) = 0;

    // Forgets the last sample time; overrides call it.
    StreamResult StartStreaming() override;

private:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const final;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const final;
    StreamResult Receive(InputPin &pin, MediaSample &sample) final;
    StreamResult EndOfStream(InputPin &pin) final;

    static constexpr MediaTime kNoTime = INT64_MIN;

    InputPin &input_;
    std::atomic<MediaTime> lastStart_{kNoTime};
    std::optional<MediaTime> lastStop_;  // streaming thread only
};
