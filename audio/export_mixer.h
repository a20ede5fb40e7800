// Mixes the voices of an export into 44.1 kHz stereo, block by block: each
// voice starts on its exact output frame, plays its sound at its frequency,
// scaled by its two channel gains, until the sound ends or the voice is cut.
// Platform-free; no clock and no sound device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "audio/voice_resampler.h"

// One triggered voice.
struct MixVoice {
    static constexpr int64_t kNoCut = std::numeric_limits<int64_t>::max();
    int64_t onset = 0;            // output frame of its first frame
    int64_t cut = kNoCut;         // output frame at which it is stopped
    int sound = 0;                // index into the mixer's sounds
    int frequency = kOutputRate;  // Hz its frames are read at
    float gainLeft = 1.0f;        // a mono sound feeds both channels
    float gainRight = 1.0f;
};

class ExportMixer {
public:
    // The output lasts `minimumFrames`, or longer until the last voice ends.
    // Voices of a sound index outside `sounds` are silent.
    ExportMixer(std::vector<SoundFrames> sounds, std::vector<MixVoice> voices, int64_t minimumFrames);

    int64_t TotalFrames() const { return total_; }
    int64_t Position() const { return position_; }

    // Mixes the next frames (left, right interleaved) into `out`: at most
    // `frames`, fewer at the end; returns how many were written.
    size_t Mix(float* out, size_t frames);

private:
    // One sound resampled to one frequency, shared by all voices that play it
    // and dropped when the last of them has ended.
    struct Rendition {
        int sound = 0;
        int frequency = 0;
        int64_t needed = 0;  // the longest any of its voices plays
        int voicesLeft = 0;
        std::vector<float> frames;
        bool made = false;
    };
    struct Scheduled {
        MixVoice voice;
        int64_t end = 0;  // first frame it no longer plays
        size_t rendition = 0;
    };

    std::vector<SoundFrames> sounds_;
    std::vector<Scheduled> voices_;
    std::vector<Rendition> renditions_;
    std::vector<size_t> active_;
    size_t nextVoice_ = 0;
    int64_t total_ = 0;
    int64_t position_ = 0;
};
