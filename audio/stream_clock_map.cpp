#include "audio/stream_clock_map.h"

#include <cmath>

#include "audio/output_format.h"

namespace {
constexpr double kNominalRate = kOutputRate / 1000.0;  // frames per ms
// The loop: a window's mean error is taken out over about 4 s by the rate,
// and the rate the device runs at is learnt over about 16 s. Slow enough that
// a reported position jittering by a mixing period moves the map by well
// under a frame between two steps.
constexpr double kPhaseTimeMs = 4000.0;
constexpr double kRateTimeMs = 16000.0;

double Limit(double rate) {
    const double low = kNominalRate * (1.0 - StreamClockMap::kMaxRateDeviation);
    const double high = kNominalRate * (1.0 + StreamClockMap::kMaxRateDeviation);
    return rate < low ? low : rate > high ? high : rate;
}
}  // namespace

void StreamClockMap::Start(const StreamClockReading& reading) {
    ready_ = true;
    anchorMs_ = reading.clockMs;
    anchorFrame_ = static_cast<double>(reading.playedFrames);
    rate_ = baseRate_ = kNominalRate;
    windowStartMs_ = reading.clockMs;
    errorSum_ = 0.0;
    errorCount_ = 0;
}

void StreamClockMap::Observe(const StreamClockReading& reading) {
    if (!reading.valid) return;
    if (ready_ && !(reading.clockMs > lastMs_)) return;  // the same reading again, or one out of order
    lastMs_ = reading.clockMs;
    if (!ready_) {
        Start(reading);
        return;
    }
    const double error = static_cast<double>(reading.playedFrames) - FrameAt(reading.clockMs);
    if (std::fabs(error) > kRestartFrames) {
        ++restarts_;
        Start(reading);
        return;
    }
    errorSum_ += error;
    ++errorCount_;
    if (reading.clockMs - windowStartMs_ < kWindowMs) return;

    // Anchored where the map is now, so the new rate changes nothing already placed.
    const double mean = errorSum_ / errorCount_;
    anchorFrame_ = FrameAt(reading.clockMs);
    anchorMs_ = reading.clockMs;
    const double window = reading.clockMs - windowStartMs_;
    baseRate_ = Limit(baseRate_ + mean * window / (kPhaseTimeMs * kRateTimeMs));
    rate_ = Limit(baseRate_ + mean / kPhaseTimeMs);
    windowStartMs_ = reading.clockMs;
    errorSum_ = 0.0;
    errorCount_ = 0;
}
