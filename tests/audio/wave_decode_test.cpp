// The platform-free WAV walk and decoding: which files play, which are not
// waves, which are waves no buffer is made for, and the samples they give.
#include "audio/wave_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "audio/wave_chunks.h"
#include "audio/wave_samples.h"
#include "tests/audio/wav_builder.h"

namespace {

DecodedWave Decode(const std::vector<uint8_t>& bytes, bool expectOk = true) {
    DecodedWave out;
    EXPECT_EQ(DecodeWave(bytes.data(), bytes.size(), &out), expectOk);
    return out;
}
WaveVerdict Judge(const std::vector<uint8_t>& bytes) { return JudgeWave(bytes.data(), bytes.size()); }

TEST(WaveDecode, EveryPlayableEncodingAtItsScale) {
    struct Case {
        const char* name;
        WavFile wav;
        std::vector<float> expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"8-bit", FormatFile(1, 8, 1, {0, 128, 255}), {-1.0f, 0.0f, 127.0f / 128}},
        {"16-bit", FormatFile(1, 16, 1, IntegerData({-32768, 0, 32767}, 2)), {-1.0f, 0.0f, 32767.0f / 32768}},
        {"24-bit", FormatFile(1, 24, 1, IntegerData({-8388608, 1, 8388607}, 3)),
         {-1.0f, static_cast<float>(1 / 8388608.0), static_cast<float>(8388607 / 8388608.0)}},
        {"32-bit", FormatFile(1, 32, 1, IntegerData({INT32_MIN, 65536, INT32_MAX}, 4)),
         {-1.0f, static_cast<float>(65536 / 2147483648.0), static_cast<float>(INT32_MAX / 2147483648.0)}},
        {"float", FormatFile(3, 32, 1, FloatData({1.5, -0.25, 0.0})), {1.0f, -0.25f, 0.0f}},
        {"double", FormatFile(3, 64, 1, FloatData({0.125, -3.0, 1e-3}, 8)), {0.125f, -1.0f, 1e-3f}},
        {"extensible 24-bit", FormatFile(0xFFFE, 24, 1, IntegerData({4194304, -4194304, 0}, 3), 1),
         {0.5f, -0.5f, 0.0f}},
        {"extensible float", FormatFile(0xFFFE, 32, 1, FloatData({0.75, 2.0, -1.0}), 3), {0.75f, 1.0f, -1.0f}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = c.wav.Bytes();
        EXPECT_EQ(Judge(bytes), WaveVerdict::Playable) << c.name;
        const DecodedWave out = Decode(bytes);
        EXPECT_EQ(out.channels, 1) << c.name;
        EXPECT_EQ(out.sampleRate, 44100u) << c.name;
        EXPECT_EQ(out.samples, c.expected) << c.name;
    }

    // Float plays within full scale and NaN as silence, as the sound buffers
    // have them: no sound can drown the others or silence the mix.
    const double inf = std::numeric_limits<double>::infinity();
    const DecodedWave odd = Decode(FormatFile(3, 32, 1, FloatData({nan, 1e30, -inf})).Bytes());
    EXPECT_EQ(odd.samples, (std::vector<float>{0.0f, 1.0f, -1.0f}));

    // Stereo interleaves; the file's own rate is reported.
    WavFile stereo = FormatFile(1, 24, 2, IntegerData({8388607, -8388608, 0, 4194304}, 3));
    stereo.rate = 22050;
    const DecodedWave two = Decode(stereo.Bytes());
    EXPECT_EQ(two.channels, 2);
    EXPECT_EQ(two.sampleRate, 22050u);
    EXPECT_EQ(two.FrameCount(), 2u);
    EXPECT_EQ(two.samples[1], -1.0f);
    EXPECT_EQ(two.samples[3], 0.5f);
}

TEST(WaveDecode, WholeFramesOfTheDataChunkOnly) {
    // 10 bytes of 16-bit stereo: two frames and half of one.
    const DecodedWave a = Decode(FormatFile(1, 16, 2, PatternData(10)).Bytes());
    EXPECT_EQ(a.FrameCount(), 2u);
    EXPECT_EQ(a.samples.size(), 4u);
    // 7 bytes of 24-bit mono (the chunk padded to 8): two frames.
    EXPECT_EQ(Decode(FormatFile(1, 24, 1, PatternData(7)).Bytes()).FrameCount(), 2u);
    // Bytes behind the data chunk are no part of the sound.
    WavFile listed = FormatFile(1, 8, 1, {10, 20, 30});
    listed.listChunkBetween = true;
    listed.dataBeforeFmt = true;
    EXPECT_EQ(Decode(listed.Bytes()).FrameCount(), 3u);

    // No whole frame: a wave, but nothing to play.
    EXPECT_EQ(Judge(FormatFile(1, 16, 1, {7}).Bytes()), WaveVerdict::Unplayable);
    EXPECT_EQ(Judge(FormatFile(1, 8, 1, {}).Bytes()), WaveVerdict::Unplayable);
    Decode(FormatFile(1, 16, 1, {}).Bytes(), false);

    // No buffer holds more than 0x0FFFFFFF bytes.
    SampleLayout pcm16;
    pcm16.encoding = SampleEncoding::Signed16;
    pcm16.channels = 1;
    pcm16.rate = 44100;
    pcm16.bytesPerSample = 2;
    EXPECT_EQ(PlayableFrames(pcm16, 0x0FFFFFFE), 0x07FFFFFFu);
    EXPECT_EQ(PlayableFrames(pcm16, 0x0FFFFFFF), 0u);
    SampleLayout float32 = pcm16;
    float32.encoding = SampleEncoding::Float32;
    float32.bytesPerSample = 4;
    EXPECT_EQ(PlayedBufferBytes(float32, 0x1FFFFFFC), 0x0FFFFFFEu) << "converted to half its size";
    EXPECT_EQ(PlayableFrames(float32, 0x1FFFFFFC), 0x07FFFFFFu);
}

TEST(WaveDecode, FormatsNoBufferIsMadeFor) {
    struct Case {
        const char* name;
        WavFile wav;
    };
    auto with = [](WavFile wav, auto change) {
        change(wav);
        return wav;
    };
    const std::vector<uint8_t> data = PatternData(64);
    const Case cases[] = {
        {"ADPCM", with(FormatFile(2, 4, 1, data), [](WavFile& w) { w.fmtExtra = {2, 0, 0xF4, 0x07}; w.fmtSize = 20; })},
        {"12-bit PCM", FormatFile(1, 12, 1, data)},
        {"16-bit float", FormatFile(3, 16, 1, data)},
        {"three channels", FormatFile(1, 16, 3, data)},
        {"no channels", FormatFile(1, 16, 0, data)},
        {"rate 0", with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.rate = 0; })},
        {"rate 99", with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.rate = 99; })},
        {"rate 200001", with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.rate = 200001; })},
        {"extensible ADPCM", FormatFile(0xFFFE, 16, 1, data, 2)},
        {"extensible, valid bits beyond the container",
         with(FormatFile(0xFFFE, 16, 1, data), [](WavFile& w) { w.fmtExtra[2] = 17; })},
        {"extensible, a foreign sub-format GUID",
         with(FormatFile(0xFFFE, 16, 1, data), [](WavFile& w) { w.fmtExtra[23] ^= 1; })},
        {"extensible, extra bytes too few",
         with(FormatFile(0xFFFE, 16, 1, data), [](WavFile& w) { w.fmtExtra.resize(12); w.fmtExtra[0] = 10; w.fmtSize = 28; })},
    };
    for (const Case& c : cases) EXPECT_EQ(Judge(c.wav.Bytes()), WaveVerdict::Unplayable) << c.name;

    // The edges of what plays.
    EXPECT_EQ(Judge(with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.rate = 100; }).Bytes()), WaveVerdict::Playable);
    EXPECT_EQ(Judge(with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.rate = 200000; }).Bytes()),
              WaveVerdict::Playable);
    EXPECT_EQ(Judge(with(FormatFile(0xFFFE, 32, 2, data), [](WavFile& w) { w.fmtExtra[2] = 24; }).Bytes()),
              WaveVerdict::Playable)
        << "24 valid bits in a 32-bit container";
    EXPECT_EQ(Judge(with(FormatFile(1, 16, 1, data), [](WavFile& w) { w.fmtSize = 18; w.fmtExtra = {0xFF, 0xFF}; })
                        .Bytes()),
              WaveVerdict::Playable)
        << "PCM has no extra bytes, whatever its chunk holds";
}

