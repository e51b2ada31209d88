// Media times: 64-bit counts of 100 ns, the unit of every sample time, position
// and duration in the media layer; frame positions count from 0. Constants only.
#pragma once

#include <cstdint>

using MediaTime = int64_t;

constexpr MediaTime kUnitsPerSecond = 10'000'000;
constexpr MediaTime kUnitsPerMillisecond = 10'000;
constexpr MediaTime kFrameTime625 = 400'000;  // 625/50: 25 frames a second
constexpr MediaTime kFrameTime525 = 333'667;  // 525/60: 30000/1001 frames a second

// The unit of positions given to and read from a seeking interface.
enum class TimeFormat {
    MediaTime,  // 100 ns units
    Frame,      // frame numbers
};
