#include "model/value_ranges.h"

#include <algorithm>

int16_t Int16InRange(int16_t value, int low, int high) {
  return static_cast<int16_t>(std::clamp<int>(value, low, high));
}

StepValues StepValuesInRange(StepValues v) {
  v.on = v.on != 0 ? 1 : 0;
  v.pitch = Int16InRange(v.pitch, kStepPitchMin, kStepPitchMax);
  v.sound = Int16InRange(v.sound, 0, kSoundIndexMax);
  v.volume = Int16InRange(v.volume, 0, kStepLevelMax);
  v.pan = Int16InRange(v.pan, 0, kStepLevelMax);
  v.aux = Int16InRange(v.aux, 0, kStepLevelMax);
  return v;
}
