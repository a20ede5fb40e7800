#include "playback/step_timing.h"

#include <cmath>

double StepIntervalMs(double tempo) {
    const float x = static_cast<float>(tempo);
    const long double interval = static_cast<long double>(1000.0f) / (static_cast<long double>(x) * 0.06666667f);
    return static_cast<double>(interval);
}

bool IsUsableInterval(double intervalMs) { return intervalMs > 0 && std::isfinite(intervalMs); }

int64_t RoundRateToWholeMhz(int64_t ticksPerMs) {
    int64_t x = ticksPerMs;
    for (int i = 0; i < 3; ++i) {
        // The constant is single precision (a little above 0.1) but the product is
        // not rounded to single precision: 23,945 gives 2,394.50004, which rounds up.
        const double scaled = static_cast<double>(x) * 0.1f;
        const int64_t whole = static_cast<int64_t>(scaled);
        // A fraction of exactly one half is dropped.
        x = (scaled - static_cast<double>(whole) > 0.5) ? whole + 1 : whole;
    }
    return x * 1000;
}

TimeSource ChooseTimeSource(bool tscAvailable, bool useTsc, int64_t ticksPerMs, int64_t counterFrequency) {
    if (tscAvailable && useTsc && ticksPerMs > 0) return TimeSource::TimeStampCounter;
    if (counterFrequency >= 1000) return TimeSource::PerformanceCounter;
    return TimeSource::MultimediaTime;
}
