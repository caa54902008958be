#include "kxTimer.h"

kxTimer::kxTimer()
    : startCount(Counter())
    , frequency(1000000000u)
{
}

kxTimer::~kxTimer() = default;

double kxTimer::SystemTime()
{
    return static_cast<double>(Counter()) * 1e-9;
}
