#pragma once

// When each frame of a playing video is due: frames keep the spacing of their
// presentation times (variable-rate files play at their own pace), or of a
// fixed rate, measured from the first frame shown or from the last restart.
// A pure decision, apart from the clock and the sleeping.

#include <cstdint>

class FrameClock {
public:
    /// `fps` above 0: frames 1 / fps apart, whatever their times; 0: each
    /// due at once; below 0: at their presentation times.
    explicit FrameClock(double fps)
        : fps(fps)
    {
    }
    /// When (in nanoseconds of the clock `now` is read from) the frame shown
    /// `index`-th since the start, with presentation time `seconds`, is due.
    /// The first frame, one whose time goes back (a loop, a seek back) and one
    /// more than four frame steps late (a slow machine) are due at once, and
    /// the clock starts anew from them instead of rushing through late frames.
    int64_t Due(long index, double seconds, int64_t now);
    /// The next frame is due at once and the ones after it are spaced from
    /// it: after a pause or a seek.
    void Restart() { anchored = false; }

private:
    double fps;
    bool anchored = false;
    int64_t anchorClock = 0;
    double anchorTime = 0;
    double last = 0;
};
