#include "audio/voice_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/sound_maps.h"
#include "audio/voice_parameters.h"
#include "audio/wave_encode.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Sine(double hz, size_t frames, double amplitude) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i) out[i] = static_cast<float>(amplitude * std::sin(2 * kPi * hz * i / 44100.0));
    return out;
}

PreparedSound Prepared(const std::vector<float>& interleaved, int channels) {
    PreparedSound sound;
    EXPECT_TRUE(sound.Prepare(interleaved.data(), channels, interleaved.size() / channels, 44100));
    return sound;
}

VoiceStart Plain(int sound, int frequency = kOutputRate) {
    VoiceStart start;
    start.sound = sound;
    start.frequency = frequency;
    return start;
}

// Renders `frames` frames in blocks of `block`, interleaved.
std::vector<float> RenderAll(VoiceRenderer& renderer, size_t frames, size_t block) {
    std::vector<float> out(2 * frames);
    for (size_t at = 0; at < frames; at += block) renderer.Render(out.data() + 2 * at, std::min(block, frames - at));
    return out;
}

std::vector<float> Left(const std::vector<float>& stereo) {
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
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

// The export's kernels and the live ones: neither brings aliases or images
// above -60 dB; each keeps a tone's level within 0.1 dB up to its passband's end.
TEST(VoiceRenderer, PitchedSinesBringNoAliasesOrImagesAboveMinus60Db) {
    struct Kernels {
        KernelDesign design;
        int grid;
        double passbandHz;
    };
    const PitchTable table;
    constexpr size_t kFrames = 8192;
    constexpr double kAmplitude = 0.5;
    const double reference = kAmplitude * kAmplitude / 2;
    for (const Kernels& kernels : {Kernels{kExportSpeedUpKernel, 256, 19000.0}, Kernels{kLiveSpeedUpKernel, 64, 15000.0}}) {
        SpeedUpBanks banks(kernels.design, kernels.grid, false);
        for (double hz : {150.0, 1000.0, 4100.0, 9000.0, 15000.0, 19500.0}) {
            const PreparedSound sound = Prepared(Sine(hz, kFrames, kAmplitude), 1);
            for (int pitch = -24; pitch <= 24; ++pitch) {
                const int frequency = PitchFrequency(table, pitch);
                const int64_t count = PlayedFrameCount(kFrames, frequency);
                VoiceRenderer renderer(banks);
                renderer.SetSounds(&sound, 1);
                renderer.Start(0, Plain(0, frequency));
                const std::vector<float> out = Left(RenderAll(renderer, static_cast<size_t>(count), 1000));
                EXPECT_FALSE(renderer.IsSounding(0)) << "it ends when its read position passes the last frame";
                const double played = hz * frequency / 44100.0;  // Hz at the output
                // Above the output's Nyquist frequency a tone must vanish, not fold back.
                const double radians = played < 22050.0 ? 2 * kPi * played / 44100.0 : 0.0;
                const double rest = ResidualPower(out, 256, static_cast<size_t>(count) - 256, radians);
                EXPECT_LT(10 * std::log10(rest / reference + 1e-30), -60.0)
                    << hz << " Hz at pitch " << pitch << " (" << frequency << " Hz, plays " << played << " Hz)";
                if (played < kernels.passbandHz) {
                    const double total = ResidualPower(out, 256, static_cast<size_t>(count) - 256, 0.0);
                    EXPECT_NEAR(10 * std::log10((total - rest) / reference), 0.0, 0.1)
                        << hz << " Hz at pitch " << pitch;
                }
            }
        }
    }
}

TEST(VoiceRenderer, VoicesRestartCutRetuneAndRunOnWhileSilenced) {
    EXPECT_EQ(PlayedFrameCount(1000, 44100), 1000);
    EXPECT_EQ(PlayedFrameCount(1000, 88200), 500);
    EXPECT_EQ(PlayedFrameCount(1001, 88200), 501) << "a half frame still begins to play";
    EXPECT_EQ(PlayedFrameCount(1000, 22050), 2000);
    EXPECT_EQ(PlayedFrameCount(0, 44100), 0);

    // A mono ramp and a stereo pair, full scale 1/16 steps, NaN and overload in the file.
    std::vector<float> ramp;
    for (int i = 1; i <= 10; ++i) ramp.push_back(i / 16.0f);
    ramp[8] = std::nanf("");
    ramp[9] = 3.0f;
    std::vector<float> pair;
    for (int i = 1; i <= 6; ++i) pair.push_back(i / 8.0f), pair.push_back(-i / 8.0f);
    const PreparedSound sounds[] = {Prepared(ramp, 1), Prepared(pair, 2)};
    auto rampAt = [&](int i) { return i == 8 ? 0.0f : i == 9 ? 1.0f : ramp[i]; };

    SpeedUpBanks banks(kLiveSpeedUpKernel, 64, true);
    VoiceRenderer renderer(banks);
    renderer.SetSounds(sounds, 2);
    VoiceStart panned = Plain(0);
    panned.panRight = 0.5f;
    renderer.Start(3, panned);
    renderer.Start(7, Plain(1));
    renderer.Start(9, Plain(5));  // a sound the list does not hold: nothing
    EXPECT_EQ(renderer.SoundingCount(), 2);
    std::vector<float> out = RenderAll(renderer, 4, 3);
    renderer.Start(3, panned);  // a restart begins again from the first frame
    renderer.Stop(7);
    const std::vector<float> more = RenderAll(renderer, 12, 5);
    out.insert(out.end(), more.begin(), more.end());
    for (int f = 0; f < 16; ++f) {
        float left = 0, right = 0;
        const int r = f < 4 ? f : f - 4;
        if (r < 10) left += rampAt(r), right += 0.5f * rampAt(r);
        if (f < 4) left += pair[2 * f], right += pair[2 * f + 1];
        EXPECT_FLOAT_EQ(out[2 * f], left) << "frame " << f;
        EXPECT_FLOAT_EQ(out[2 * f + 1], right) << "frame " << f;
    }
    EXPECT_EQ(renderer.SoundingCount(), 0) << "both ended: one cut, one run out";

    // Silenced, a voice runs on unheard; its level anew brings it back where it has got to.
    renderer.Start(0, Plain(0));
    renderer.SilenceAll();
    EXPECT_EQ(RenderAll(renderer, 2, 2), std::vector<float>(4, 0.0f));
    renderer.SetLevel(0, 0.5f);
    out = RenderAll(renderer, 1, 1);
    EXPECT_FLOAT_EQ(out[0], 0.5f * ramp[2]);
    renderer.SetLevel(1, 1.0f);
    EXPECT_FALSE(renderer.IsSounding(1)) << "a level for a silent voice starts nothing";

    // Retuned an octave down, it reads on from where it is at half speed:
    // every second frame is one of its own.
    renderer.Retune(0, 22050);
    out = Left(RenderAll(renderer, 4, 4));
    EXPECT_NEAR(out[0], 0.5f * ramp[3], 1e-5f);
    EXPECT_NEAR(out[2], 0.5f * ramp[4], 1e-5f);
    EXPECT_GT(renderer.FramesUntilSilent(), 0);
    renderer.Skip(renderer.FramesUntilSilent());
    EXPECT_FALSE(renderer.IsSounding(0));
}

TEST(VoiceRenderer, SixteenBitSoundsComeOutBitExactAndSumsBeyondFullScaleAreClippedAndCounted) {
    std::vector<float> sound;
    for (int v : {-32768, -1, 0, 1, 12345, 32767}) sound.push_back(v / 32768.0f);
    const PreparedSound prepared = Prepared(sound, 1);
    SpeedUpBanks banks(kExportSpeedUpKernel, 256, false);
    VoiceRenderer renderer(banks);
    renderer.SetSounds(&prepared, 1);
    renderer.Start(0, StepVoiceStart(PitchTable(), {0, 0, 127, 64}, 100, 0, false));
    std::vector<float> out = RenderAll(renderer, sound.size(), 64);
    std::vector<uint8_t> bytes(out.size() * 2);
    uint64_t clipped = 0;
    ConvertToPcm16(out.data(), out.size(), bytes.data(), &clipped);
    EXPECT_EQ(clipped, 0u);
    for (size_t i = 0; i < sound.size(); ++i) {
        const int16_t left = static_cast<int16_t>(bytes[4 * i] | bytes[4 * i + 1] << 8);
        const int16_t right = static_cast<int16_t>(bytes[4 * i + 2] | bytes[4 * i + 3] << 8);
        EXPECT_EQ(left, static_cast<int>(std::lround(sound[i] * 32768.0f)));
        EXPECT_EQ(right, left);
    }

    const float loud[] = {1.0f, -1.0f, 0.99f, -1.5f, 2.0f, 0.5f, std::nanf("")};
    uint8_t pcm[14];
    clipped = 0;
    ConvertToPcm16(loud, 7, pcm, &clipped);
    EXPECT_EQ(clipped, 3u) << "+1.0 has no 16-bit value; -1.0 has";
    EXPECT_EQ(static_cast<int16_t>(pcm[0] | pcm[1] << 8), 32767);
    EXPECT_EQ(static_cast<int16_t>(pcm[6] | pcm[7] << 8), -32768);
    EXPECT_EQ(static_cast<int16_t>(pcm[12] | pcm[13] << 8), 0);

    const std::vector<uint8_t> header = StereoPcm16Header(1000);
    ASSERT_EQ(header.size(), kWaveHeaderSize);
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF");
    EXPECT_EQ(header[4] | header[5] << 8 | header[6] << 16, 36 + 4000);
    EXPECT_EQ(header[22], 2) << "stereo";
    EXPECT_EQ(header[24] | header[25] << 8, 44100);
    EXPECT_EQ(header[34], 16) << "bits";
    EXPECT_EQ(header[40] | header[41] << 8, 4000);
}

}  // namespace
