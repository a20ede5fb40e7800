#include "audio/sound_maps.h"

#include <cmath>

namespace {
constexpr int kZeroIndex = -kPitchMin;
constexpr double kSemitoneUp = 1.0594630943592953;
constexpr double kSemitoneDown = 0.9438743126816934;

int ClampPitch(int pitch) { return pitch < kPitchMin ? kPitchMin : pitch > kPitchMax ? kPitchMax : pitch; }
}  // namespace

PitchTable::PitchTable() {
    hz[kZeroIndex] = 44100.0;
    for (int p = 1; p <= kPitchMax; ++p) hz[kZeroIndex + p] = hz[kZeroIndex + p - 1] * kSemitoneUp;
    for (int p = -1; p >= kPitchMin; --p) hz[kZeroIndex + p] = hz[kZeroIndex + p + 1] * kSemitoneDown;
}

double PitchTable::At(int pitch) const { return hz[kZeroIndex + ClampPitch(pitch)]; }

namespace {
int PlayableFrequency(double hz) {
    hz = std::trunc(hz);
    if (hz < kFrequencyMin) return kFrequencyMin;
    if (hz > kFrequencyMax) return kFrequencyMax;
    return static_cast<int>(hz);
}
}  // namespace

int PitchFrequency(const PitchTable& table, int pitch) { return PlayableFrequency(table.At(pitch)); }

int StepFrequency(const PitchTable& table, int pitch, uint32_t fileRate, bool ownRate) {
    if (!ownRate) return PitchFrequency(table, pitch);
    return PlayableFrequency(table.At(pitch) * fileRate / kPitchZeroRate);
}

int TransposedPitch(int stepPitch, int masterPitch) { return ClampPitch(stepPitch + masterPitch); }

long VolumeAttenuation(int volume, int masterVolume) {
    const double r = volume * (1.0 / 127) * 100 * (masterVolume * 0.01);
    // A negative or zero level has no root to take: it is silence.
    if (!(r > 0)) return kAttenuationSilent;
    const double a = std::sqrt(std::sqrt(r) * 10) * 10;
    double x = (100 - a) * -100;
    if (x > 0) x = 0;
    if (x < kAttenuationSilent) x = kAttenuationSilent;
    return static_cast<long>(x);
}

long PanBalance(int pan) {
    const int b = std::abs(static_cast<int>(pan * (1.0 / 127) * 200 - 100));
    // Values outside 0..127 would take the root of a negative number: they are
    // hard left or right.
    double x = b >= 100 ? 10000.0 : (100 - std::sqrt(100.0 - b) * 10) * 100;
    if (pan < 64) x = -x;
    if (x < kPanLeft) x = kPanLeft;
    if (x > kPanRight) x = kPanRight;
    return static_cast<long>(x);
}
