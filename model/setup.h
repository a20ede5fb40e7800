#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/relaxed.h"
#include "model/step.h"

// The document: eight playable measures plus the copy and undo buffers, the
// tempo and global switches, the sound directory and list, and the state the
// editor and the sequencer share. Exactly one exists per running instance; it
// is never copied or reallocated, and loading a file overwrites it in place.
//
// Fields the playback timer thread or the sound engine touches are Relaxed;
// the rest belong to the interface thread.
class Setup {
 public:
  static constexpr int kMeasureCount = 10;
  static constexpr int kPlayableMeasures = 8;
  static constexpr int kStepsPerMeasure = Measure::kStepCount;
  static constexpr int kCopyBufferMeasure = 8;
  static constexpr int kUndoBufferMeasure = 9;

  Setup();
  Setup(const Setup&) = delete;
  Setup& operator=(const Setup&) = delete;

  // The Step at (measure 0..9, step 0..15). Out-of-range indices are clamped
  // to the nearest record so no caller can reach outside the arrays.
  Step& StepAddress(int measure, int step);
  const Step& StepAddress(int measure, int step) const;

  Relaxed<int32_t> stepsPerMeasure{16};

  // Play state.
  Relaxed<int16_t> stepIndex{0};
  int32_t headerWord1 = 0;  // kept in setup files and otherwise unused
  int16_t headerWord2 = 1;  // likewise

  void* owner = nullptr;  // the main window; set when the editor attaches
  std::string caption;
  std::string filePath;
  float fileVersion = 0.0f;  // 0 until a file has been read
  int16_t tempoUnit = 0;     // 0 beats per minute, 1 samples per measure
  Relaxed<double> tempo{126.0};
  Relaxed<int16_t> editMeasure{0};
  int16_t undoMeasure = -1;  // -1: the undo buffer holds nothing
  Relaxed<int16_t> playMeasure{0};
  Relaxed<int32_t> muted{0};
  Relaxed<int32_t> polyphonic{0};
  Measure measures[kMeasureCount];

  // Undo snapshot: the global values saved with the undo buffer.
  int32_t undoMasterVolume = 80;
  int32_t undoMasterPitch = 0;
  int32_t undoMuted = 0;
  double undoTempo = 126.0;

  uint8_t modified = 0;
  int16_t linkMaster = 0;
  Relaxed<int16_t> repeatCounter{0};
  Relaxed<int16_t> masterVolume{80};
  Relaxed<int16_t> masterPitch{0};  // transposes every step the engine sounds
  std::string soundDirTitle;
  std::string soundDir;
  uint8_t quickFade = 0;
  Relaxed<uint8_t> highResTimer{1};
  std::vector<std::string> soundNames;

  // Kept in a setup file's trailer; off, the file is written as without them.
  // Swing in tenths of a percent (kSwingOff..kSwingMax, model/value_ranges.h):
  // each odd step of a measure, counting from 0, sounds (swing - 500) / 500 of
  // a step late.
  Relaxed<int16_t> swing{500};
  // 1: a sound plays at its file's own rate at pitch 0 rather than at 44,100 Hz.
  Relaxed<uint8_t> ownRate{0};
};
