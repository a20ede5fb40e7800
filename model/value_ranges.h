// The ranges of the values a Setup holds: exactly the values the program
// itself can give them (the editor, the chain popup, the sound menu,
// Randomize). What comes from outside, a setup file or a measure on the
// clipboard, is brought into these ranges before anything uses it; a value
// inside them is never changed, so whatever the program stores reads back
// as it was.
#pragma once

#include <cstdint>

// A step's pitch: -59..67 in the editor, down to -60 from Randomize.
constexpr int kStepPitchMin = -60;
constexpr int kStepPitchMax = 67;
// A step's sound indexes the sound list, which has no size limit, and the
// sound menu and Randomize give any index of it; the step keeps it in 16
// bits, so 0..32767. An index beyond the loaded list is kept: the step is
// silent until a list that long is loaded.
constexpr int kSoundIndexMax = 32767;
// Volume, pan and aux.
constexpr int kStepLevelMax = 127;

constexpr int kRepeatCountMin = 1;
constexpr int kRepeatCountMax = 32;
constexpr int kMasterVolumeMax = 100;
constexpr int kMasterPitchMin = -59;
constexpr int kMasterPitchMax = 67;
// Swing in tenths of a percent: 500 is straight time, 750 delays the odd
// steps by half a step; a file may hold any value between.
constexpr int kSwingOff = 500;
constexpr int kSwingMax = 750;

// The six editable values of one step, in the order of the step kinds.
struct StepValues {
  int16_t on, pitch, sound, volume, pan, aux;
};

// `on` becomes 0 or 1; every other value goes to the nearer end of its range.
StepValues StepValuesInRange(StepValues values);

// A value within [low, high]: the nearer end when outside.
int16_t Int16InRange(int16_t value, int low, int high);