TEST(WaveDecode, ChunkWalkRejections) {
    auto code = [](const std::vector<uint8_t>& bytes) {
        MemoryWaveSource source(bytes.data(), bytes.size());
        WaveChunk riff, data;
        WaveFormat format;
        if (uint32_t c = ReadWaveFormat(source, &riff, &format)) return c;
        return FindWaveData(source, riff, &data);
    };
    const std::vector<uint8_t> tone = PatternData(20);

    WavFile notRiff = FormatFile(1, 16, 1, tone);
    notRiff.riffId = "RIFX";
    EXPECT_EQ(code(notRiff.Bytes()), kWaveErrNotWave);
    WavFile notWave = FormatFile(1, 16, 1, tone);
    notWave.formType = "AVI ";
    EXPECT_EQ(code(notWave.Bytes()), kWaveErrNotWave);
    EXPECT_EQ(code({}), kChunkNotFound);
    EXPECT_EQ(code({'R', 'I', 'F', 'F', 4, 0}), kChunkNotFound);

    WavFile oldHeader = FormatFile(1, 16, 1, tone);
    oldHeader.fmtSize = 14;
    EXPECT_EQ(code(oldHeader.Bytes()), kWaveErrNotWave);

    // A 16-byte "fmt " of a non-PCM format has no room for its size field:
    // the bytes behind it belong to the next chunk.
    WavFile shortFloat = FormatFile(3, 32, 1, tone);
    shortFloat.fmtSize = 16;
    shortFloat.fmtExtra.clear();
    EXPECT_EQ(code(shortFloat.Bytes()), kWaveErrNotWave);
    shortFloat.listChunkBetween = true;
    EXPECT_EQ(code(shortFloat.Bytes()), kWaveErrNotWave);
    // A size field announcing more than the chunk holds.
    WavFile overlong = FormatFile(3, 32, 1, tone);
    overlong.fmtExtra = {4, 0};
    overlong.fmtSize = 20;  // room for two of the four
    EXPECT_EQ(code(overlong.Bytes()), kWaveErrNotWave);
    overlong.fmtSize = 22;
    EXPECT_EQ(code(overlong.Bytes()), 0u);

    // The file ends inside the fixed fields, or inside the size field.
    std::vector<uint8_t> cut = FormatFile(3, 32, 1, tone).Bytes();
    cut.resize(12 + 8 + 10);
    EXPECT_EQ(code(cut), kWaveErrCannotRead);
    cut = FormatFile(3, 32, 1, tone).Bytes();
    cut.resize(12 + 8 + 17);
    EXPECT_EQ(code(cut), kWaveErrCannotRead);

    // No "data" chunk; a RIFF chunk too small to hold a sub-chunk.
    std::vector<uint8_t> noData = FormatFile(1, 16, 1, tone).Bytes();
    noData.resize(12 + 8 + 16);
    EXPECT_EQ(code(noData), kChunkNotFound);
    std::vector<uint8_t> tinyRiff = FormatFile(1, 16, 1, tone).Bytes();
    tinyRiff[4] = 4;
    tinyRiff[5] = tinyRiff[6] = tinyRiff[7] = 0;
    EXPECT_EQ(code(tinyRiff), kChunkNotFound);

    // Claimed sizes up to 4 GB skip past the end rather than wrapping.
    WavFile huge = FormatFile(1, 16, 1, tone);
    huge.listChunkBetween = true;
    std::vector<uint8_t> bytes = huge.Bytes();
    const size_t list = 12 + 8 + 16 + 4;  // the LIST chunk's size field
    for (uint8_t b : {0xFF, 0xFE}) {
        bytes[list] = b;
        bytes[list + 1] = bytes[list + 2] = bytes[list + 3] = 0xFF;
        EXPECT_EQ(code(bytes), kChunkNotFound);
    }
    // Data that claims more than the file holds is not a wave either.
    WavFile claims = FormatFile(1, 16, 1, tone);
    claims.claimedDataSize = 22;
    EXPECT_EQ(Judge(claims.Bytes()), WaveVerdict::NotAWave);
    claims.claimedDataSize = 20;
    EXPECT_EQ(Judge(claims.Bytes()), WaveVerdict::Playable);
}

