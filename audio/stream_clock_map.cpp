#include "audio/stream_clock_map.h"

#include <algorithm>

#include "audio/output_format.h"

namespace {
constexpr double kNominalRate = kOutputRate / 1000.0;  // frames per ms
// A window's median error is taken out over about 20 s by the rate.
constexpr double kFollowMs = 20000.0;
}  // namespace

void StreamClockMap::Start(const StreamClockReading& reading) {
    ready_ = true;
    anchorMs_ = reading.clockMs;
    anchorFrame_ = static_cast<double>(reading.playedFrames);
    rate_ = kNominalRate;
    startMs_ = windowStartMs_ = lastMs_ = reading.clockMs;
    errorCount_ = 0;
}

void StreamClockMap::Observe(const StreamClockReading& reading) {
    if (!reading.valid) return;
    if (!ready_) {
        Start(reading);
        return;
    }
    if (!(reading.clockMs > lastMs_)) return;  // the same reading again, or one out of order
    lastMs_ = reading.clockMs;
    if (errorCount_ < kMaxWindowReadings)
        errors_[errorCount_++] = static_cast<float>(static_cast<double>(reading.playedFrames) - FrameAt(reading.clockMs));
    if (reading.clockMs - windowStartMs_ >= kWindowMs) EndWindow(reading.clockMs);
}

void StreamClockMap::EndWindow(double clockMs) {
    // The median: a reading that came late or a position a period coarse
    // moves it little.
    std::nth_element(errors_, errors_ + errorCount_ / 2, errors_ + errorCount_);
    const double median = errors_[errorCount_ / 2];
    errorCount_ = 0;
    windowStartMs_ = clockMs;
    // Anchored where the map is now: a new rate changes nothing already placed.
    anchorFrame_ = FrameAt(clockMs);
    anchorMs_ = clockMs;
    const bool settling = clockMs - startMs_ < kSettlingMs;
    if (settling || median < -kBehindMs * kNominalRate || median > kAheadMs * kNominalRate) {
        anchorFrame_ += median;
        rate_ = kNominalRate;
        if (!settling) ++moves_;
        return;
    }
    const double most = kNominalRate * kMaxRateDeviation;
    rate_ = kNominalRate + std::clamp(median / kFollowMs, -most, most);
}
