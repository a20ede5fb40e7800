// The numeric maps from a step's pitch, volume and pan to DirectSound's units.
// Pure functions, so the exact numbers users hear are testable anywhere.
#pragma once

#include <cstdint>

constexpr int kPitchMin = -60;
constexpr int kPitchMax = 67;
constexpr int kPitchTableSize = kPitchMax - kPitchMin + 1;  // 128
constexpr int kFrequencyMin = 100;      // DSBFREQUENCY_MIN
constexpr int kFrequencyMax = 100000;   // DSBFREQUENCY_MAX
constexpr long kAttenuationSilent = -10000;  // DSBVOLUME_MIN, hundredths of a dB
constexpr long kPanLeft = -10000;
constexpr long kPanRight = 10000;

// Frequencies in hertz for pitches -60..67, entry 0 (index 60) being 44100. Each
// entry comes from its neighbour by one semitone ratio, not from a power
// function, so the table holds exactly the values that chained doubles give.
struct PitchTable {
    double hz[kPitchTableSize];
    PitchTable();
    double At(int pitch) const;
};

// The playback frequency of a pitch: the table value truncated, then limited
// to what DirectSound accepts. Pitches beyond the table take its nearest end.
int PitchFrequency(const PitchTable& table, int pitch);

// The rate pitch 0 plays at, whatever a file's own rate, unless sounds play at
// their own rate.
constexpr uint32_t kPitchZeroRate = 44100;

// The playback frequency of a pitch for a sound recorded at `fileRate` Hz.
// Off: PitchFrequency. At their own rate: the table value scaled by
// fileRate / 44100, then truncated and limited alike, so pitch 0 plays a
// 48 kHz file at 48,000 Hz.
int StepFrequency(const PitchTable& table, int pitch, uint32_t fileRate, bool ownRate);

// The pitch a step sounds at: its own pitch transposed by the master pitch,
// kept within the table (a transposition past an end plays at that end).
int TransposedPitch(int stepPitch, int masterPitch);

// Attenuation for a step volume (0..127) at a master volume (percent): a fourth
// root curve, never positive, -10000 for silence.
long VolumeAttenuation(int volume, int masterVolume);

// Balance for a pan value (0..127, 64 = centre): -10000 left only, 10000 right only.
long PanBalance(int pan);
