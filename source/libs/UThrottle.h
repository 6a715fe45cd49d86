#pragma once

#include <chrono>

// Lets progress through at most once per interval: often enough to look smooth and to let a
// cancel button act, rarely enough that fast transfers do not spend their time repainting.
class TUThrottle {
public:
    explicit TUThrottle(std::chrono::milliseconds Interval = std::chrono::milliseconds(40));
    // True at the first call and whenever an interval has passed since the last true.
    bool Due();

private:
    std::chrono::milliseconds FInterval;
    std::chrono::steady_clock::time_point FLast;
};
