#include "model/setup.h"

#include <algorithm>

#include "model/value_ranges.h"

void Step::ClearVoiceBinding() {
  voice = nullptr;
  voiceWord1 = 0;
  voiceWord2 = 0;
  voiceReady = 0;
}

int GetStepValue(const Step& step, int kind) {
  switch (kind) {
    case KIND_ON: return step.on != 0 ? 1 : 0;
    case KIND_PITCH: return step.pitch;
    case KIND_SOUND: return step.sound;
    case KIND_VOLUME: return step.volume;
    case KIND_PAN: return step.pan;
    case KIND_AUX: return step.aux;
    default: return 0;
  }
}

void SetStepValue(Step& step, int kind, int value) {
  const int16_t v = static_cast<int16_t>(value);
  switch (kind) {
    case KIND_ON: step.on = static_cast<int16_t>(value != 0 ? 1 : 0); break;
    case KIND_PITCH: step.pitch = v; break;
    case KIND_SOUND: step.sound = v; break;
    case KIND_VOLUME: step.volume = v; break;
    case KIND_PAN: step.pan = v; break;
    case KIND_AUX: step.aux = v; break;
    default: break;
  }
}

void AssignStepValues(Step& target, const Step& source) {
  target.on = source.on;
  target.pitch = source.pitch;
  target.sound = source.sound;
  target.volume = source.volume;
  target.pan = source.pan;
  target.aux = source.aux;
}

void CopyStepValues(Step& target, const Step& source) {
  if (&target == &source) return;
  AssignStepValues(target, source);
  target.ClearVoiceBinding();
}

bool Measure::SerializeMeasureSteps(ByteArchive& archive) {
  if (archive.IsStoring()) {
    ByteWriter& out = archive.Writer();
    for (const Step& s : steps) {
      out.PutI16(s.on);
      out.PutI16(s.pitch);
      out.PutI16(s.sound);
      out.PutI16(s.volume);
      out.PutI16(s.pan);
      out.PutI16(s.aux);
    }
    return true;
  }

  // Read everything first so that a short stream changes nothing.
  ByteReader& in = archive.Reader();
  if (in.Remaining() < kStreamSize) return false;
  StepValues values[kStepCount];
  for (StepValues& v : values) {
    if (!in.GetI16(v.on) || !in.GetI16(v.pitch) || !in.GetI16(v.sound) || !in.GetI16(v.volume) ||
        !in.GetI16(v.pan) || !in.GetI16(v.aux)) {
      return false;
    }
  }
  // Any program can put a block under our name: its values are brought into
  // the ranges a setup file's are, so a foreign block cannot store what no
  // control of ours could.
  for (int j = 0; j < kStepCount; ++j) {
    const StepValues v = StepValuesInRange(values[j]);
    steps[j].on = v.on;
    steps[j].pitch = v.pitch;
    steps[j].sound = v.sound;
    steps[j].volume = v.volume;
    steps[j].pan = v.pan;
    steps[j].aux = v.aux;
  }
  return true;
}

Setup::Setup() {
  // Measures 0..7 start chained to themselves with sounds 0..15 in order; the
  // copy and undo buffers keep the construction defaults.
  for (int i = 0; i < kPlayableMeasures; ++i) {
    Measure& m = measures[i];
    m.nextMeasure = static_cast<int16_t>(i);
    m.repeatCount = 1;
    for (int j = 0; j < kStepsPerMeasure; ++j) {
      Step& s = m.steps[j];
      s.pitch = 0;
      s.sound = static_cast<int16_t>(j);
      s.volume = 110;
      s.pan = 64;
      s.aux = 64;
    }
  }
}

Step& Setup::StepAddress(int measure, int step) {
  measure = std::clamp(measure, 0, kMeasureCount - 1);
  step = std::clamp(step, 0, kStepsPerMeasure - 1);
  return measures[measure].steps[step];
}

const Step& Setup::StepAddress(int measure, int step) const {
  return const_cast<Setup*>(this)->StepAddress(measure, step);
}
