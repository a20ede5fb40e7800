#include "model/setup.h"

#include <algorithm>

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
  int16_t values[kStepCount][6];
  for (auto& stepValues : values) {
    for (int16_t& v : stepValues) {
      if (!in.GetI16(v)) return false;
    }
  }
  for (int j = 0; j < kStepCount; ++j) {
    steps[j].on = values[j][0];
    steps[j].pitch = values[j][1];
    steps[j].sound = values[j][2];
    steps[j].volume = values[j][3];
    steps[j].pan = values[j][4];
    steps[j].aux = values[j][5];
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
