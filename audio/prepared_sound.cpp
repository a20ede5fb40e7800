#include "audio/prepared_sound.h"

#include <limits>
#include <stdexcept>
#include <new>

#include "audio/resampling_kernels.h"
#include "audio/vector_math.h"

namespace {
float Playable(float value) {
    if (!(value == value)) return 0.0f;
    return value > 1.0f ? 1.0f : value < -1.0f ? -1.0f : value;
}
}  // namespace

bool PreparedSound::Prepare(const WaveData& wave) {
    const size_t step = static_cast<size_t>(wave.layout.bytesPerSample);
    const size_t frameBytes = wave.layout.FrameBytes();
    return Build(wave.layout.channels, wave.frames, wave.layout.rate, [&](size_t frame, int channel) {
        return SampleValue(wave.layout.encoding, wave.samples + frame * frameBytes + static_cast<size_t>(channel) * step);
    });
}

bool PreparedSound::Prepare(const float* interleaved, int channels, size_t frames, uint32_t rate) {
    return Build(channels, frames, rate, [&](size_t frame, int channel) {
        return Playable(interleaved[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)]);
    });
}

template <class Source>
bool PreparedSound::Build(int channels, size_t frames, uint32_t rate, Source sample) {
    *this = PreparedSound();
    if (channels < 1 || channels > 2 || frames == 0) return false;
    const size_t lanes = static_cast<size_t>(channels) * 2;
    if (frames > std::numeric_limits<size_t>::max() / sizeof(float) / lanes - 2 * kPadding) return false;
    std::vector<float> storage;
    try {
        storage.assign((frames + 2 * kPadding) * lanes, 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    lanes_.swap(storage);
    channels_ = channels;
    frames_ = frames;
    rate_ = rate;

    // Half-band weights: the point half-way between frames i and i + 1 is the
    // sum over j of frame i + j times weights[j + 47].
    constexpr int kSide = kHalfBandKernel.halfWidth;
    float weights[2 * kSide];
    for (int j = -kSide + 1; j <= kSide; ++j)
        weights[j + kSide - 1] = static_cast<float>(KernelValue(kHalfBandKernel, j - 0.5));

    const int64_t count = static_cast<int64_t>(frames);
    for (int c = 0; c < channels; ++c) {
        float* samples = const_cast<float*>(Samples(c));
        for (size_t i = 0; i < frames; ++i) samples[i] = sample(i, c);
        float* midpoints = const_cast<float*>(Midpoints(c));
        // Only the points within the kernel's reach of a frame are not silence.
        for (int64_t i = -kSide; i < count + kSide - 1; ++i)
            midpoints[i] = Dot(weights, samples + i - kSide + 1, 2 * kSide);
    }
    return true;
}
