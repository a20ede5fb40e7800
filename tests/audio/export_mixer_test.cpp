#include "audio/export_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/sound_maps.h"
#include "audio/voice_resampler.h"
#include "audio/wave_encode.h"

namespace {

std::vector<float> MixAll(ExportMixer& mixer, size_t block) {
    std::vector<float> out(static_cast<size_t>(mixer.TotalFrames()) * 2);
    std::vector<float> chunk(block * 2);
    size_t at = 0;
    while (size_t n = mixer.Mix(chunk.data(), block)) {
        std::copy(chunk.begin(), chunk.begin() + static_cast<long>(2 * n), out.begin() + static_cast<long>(2 * at));
        at += n;
    }
    EXPECT_EQ(at, out.size() / 2);
    return out;
}

TEST(ExportMixer, VoicesStartOnTheirFramesScaledCutAndRungOut) {
    // A mono ramp 1..10 and a stereo sound of 6 frames.
    std::vector<float> ramp, pair;
    for (int i = 1; i <= 10; ++i) ramp.push_back(i / 16.0f);
    for (int i = 1; i <= 6; ++i) {
        pair.push_back(i / 8.0f);
        pair.push_back(-i / 8.0f);
    }
    const std::vector<SoundFrames> sounds = {{1, ramp.data(), 10}, {2, pair.data(), 6}};
    std::vector<MixVoice> voices(5);
    voices[0].onset = 3;  // plays out whole, half as loud on the right
    voices[0].gainRight = 0.5f;
    voices[1].onset = 20;  // cut after four frames
    voices[1].cut = 24;
    voices[2].onset = 22;  // overlaps the one before: the two add
    voices[2].sound = 1;
    voices[2].gainLeft = 0.25f;
    voices[3].onset = 40;  // a sound the list does not hold: nothing
    voices[3].sound = 5;
    voices[4].onset = 45;  // the last voice rings past the minimum
    for (size_t block : {size_t(1), size_t(7), size_t(4096)}) {
        ExportMixer mixer(sounds, voices, 50);
        EXPECT_EQ(mixer.TotalFrames(), 55) << "the tail of the last voice";
        const std::vector<float> out = MixAll(mixer, block);
        for (int f = 0; f < 55; ++f) {
            float left = 0, right = 0;
            if (f >= 3 && f < 13) left += ramp[f - 3], right += 0.5f * ramp[f - 3];
            if (f >= 20 && f < 24) left += ramp[f - 20], right += ramp[f - 20];
            if (f >= 22 && f < 28) left += 0.25f * pair[2 * (f - 22)], right += pair[2 * (f - 22) + 1];
            if (f >= 45) left += ramp[f - 45], right += ramp[f - 45];
            EXPECT_FLOAT_EQ(out[2 * f], left) << "block " << block << " frame " << f;
            EXPECT_FLOAT_EQ(out[2 * f + 1], right) << "block " << block << " frame " << f;
        }
    }
    ExportMixer shortest(sounds, {}, 7);
    EXPECT_EQ(shortest.TotalFrames(), 7) << "a cycle of silence still lasts the cycle";
}

TEST(ExportMixer, SixteenBitSoundsComeOutBitExactAndSumsBeyondFullScaleAreClippedAndCounted) {
    std::vector<float> sound;
    for (int v : {-32768, -1, 0, 1, 12345, 32767}) sound.push_back(v / 32768.0f);
    std::vector<MixVoice> voices(1);
    ExportMixer mixer({{1, sound.data(), sound.size()}}, voices, 0);
    std::vector<float> out = MixAll(mixer, 64);
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
