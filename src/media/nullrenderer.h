// The stock sink that accepts any stream and throws the samples away, counting
// them; its position (LastSampleTime) is the time of the last sample it received.
// Keeps a conversion's streams flowing to their end. Counters readable from any thread.
#pragma once

#include "media/rendererfilter.h"

#include <atomic>
#include <cstdint>

class NullRenderer final : public RendererFilter {
public:
    NullRenderer();

    // Samples rendered since streaming last started (the one held in pause included).
    int64_t SampleCount() const { return samples_.load(std::memory_order_relaxed); }

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult Render(const MediaSample &sample) override;
    StreamResult StartStreaming() override;

private:
    std::atomic<int64_t> samples_{0};
};
