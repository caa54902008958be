#include "FrameClock.h"

#include <algorithm>

int64_t FrameClock::Due(long index, double seconds, int64_t now)
{
    if (fps == 0)
        return now;
    const double time = fps > 0 ? static_cast<double>(index) / fps : seconds;
    const double step = fps > 0 ? 1 / fps : std::max(time - last, 0.001);
    if (!anchored || time < last) {
        anchored = true;
        anchorClock = now;
        anchorTime = time;
    }
    int64_t due = anchorClock + static_cast<int64_t>((time - anchorTime) * 1e9);
    if (now - due > static_cast<int64_t>(4 * step * 1e9)) {
        anchorClock = now;
        anchorTime = time;
        due = now;
    }
    last = time;
    return due;
}
