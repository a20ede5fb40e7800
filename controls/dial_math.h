// The arithmetic of bars, dials and the tempo dial, apart from any window.
#pragma once

#include <cstdint>
#include <string>

// Above max gives max, then below min gives min (so min wins when min > max).
int ClampToRange(std::int64_t v, int min, int max);

// An arrow click: count is taken as a signed 16-bit number and multiplied
// while Ctrl is down; the sum is clamped.
int StepDialValue(int value, int count, bool ctrlDown, int multiplier, int min, int max);

// A display number and back: value plus offset, typed number minus offset,
// saturated at the ends of int.
int ShownFromValue(int value, int displayOffset);
int ValueFromShown(int shown, int displayOffset);

// How many pixels of a bar of `length` pixels are filled at `value`. The
// quotient is truncated to int and then to 16 bits. An empty range
// (min == max) shows an empty bar instead of dividing by zero.
int BarFilledLength(int value, int min, int max, int length);

// The value at a point `offset` pixels from the bar's empty end (left edge,
// or bottom edge of a vertical bar): before that end min, beyond the full end
// max, otherwise offset / length of the range plus min, the product truncated
// toward zero. A bar without pixels (length 0) gives min at its one point.
int BarValueAt(int offset, int length, int min, int max);

// Conversion of a double to int the way the x86 does it (out of range and NaN
// give 0x80000000), then to its low 16 bits.
int TruncateToInt16(double x);

// The tempo dial.
constexpr double kSemitoneRatio = 1.0594630943592953;  // twelfth root of 2
constexpr double kOctaveRatio = 2.0;
constexpr double kTempoMax = 10000000.0;
constexpr double kTempoMin = 0.5;
constexpr double kDerivedPerTempo = 5292000.0;  // 44,100 samples x 120

// One arrow click: +1 multiplies by the ratio, -1 divides, other counts keep
// the tempo; the result is kept within [0.5, 10,000,000] (NaN gives 0.5).
double StepTempo(double tempo, int count, bool ctrlDown);

// The text shown for a tempo: the tempo itself, or with showDerived 1 the
// derived quantity 5,292,000 / tempo, both in single precision.
std::string TempoDisplayText(double tempo, int showDerived);

// A number typed into the tempo field back to a tempo (no clamping; 0 in the
// derived unit gives an infinite tempo).
float TempoFromTyped(float typed, int showDerived);

// Whether a tempo lies within [0.5, 10,000,000]: false for NaN and infinity.
bool TempoWithinLimits(double tempo);
