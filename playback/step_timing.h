// The arithmetic of playback time: step lengths and where a reading comes from.
#pragma once

#include <cstdint>

// Milliseconds of one step (a sixteenth note) at `tempo` beats per minute:
// 15,000 / tempo, computed with the single-precision constants 1000 and
// 1/15 in extended precision. Not a usable length (zero, negative, infinite or
// NaN) for tempos that are not positive finite numbers.
double StepIntervalMs(double tempo);

// Whether a step length can drive playback: positive and finite.
bool IsUsableInterval(double intervalMs);

// The playback timer's period: it sounds at most one step per tick.
constexpr double kTickPeriodMs = 1.0;

// When a step sounds that falls due at `nominalMs`, after one that sounded at
// `previousMs`: on time, unless that is less than one timer tick after it.
// Above 15,000 BPM steps come once per tick, in playback as in the export.
double StepSoundsAtMs(double nominalMs, double previousMs);
// How much later than its place on the grid a step sounds under `swing`
// (tenths of a percent, 500 straight, 750 the most): (swing - 500) / 500 of
// a step for the odd steps of a measure counting from 0 (the 2nd, 4th, ...),
// none for the others. Exactly 0 when there is no delay, whatever the
// interval, so straight time keeps its arithmetic.
double SwingDelayMs(int stepIndex, int swing, double intervalMs);

// Where a millisecond reading comes from. The time-stamp counter needs a
// calibrated rate and the performance counter a frequency of at least 1000
// per second (it is divided by frequency / 1000); otherwise the next source
// serves, so no reading ever divides by zero.
enum class TimeSource { TimeStampCounter, PerformanceCounter, MultimediaTime };
TimeSource ChooseTimeSource(bool tscAvailable, bool useTsc, int64_t ticksPerMs, int64_t counterFrequency);
