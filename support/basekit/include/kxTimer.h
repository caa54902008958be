#pragma once

#include <cstdint>
#include <ctime>

/// Interval timer on the monotonic clock. Constructing it starts the first
/// interval; Stop measures from the last Start (or from construction).
class kxTimer {
public:
    kxTimer();
    virtual ~kxTimer();

    /// Seconds on the monotonic clock; any fixed origin.
    static double SystemTime();

    void Start() { startCount = Counter(); }
    void Stop()
    {
        stopCount = Counter();
        elapsed = static_cast<double>(stopCount - startCount) / static_cast<double>(frequency);
    }

    uint64_t startCount = 0;
    uint64_t stopCount = 0;
    uint64_t frequency = 0;
    double elapsed = 0.0;

    /// Nanoseconds on the monotonic clock.
    static uint64_t Counter()
    {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
    }
};
