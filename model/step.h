#pragma once

#include <cstdint>

#include "model/byte_io.h"
#include "model/relaxed.h"

// The Windows sound engine keeps each step's voice as a DirectSound buffer;
// the model only holds the pointer and never calls through it.
struct IDirectSoundBuffer;

// Kind codes of the six editable step values, as the control identifiers and
// the generic accessors use them.
enum StepKind {
  KIND_ON = 10,
  KIND_PITCH = 20,
  KIND_SOUND = 30,
  KIND_VOLUME = 40,
  KIND_PAN = 50,
  KIND_AUX = 60,
};

// One sample slot. The timer thread reads the values and the sound engine owns
// the voice binding while the interface thread edits, hence Relaxed.
//
// Not copyable: a copied voice pointer would be released twice. Step values
// are copied with CopyStepValues, which drops the target's binding.
struct Step {
  Step() = default;
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

  Relaxed<int16_t> on{1};
  Relaxed<int16_t> pitch{0};
  Relaxed<int16_t> sound{0};
  Relaxed<int16_t> volume{100};
  Relaxed<int16_t> pan{64};
  Relaxed<int16_t> aux{30};

  // Voice binding: created and released by the sound engine alone.
  Relaxed<IDirectSoundBuffer*> voice{nullptr};
  Relaxed<uint32_t> voiceWord1{0};
  Relaxed<uint32_t> voiceWord2{0};
  Relaxed<uint8_t> voiceReady{0};

  // Forgets the voice without releasing it; the engine has released it or
  // still holds it elsewhere.
  void ClearVoiceBinding();
};

// Value of the field of that kind; `on` reads as 0 or 1, an unknown kind as 0.
int GetStepValue(const Step& step, int kind);
// Stores into the field of that kind (`on` becomes 0 or 1); an unknown kind
// changes nothing. The voice binding is left alone: whoever changes `sound`
// asks the sound engine to re-bind.
void SetStepValue(Step& step, int kind, int value);
// Copies the six values and clears the target's voice binding. Copying a step
// onto itself does nothing, so its voice stays bound.
void CopyStepValues(Step& target, const Step& source);
// Copies the six values and leaves the target's voice binding alone: for a
// playable step whose voice the sound engine re-binds right after, so the old
// voice is released rather than forgotten.
void AssignStepValues(Step& target, const Step& source);

// One pattern of sixteen steps and its place in the chain.
struct Measure {
  static constexpr int kStepCount = 16;
  // Bytes of the measure stream: six int16 per step.
  static constexpr size_t kStreamSize = kStepCount * 6 * 2;

  Measure() = default;
  Measure(const Measure&) = delete;
  Measure& operator=(const Measure&) = delete;

  int16_t GetNextMeasure() const { return nextMeasure; }
  void SetNextMeasure(int16_t measure) { nextMeasure = measure; }
  int16_t GetRepeatCount() const { return repeatCount; }
  void SetRepeatCount(int16_t count) { repeatCount = count; }

  // The clipboard's measure stream: for steps 0..15 the six values as int16
  // little-endian, `on` first; no header and no chain fields. Loading needs
  // all 192 bytes and otherwise fails without changing anything; it brings
  // the values into their ranges (model/value_ranges.h) and keeps the voice
  // bindings.
  bool SerializeMeasureSteps(ByteArchive& archive);

  Step steps[kStepCount];
  Relaxed<int16_t> nextMeasure{0};
  Relaxed<int16_t> repeatCount{1};
};
