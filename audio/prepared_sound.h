// One sound of the sound list as the renderer plays it: its samples decoded
// to floats (within full scale, NaN silent), one lane per channel, each with
// the points half-way between its frames beside it, and silence around both
// so that a kernel near either end reads no further check. Made once, when
// the sound list loads, and only read after that, by any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/wave_decode.h"

class PreparedSound {
public:
    // Silence before and after each lane: more than the widest kernel reaches.
    static constexpr size_t kPadding = 128;

    // Decodes the sample data and makes the half-way points. False, with
    // nothing kept, when the memory for it cannot be had.
    bool Prepare(const WaveData& wave);
    // The same from interleaved floats (tests, generated sounds).
    bool Prepare(const float* interleaved, int channels, size_t frames, uint32_t rate);

    int Channels() const { return channels_; }
    size_t Frames() const { return frames_; }
    uint32_t Rate() const { return rate_; }
    bool Empty() const { return frames_ == 0; }
    // Frame i of channel c is Samples(c)[i], for i in -kPadding .. frames + kPadding - 1.
    const float* Samples(int channel) const { return Lane(channel, 0); }
    // The point half-way between frames i and i + 1 is Midpoints(c)[i], same range.
    const float* Midpoints(int channel) const { return Lane(channel, 1); }

private:
    size_t LaneLength() const { return frames_ + 2 * kPadding; }
    const float* Lane(int channel, int kind) const {
        return lanes_.data() + (static_cast<size_t>(channel) * 2 + static_cast<size_t>(kind)) * LaneLength() + kPadding;
    }
    template <class Source>
    bool Build(int channels, size_t frames, uint32_t rate, Source sample);

    int channels_ = 0;
    size_t frames_ = 0;
    uint32_t rate_ = 0;
    std::vector<float> lanes_;
};
