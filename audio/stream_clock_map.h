// Where a moment of the playback clock falls on the output stream: the stream
// frame heard then. The stream's own clock (the sound device's) and the
// playback clock drift apart by some parts per million, and the stream's
// position is reported coarsely and with jitter; the map follows the reported
// positions with a slow loop that changes only its rate, by tiny amounts, so
// that the map never jumps: events placed by it keep their spacing.
//
// Platform-free; used by the mix thread only.
#pragma once

#include <cstdint>

#include "audio/stream_source.h"

class StreamClockMap {
public:
    // The most the map's rate departs from the nominal 44.1 frames per ms.
    static constexpr double kMaxRateDeviation = 500e-6;
    // Readings are averaged over windows of this length before the loop acts.
    static constexpr double kWindowMs = 1000.0;
    // A reading this far from the map is the stream starting over or the
    // clock switching source: the map starts again from it.
    static constexpr double kRestartFrames = 44100.0;

    // Takes a reading; readings must come in clock order.
    void Observe(const StreamClockReading& reading);
    bool Ready() const { return ready_; }
    // The stream frame heard at `clockMs` (fractional).
    double FrameAt(double clockMs) const { return anchorFrame_ + (clockMs - anchorMs_) * rate_; }
    // Frames per ms now, and how often the map started again.
    double Rate() const { return rate_; }
    int Restarts() const { return restarts_; }

private:
    void Start(const StreamClockReading& reading);

    bool ready_ = false;
    double anchorMs_ = 0.0;
    double anchorFrame_ = 0.0;
    double rate_ = 0.0;
    // The rate the device seems to run at (the loop's integral part).
    double baseRate_ = 0.0;
    double windowStartMs_ = 0.0;
    double errorSum_ = 0.0;
    int errorCount_ = 0;
    double lastMs_ = 0.0;
    int restarts_ = 0;
};
