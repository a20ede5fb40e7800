// What a continuous output stream asks of its mixer, and the reading that
// ties the playback clock to the stream. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

// A clock reading and the stream position read together: what maps the playback clock onto the stream.
struct StreamClockReading {
    double clockMs = 0.0;      // the playback clock when the position was read (fractional ms)
    int64_t playedFrames = 0;  // stream frames played (heard) by then, counted from the stream's start, never wrapping
    bool valid = false;
};

// What a continuous output stream asks of its mixer; called on the mix thread only.
class StreamSource {
public:
    virtual ~StreamSource() = default;
    // Fills `frames` frames, interleaved stereo float, full scale 1.0, that become stream frames
    // firstFrame .. firstFrame + frames - 1. `reading` is the latest clock/position pair.
    virtual void Render(float* out, size_t frames, int64_t firstFrame, const StreamClockReading& reading) = 0;
};
