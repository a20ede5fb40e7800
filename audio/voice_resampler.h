// A sound's frames read at a playback frequency and written at the output
// rate, as a voice plays them: frequency 44100 plays the frames as they are,
// higher frequencies play them faster and higher. Band-limited, so that a
// pitched sound brings no aliases (pitching up) and no images (pitching down)
// into the audible band.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kOutputRate = 44100;

// The frames of one sound, interleaved, full scale 1.0. Not owned.
struct SoundFrames {
    int channels = 0;  // 1 or 2
    const float* samples = nullptr;
    size_t frames = 0;
};

// Output frames a voice of `sourceFrames` frames lasts at `frequency` Hz: it
// ends when its read position passes the last frame.
int64_t PlayedFrameCount(size_t sourceFrames, int frequency);

// The first `count` output frames of `sound` played at `frequency` Hz
// (interleaved, the sound's own channel count). Output frame n reads the
// source at position n × frequency / 44100; beyond the source it is silence.
std::vector<float> ResampleVoice(const SoundFrames& sound, int frequency, int64_t count);
