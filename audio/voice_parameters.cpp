#include "audio/voice_parameters.h"

#include <cmath>

float GainOfAttenuation(long hundredthsOfDb) {
    if (hundredthsOfDb <= kAttenuationSilent) return 0.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(hundredthsOfDb) / 2000.0));
}

float VoiceLevel(int volume, int masterVolume) { return GainOfAttenuation(VolumeAttenuation(volume, masterVolume)); }

VoiceStart StepVoiceStart(const PitchTable& table, const StepSound& step, int masterVolume, int masterPitch,
                          bool muted, uint32_t fileRate, bool ownRate) {
    VoiceStart start;
    start.sound = step.sound;
    start.frequency = StepFrequency(table, TransposedPitch(step.pitch, masterPitch), fileRate, ownRate);
    start.level = VoiceLevel(step.volume, masterVolume);
    const long pan = PanBalance(step.pan);
    start.panLeft = pan > 0 ? GainOfAttenuation(-pan) : 1.0f;
    start.panRight = pan < 0 ? GainOfAttenuation(pan) : 1.0f;
    start.silenced = muted;
    return start;
}
