#include "audio/voice_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/sound_maps.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Sine(double hz, size_t frames, double amplitude) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i) out[i] = static_cast<float>(amplitude * std::sin(2 * kPi * hz * i / 44100.0));
    return out;
}

// Power of what is left of `x` over [begin, end) once the best-fitting sine
// of `radians` per frame is taken out (a least-squares fit, i.e. the exact
// bin of a Goertzel filter); the whole power when `radians` is none.
double ResidualPower(const std::vector<float>& x, size_t begin, size_t end, double radians) {
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    if (radians > 0) {
        for (size_t n = begin; n < end; ++n) {
            const double c = std::cos(radians * n), s = std::sin(radians * n);
            cc += c * c, ss += s * s, cs += c * s, yc += x[n] * c, ys += x[n] * s;
        }
    }
    const double det = cc * ss - cs * cs;
    const double a = det != 0 ? (yc * ss - ys * cs) / det : 0;
    const double b = det != 0 ? (ys * cc - yc * cs) / det : 0;
    double power = 0;
    for (size_t n = begin; n < end; ++n) {
        const double r = x[n] - (radians > 0 ? a * std::cos(radians * n) + b * std::sin(radians * n) : 0.0);
        power += r * r;
    }
    return power / static_cast<double>(end - begin);
}

TEST(VoiceResampler, PitchedSinesBringNoAliasesOrImagesAboveMinus60Db) {
    const PitchTable table;
    constexpr size_t kFrames = 8192;
    constexpr double kAmplitude = 0.5;
    const double reference = kAmplitude * kAmplitude / 2;
    for (double hz : {150.0, 1000.0, 4100.0, 9000.0, 15000.0, 19500.0}) {
        const std::vector<float> sine = Sine(hz, kFrames, kAmplitude);
        const SoundFrames sound{1, sine.data(), sine.size()};
        for (int pitch = -24; pitch <= 24; ++pitch) {
            const int frequency = PitchFrequency(table, pitch);
            const int64_t count = PlayedFrameCount(kFrames, frequency);
            const std::vector<float> out = ResampleVoice(sound, frequency, count);
            ASSERT_EQ(out.size(), static_cast<size_t>(count));
            const double played = hz * frequency / 44100.0;  // Hz at the output
            // Above the output's Nyquist frequency a tone must vanish, not fold back.
            const double radians = played < 22050.0 ? 2 * kPi * played / 44100.0 : 0.0;
            const double rest = ResidualPower(out, 256, static_cast<size_t>(count) - 256, radians);
            EXPECT_LT(10 * std::log10(rest / reference + 1e-30), -60.0)
                << hz << " Hz at pitch " << pitch << " (" << frequency << " Hz, plays " << played << " Hz)";
            if (played < 19000.0) {
                // In the passband the tone itself keeps its level.
                const double total = ResidualPower(out, 256, static_cast<size_t>(count) - 256, 0.0);
                EXPECT_NEAR(10 * std::log10((total - rest) / reference), 0.0, 0.1) << hz << " Hz at pitch " << pitch;
            }
        }
    }
}

TEST(VoiceResampler, LengthsFollowTheReadPositionAndTheOutputRatePlaysFramesAsTheyAre) {
    EXPECT_EQ(PlayedFrameCount(1000, 44100), 1000);
    EXPECT_EQ(PlayedFrameCount(1000, 88200), 500);
    EXPECT_EQ(PlayedFrameCount(1001, 88200), 501) << "a half frame still begins to play";
    EXPECT_EQ(PlayedFrameCount(1000, 22050), 2000);
    EXPECT_EQ(PlayedFrameCount(0, 44100), 0);

    std::vector<float> stereo;
    for (int i = 0; i < 20; ++i) stereo.push_back(static_cast<float>(i) / 32768.0f), stereo.push_back(-i / 64.0f);
    const SoundFrames sound{2, stereo.data(), 20};
    const std::vector<float> same = ResampleVoice(sound, 44100, 25);
    ASSERT_EQ(same.size(), 50u);
    for (size_t i = 0; i < 40; ++i) EXPECT_EQ(same[i], stereo[i]);
    for (size_t i = 40; i < 50; ++i) EXPECT_EQ(same[i], 0.0f) << "past the end: silence";

    // An octave up keeps the two channels apart and reads every second frame
    // of a slow ramp (which the low-pass leaves nearly as it is).
    std::vector<float> ramp;
    for (int i = 0; i < 400; ++i) ramp.push_back(static_cast<float>(std::sin(i * 0.01))), ramp.push_back(0.0f);
    const std::vector<float> up = ResampleVoice({2, ramp.data(), 400}, 88200, 200);
    for (size_t n = 60; n < 140; ++n) {
        EXPECT_NEAR(up[2 * n], ramp[4 * n], 1e-4) << n;
        EXPECT_NEAR(up[2 * n + 1], 0.0f, 1e-6) << n;
    }
}

}  // namespace
