// The clock that clocked graphs present samples by. Now() is called from the
// streaming thread and the controlling thread and must be thread-safe; the owner
// keeps the clock alive while a graph uses it. Its time runs at the pace of real
// time (the graph waits on the system's steady clock for the differences).
#pragma once

#include "media/mediatime.h"

class ReferenceClock {
public:
    virtual ~ReferenceClock() = default;
    // A monotonic time in 100 ns units; only differences matter.
    virtual MediaTime Now() const = 0;
};

// The default clock: the system's monotonic clock.
class SystemClock final : public ReferenceClock {
public:
    MediaTime Now() const override;
};
