#include "playback/step_timing.h"

#include <cmath>

#include "model/value_ranges.h"

double StepIntervalMs(double tempo) {
    const float x = static_cast<float>(tempo);
    const long double interval = static_cast<long double>(1000.0f) / (static_cast<long double>(x) * 0.06666667f);
    return static_cast<double>(interval);
}

bool IsUsableInterval(double intervalMs) { return intervalMs > 0 && std::isfinite(intervalMs); }

double StepSoundsAtMs(double nominalMs, double previousMs) {
    const double earliest = previousMs + kTickPeriodMs;
    return nominalMs < earliest ? earliest : nominalMs;
}

double SwingDelayMs(int stepIndex, int swing, double intervalMs) {
    if (stepIndex % 2 == 0 || swing <= kSwingOff) return 0.0;
    const int amount = (swing < kSwingMax ? swing : kSwingMax) - kSwingOff;
    return amount / static_cast<double>(kSwingOff) * intervalMs;
}

TimeSource ChooseTimeSource(bool tscAvailable, bool useTsc, int64_t ticksPerMs, int64_t counterFrequency) {
    if (tscAvailable && useTsc && ticksPerMs > 0) return TimeSource::TimeStampCounter;
    if (counterFrequency >= 1000) return TimeSource::PerformanceCounter;
    return TimeSource::MultimediaTime;
}
