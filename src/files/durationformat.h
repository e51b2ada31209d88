// The durations of the file list, from a 64-bit count of 100 ns units: with frames
// ("1h 02mn 03s 04fr") or with milliseconds ("59s 120ms"). Pure functions, any thread.
#pragma once

#include <QString>

#include <cstdint>

// The frame format with frames of frameTime units; a frame time that is not
// positive counts no frames.
QString FrameDurationText(int64_t duration, int64_t frameTime);
QString MillisecondDurationText(int64_t duration);
