#include "UThrottle.h"

// The first call is due at once.
TUThrottle::TUThrottle(std::chrono::milliseconds Interval) : FInterval(Interval), FLast() {}

bool TUThrottle::Due()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - FLast < FInterval)
        return false;
    FLast = now;
    return true;
}
