// How a step's voice starts, from the step and the master values: the same
// maps the DirectSound engine sets its buffers with (frequency from the pitch
// table, attenuation and balance in hundredths of a decibel), turned into the
// renderer's gains. Shared by live playback and the export.
#pragma once

#include "audio/sound_maps.h"
#include "audio/voice_renderer.h"

// The gain of an attenuation in hundredths of a decibel: 10^(x / 2000), and
// silence at or below the engine's silent value.
float GainOfAttenuation(long hundredthsOfDb);

// The step's volume at the master volume, as a gain.
float VoiceLevel(int volume, int masterVolume);

// A step's values as the voice plays them.
struct StepSound {
    int sound = 0;
    int pitch = 0;
    int volume = 0;
    int pan = 64;
};

// The start of a voice for `step` at the master volume and pitch, for a sound
// recorded at `fileRate` (which counts only when sounds play at their own
// rate); a pan attenuates one side only. Silenced when muted.
VoiceStart StepVoiceStart(const PitchTable& table, const StepSound& step, int masterVolume, int masterPitch,
                          bool muted, uint32_t fileRate = kPitchZeroRate, bool ownRate = false);
