// The position interface of a graph or of one of its filters: duration, current
// position and seeking, in a chosen time format. The graph owns every instance.
// Called from the graph's controlling thread, also while the graph runs.
#pragma once

#include "media/mediatime.h"

#include <cstdint>
#include <optional>

class MediaSeeking {
public:
    virtual ~MediaSeeking() = default;

    // False, format unchanged, when the format is not supported.
    virtual bool SetTimeFormat(TimeFormat format) = 0;
    virtual TimeFormat GetTimeFormat() const = 0;
    virtual std::optional<int64_t> GetDuration() const = 0;
    virtual std::optional<int64_t> GetCurrentPosition() const = 0;
    // Absolute positions in the time format; an empty one stays as it is. Streaming
    // goes on from `current` up to, not including, `stop`.
    virtual bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop) = 0;
};
