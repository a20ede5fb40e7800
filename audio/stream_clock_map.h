// Where a moment of the playback clock falls on the output stream: the stream
// frame heard then. The reported position is coarse (whole mixing periods)
// and jittery, and under Wine it runs ahead of what is heard between the
// mixer's stalls, each of which then sets the stream back for good.
//
// So the map keeps the nominal rate and follows the readings' median over
// short windows: slowly, by rate changes of at most 20 ppm (a sound device's
// own drift against the performance counter), and, where the stream fell
// behind by more than a few milliseconds (a stall, heard as a gap), by moving
// at once, so that every later step is heard one constant latency after its
// due time. Steps between two such moves keep their spacing to the frame.
//
// Platform-free; used by the mix thread only.
#pragma once

#include <cstdint>

#include "audio/stream_source.h"

class StreamClockMap {
public:
    // The most the map's rate departs from the nominal 44.1 frames per ms.
    static constexpr double kMaxRateDeviation = 20e-6;
    // Readings are summed up over windows of this length.
    static constexpr double kWindowMs = 250.0;
    // A window's median this far behind the map is a stall: the map moves back.
    static constexpr double kBehindMs = 4.0;
    // This far ahead, the map moves forward: steps would otherwise come too
    // late to be placed.
    static constexpr double kAheadMs = 8.0;
    // At the start the first windows only settle where the stream is.
    static constexpr double kSettlingMs = 2000.0;

    // Takes a reading; readings must come in clock order.
    void Observe(const StreamClockReading& reading);
    bool Ready() const { return ready_; }
    // The stream frame heard at `clockMs` (fractional).
    double FrameAt(double clockMs) const { return anchorFrame_ + (clockMs - anchorMs_) * rate_; }
    double Rate() const { return rate_; }
    // How often the map moved at once (stalls, settling not counted).
    int Moves() const { return moves_; }

private:
    void Start(const StreamClockReading& reading);
    void EndWindow(double clockMs);

    static constexpr int kMaxWindowReadings = 256;
    bool ready_ = false;
    double anchorMs_ = 0.0;
    double anchorFrame_ = 0.0;
    double rate_ = 0.0;
    double startMs_ = 0.0;
    double windowStartMs_ = 0.0;
    float errors_[kMaxWindowReadings] = {};
    int errorCount_ = 0;
    double lastMs_ = 0.0;
    int moves_ = 0;
};
