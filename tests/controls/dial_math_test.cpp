// Arrow steps, bar geometry and the tempo dial's numbers.
#include "controls/dial_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

TEST(StepDialValue, CtrlMultipliesAndTheSumIsClamped) {
    EXPECT_EQ(StepDialValue(50, +1, false, 10, 0, 100), 51);
    EXPECT_EQ(StepDialValue(50, +1, true, 10, 0, 100), 60);
    EXPECT_EQ(StepDialValue(95, +1, true, 10, 0, 100), 100);
    EXPECT_EQ(StepDialValue(0, -1, false, 10, 0, 100), 0);
    EXPECT_EQ(StepDialValue(-50, -1, true, 12, -59, 67), -59);
    // The count is a signed 16-bit number: 65535 is -1.
    EXPECT_EQ(StepDialValue(10, 65535, false, 10, 0, 100), 9);
    // Huge multipliers neither overflow nor escape the range.
    EXPECT_EQ(StepDialValue(INT_MAX - 1, 1, true, INT_MAX, INT_MIN, INT_MAX), INT_MAX);
    // An empty range holds its one value; min wins over an inverted range.
    EXPECT_EQ(StepDialValue(5, 1, false, 1, 5, 5), 5);
    EXPECT_EQ(ClampToRange(7, 10, 0), 10);
}

TEST(DisplayOffset, AddedForShowingAndSubtractedWhenRead) {
    EXPECT_EQ(ShownFromValue(0, 1), 1);
    EXPECT_EQ(ValueFromShown(5, 1), 4);
    EXPECT_EQ(ValueFromShown(INT_MIN, 1), INT_MIN);
    EXPECT_EQ(ShownFromValue(INT_MAX, 1), INT_MAX);
}

TEST(BarValueAt, FollowsThePointAndHoldsTheEndsBeyondThem) {
    // Volume: 0..100 over 135 pixels.
    EXPECT_EQ(BarValueAt(-1, 135, 0, 100), 0);
    EXPECT_EQ(BarValueAt(0, 135, 0, 100), 0);
    EXPECT_EQ(BarValueAt(67, 135, 0, 100), 49);  // 49.6 truncated
    EXPECT_EQ(BarValueAt(135, 135, 0, 100), 100);
    EXPECT_EQ(BarValueAt(500, 135, 0, 100), 100);
    // Pitch, -59..67: the product is truncated before min is added, so a
    // point just below the middle of the range rounds down, not toward 0.
    EXPECT_EQ(BarValueAt(63, 135, -59, 67), -1);  // 58.8 -> 58, - 59
    EXPECT_EQ(BarValueAt(64, 135, -59, 67), 0);   // 59.73 -> 59, - 59
    // An empty range or a bar without pixels gives min, never a division by zero.
    EXPECT_EQ(BarValueAt(3, 10, 4, 4), 4);
    EXPECT_EQ(BarValueAt(0, 0, 4, 9), 4);
    EXPECT_EQ(BarValueAt(1, 0, 4, 9), 9);
}

TEST(BarFilledLength, ProportionTruncatedToSixteenBits) {
    EXPECT_EQ(BarFilledLength(100, 0, 127, 115), 90);  // 90.55
    EXPECT_EQ(BarFilledLength(127, 0, 127, 115), 115);
    EXPECT_EQ(BarFilledLength(0, -59, 67, 135), 63);  // 63.21
    EXPECT_EQ(BarFilledLength(-59, -59, 67, 135), 0);
    // Empty range: an empty bar.
    EXPECT_EQ(BarFilledLength(4, 4, 4, 100), 0);
    EXPECT_EQ(BarFilledLength(9, 4, 4, 100), 0);
    // Values beyond the range reach beyond the bar, wrapped as 16 bits.
    EXPECT_EQ(BarFilledLength(200, 0, 100, 50), 100);
    EXPECT_EQ(BarFilledLength(1000, 0, 1, 100), 100000 - 65536 * 2);
    EXPECT_EQ(TruncateToInt16(1e12), 0);
    EXPECT_EQ(TruncateToInt16(NAN), 0);
    EXPECT_EQ(TruncateToInt16(-1.9), -1);
}

TEST(StepTempo, SemitoneOrOctaveWithinTheLimits) {
    EXPECT_DOUBLE_EQ(StepTempo(126.0, +1, false), 126.0 * 1.0594630943592953);
    EXPECT_DOUBLE_EQ(StepTempo(126.0, -1, false), 126.0 / 1.0594630943592953);
    EXPECT_EQ(StepTempo(126.0, +1, true), 252.0);
    EXPECT_EQ(StepTempo(0.7, -1, true), 0.5);
    EXPECT_EQ(StepTempo(9e6, +1, true), 1e7);
    EXPECT_EQ(StepTempo(126.0, 2, false), 126.0);
    EXPECT_EQ(StepTempo(126.0, 65535, true), 63.0);  // 16-bit -1
    // A tempo that is no number, or typed as 0, is taken back to 0.5.
    EXPECT_EQ(StepTempo(NAN, 0, false), 0.5);
    EXPECT_EQ(StepTempo(0.0, +1, false), 0.5);
    EXPECT_EQ(StepTempo(INFINITY, -1, false), 1e7);
}

TEST(TempoDisplayText, TwelveSemitonesMakeAnOctave) {
    double tempo = 126.0;
    tempo = StepTempo(tempo, +1, false);
    EXPECT_EQ(TempoDisplayText(tempo, 0), "133.492");
    for (int i = 1; i < 12; ++i) tempo = StepTempo(tempo, +1, false);
    EXPECT_NE(tempo, 252.0);  // not exactly in double...
    EXPECT_EQ(TempoDisplayText(tempo, 0), "252");  // ...but whole in single precision
}

TEST(TempoDisplayText, DerivedUnitAndBack) {
    EXPECT_EQ(TempoDisplayText(126.0, 1), "42000");
    EXPECT_EQ(TempoDisplayText(126.0, 2), "126");  // only 1 selects the derived unit
    EXPECT_EQ(TempoFromTyped(44100.0f, 1), 120.0f);
    EXPECT_EQ(TempoFromTyped(44100.0f, 0), 44100.0f);
    EXPECT_EQ(TempoFromTyped(0.0f, 1), INFINITY);
    EXPECT_EQ(TempoDisplayText(0.0, 1), "inf");
    EXPECT_EQ(TempoDisplayText(INFINITY, 1), "0");
}
