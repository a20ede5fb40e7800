// Mixes the steps' voices into 44.1 kHz stereo, for live playback and for the
// export alike: one voice per step of the playable measures, each reading its
// sound as it goes at its own frequency, scaled by its level and pan. What a
// voice does is what a step's sound buffer does: a start restarts it from the
// beginning, a stop ends it, it ends by itself when its read position passes
// the last frame, and while it is silenced (muted) it runs on unheard.
//
// Platform-free and single-threaded: the owner applies each change at the
// frame it belongs to and renders the frames between. Render never allocates
// when the speed-up banks were all made beforehand.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/output_format.h"
#include "audio/prepared_sound.h"
#include "audio/resampling_kernels.h"

// How a voice starts.
struct VoiceStart {
    int sound = -1;           // index into the renderer's sounds; none plays nothing
    int frequency = kOutputRate;  // Hz its frames are read at
    float level = 1.0f;       // the step's volume at the master volume, as a gain
    float panLeft = 1.0f;     // the pan's gains: one side only is ever below 1
    float panRight = 1.0f;
    bool silenced = false;    // started while muted
};

// Output frames a voice of `sourceFrames` frames lasts at `frequency` Hz: it
// ends when its read position passes the last frame.
int64_t PlayedFrameCount(size_t sourceFrames, int frequency);

class VoiceRenderer {
public:
    static constexpr int kVoices = 128;

    // `speedUp` serves the voices faster than the output rate; it outlives
    // the renderer.
    explicit VoiceRenderer(SpeedUpBanks& speedUp);

    // The sounds that voices play (not owned; they outlive their use here).
    // Every voice stops.
    void SetSounds(const PreparedSound* sounds, size_t count);

    void Start(int voice, const VoiceStart& start);
    void Stop(int voice);
    void StopAll();
    // Every sounding voice goes silent and runs on.
    void SilenceAll();
    // A sounding voice's level anew: heard again, unless it stays silenced.
    void SetLevel(int voice, float level, bool silenced = false);
    // A sounding voice reads on from where it is at another frequency.
    void Retune(int voice, int frequency);

    bool IsSounding(int voice) const;
    int SoundingCount() const;

    // Writes the next `frames` frames (left, right interleaved) of every
    // sounding voice, added together, into `out`.
    void Render(float* out, size_t frames);
    // Moves every sounding voice on by `frames` without rendering them.
    void Skip(int64_t frames);
    // Frames until the last sounding voice ends by itself.
    int64_t FramesUntilSilent() const;

private:
    struct Voice {
        const PreparedSound* sound = nullptr;  // none: not sounding
        int frequency = kOutputRate;
        int64_t whole = 0;  // read position: whole + remainder / 44100 frames
        int32_t remainder = 0;
        float level = 0.0f, panLeft = 0.0f, panRight = 0.0f;
        bool silenced = false;
    };

    bool Valid(int voice) const { return voice >= 0 && voice < kVoices; }
    // Renders frames of one voice into `out`, added; returns false once it has ended.
    bool RenderVoice(Voice& voice, float* out, size_t frames);
    // Moves a voice on by `frames` without rendering them.
    static void Advance(Voice& voice, int64_t frames);
    static int64_t FramesLeft(const Voice& voice);
    static void CopyAtOutputRate(Voice& voice, float left, float right, float* out, size_t frames);
    void ReadDense(Voice& voice, float left, float right, float* out, size_t frames);
    void ReadSpedUp(Voice& voice, float left, float right, float* out, size_t frames);

    SpeedUpBanks& speedUp_;
    const PreparedSound* sounds_ = nullptr;
    size_t soundCount_ = 0;
    Voice voices_[kVoices];
};
