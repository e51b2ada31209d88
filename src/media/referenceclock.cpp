#include "media/referenceclock.h"

#include <chrono>

MediaTime SystemClock::Now() const
{
    using Units = std::chrono::duration<MediaTime, std::ratio<1, kUnitsPerSecond>>;
    return std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