TEST(WaveSamples, ConversionTo16BitRoundsAndLimits) {
    auto convert = [](SampleEncoding encoding, int bytes, const std::vector<uint8_t>& in) {
        SampleLayout layout;
        layout.encoding = encoding;
        layout.channels = 1;
        layout.bytesPerSample = bytes;
        std::vector<int16_t> out(in.size() / static_cast<size_t>(bytes));
        ConvertTo16Bit(layout, in.data(), out.size(), out.data());
        return out;
    };
    EXPECT_EQ(convert(SampleEncoding::Signed24, 3,
                      IntegerData({8388607, -8388608, 128, 127, -128, -129, 0x7FFF80, 256 * 1234}, 3)),
              (std::vector<int16_t>{32767, -32768, 1, 0, 0, -1, 32767, 1234}));
    EXPECT_EQ(convert(SampleEncoding::Signed32, 4, IntegerData({INT32_MAX, INT32_MIN, 32768, 32767, -32769}, 4)),
              (std::vector<int16_t>{32767, -32768, 1, 0, -1}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(convert(SampleEncoding::Float32, 4, FloatData({1.0, -1.0, 0.5, nan, 1e30, -1e30, -0.5 / 32768})),
              (std::vector<int16_t>{32767, -32768, 16384, 0, 32767, -32768, 0}));
    EXPECT_EQ(convert(SampleEncoding::Float64, 8, FloatData({0.25, -2.0}, 8)), (std::vector<int16_t>{8192, -32768}));
    EXPECT_EQ(convert(SampleEncoding::Unsigned8, 1, {0, 128, 255}), (std::vector<int16_t>{-32768, 0, 32512}));
}

}  // namespace
