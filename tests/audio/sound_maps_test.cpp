#include "audio/sound_maps.h"

#include <gtest/gtest.h>

TEST(PitchMap, ChainedTableGivesTheFrequenciesPlayed) {
    const PitchTable table;
    EXPECT_EQ(PitchFrequency(table, 0), 44100);
    EXPECT_EQ(PitchFrequency(table, -60), 1378);
    // The chained table holds 22049.99..., which truncates.
    EXPECT_EQ(PitchFrequency(table, -12), 22049);
    EXPECT_EQ(PitchFrequency(table, 12), 88200);
    EXPECT_EQ(PitchFrequency(table, 14), 99001);
    EXPECT_EQ(PitchFrequency(table, 15), 100000);
    EXPECT_EQ(PitchFrequency(table, 67), 100000);
}

TEST(PitchMap, TableIsMonotonicAndPitchesBeyondItTakeItsEnds) {
    const PitchTable table;
    for (int p = kPitchMin + 1; p <= kPitchMax; ++p) EXPECT_GT(table.At(p), table.At(p - 1)) << p;
    EXPECT_EQ(PitchFrequency(table, -200), PitchFrequency(table, -60));
    EXPECT_EQ(PitchFrequency(table, 32767), kFrequencyMax);
    // The master pitch transposes within the table; stored values near the
    // int16 limits must not overflow on the way.
    EXPECT_EQ(TransposedPitch(5, -12), -7);
    EXPECT_EQ(TransposedPitch(-50, -59), kPitchMin);
    EXPECT_EQ(TransposedPitch(60, 67), kPitchMax);
    EXPECT_EQ(TransposedPitch(32767, 32767), kPitchMax);
    EXPECT_EQ(TransposedPitch(-32768, -32768), kPitchMin);
}

TEST(VolumeMap, DefaultsFullAndSilence) {
    EXPECT_EQ(VolumeAttenuation(110, 80), -876);
    EXPECT_EQ(VolumeAttenuation(127, 100), 0);
    EXPECT_EQ(VolumeAttenuation(0, 80), kAttenuationSilent);
    EXPECT_EQ(VolumeAttenuation(127, 0), kAttenuationSilent);
}

TEST(VolumeMap, NeverPositiveAndNeverBelowSilence) {
    for (int master : {101, 150, 1000, 32767}) EXPECT_EQ(VolumeAttenuation(127, master), 0) << master;
    EXPECT_EQ(VolumeAttenuation(-5, 80), kAttenuationSilent);
    for (int v = 0; v <= 127; ++v) {
        const long a = VolumeAttenuation(v, 80);
        EXPECT_LE(a, 0);
        EXPECT_GE(a, kAttenuationSilent);
        if (v > 0) {
            EXPECT_GE(a, VolumeAttenuation(v - 1, 80)) << "louder steps never attenuate more";
        }
    }
}

TEST(PanMap, KnownPositions) {
    EXPECT_EQ(PanBalance(0), -10000);
    EXPECT_EQ(PanBalance(32), -2858);
    EXPECT_EQ(PanBalance(63), 0);
    EXPECT_EQ(PanBalance(64), 0);
    EXPECT_EQ(PanBalance(65), 100);
    EXPECT_EQ(PanBalance(96), 3000);
    EXPECT_EQ(PanBalance(127), 10000);
}

TEST(PanMap, OutOfRangeValuesStayHardLeftOrRight) {
    EXPECT_EQ(PanBalance(-300), kPanLeft);
    EXPECT_EQ(PanBalance(500), kPanRight);
}
