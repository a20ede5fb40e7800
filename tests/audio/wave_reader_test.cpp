// The WAV reader on real files through the multimedia file services (Windows
// build, run under Wine).
#include "audio/wave_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/audio/wav_builder.h"

namespace {

class WaveReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::vector<uint8_t>& bytes) {
        char folder[MAX_PATH], path[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        GetTempFileNameA(folder, "wav", 0, path);
        FILE* f = std::fopen(path, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        files_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const std::string& f : files_) DeleteFileA(f.c_str());
    }

    // Opens, finds the data and reads up to `wanted` bytes; closes in any case.
    struct Result {
        UINT open = 0, seek = 0, read = 0;
        UINT delivered = 0;
        DWORD remaining = 0;
        WAVEFORMATEX format = {};
        std::vector<uint8_t> extra;
        std::vector<uint8_t> bytes;
    };
    Result ReadAll(const std::string& path, UINT wanted, uint8_t fill = 0xEE) {
        Result r;
        HMMIO file = nullptr;
        WAVEFORMATEX* format = nullptr;
        MMCKINFO riff = {}, data = {};
        r.open = OpenWave(path.c_str(), &file, &format, &riff);
        if (r.open != 0) {
            EXPECT_EQ(file, nullptr);
            EXPECT_EQ(format, nullptr);
            return r;
        }
        r.format = *format;
        const BYTE* behind = reinterpret_cast<const BYTE*>(&format->cbSize + 1);
        r.extra.assign(behind, behind + format->cbSize);
        r.seek = SeekWaveData(file, &data, &riff);
        if (r.seek == 0) {
            r.bytes.assign(wanted, fill);
            r.read = ReadWaveData(file, wanted, r.bytes.data(), &data, &r.delivered);
            r.remaining = data.cksize;
        }
        EXPECT_EQ(CloseWave(&file, &format), 0u);
        EXPECT_EQ(file, nullptr);
        EXPECT_EQ(format, nullptr);
        return r;
    }

    std::vector<std::string> files_;
};

TEST_F(WaveReaderTest, ReadsPcmDataAcrossManyBufferRefills) {
    WavFile wav;
    wav.data = PatternData(100001);  // far beyond one I/O buffer, odd length
    const Result r = ReadAll(Write(wav.Bytes()), 100001);
    ASSERT_EQ(r.open, 0u);
    ASSERT_EQ(r.seek, 0u);
    EXPECT_EQ(r.read, 0u);
    EXPECT_EQ(r.delivered, 100001u);
    EXPECT_EQ(r.remaining, 0u);
    EXPECT_EQ(r.bytes, wav.data);
    EXPECT_EQ(r.format.nChannels, 1);
    EXPECT_EQ(r.format.nSamplesPerSec, 44100u);
    EXPECT_EQ(r.format.cbSize, 0);
}

TEST_F(WaveReaderTest, FindsDataBeforeOrAfterFmtAndSkipsOtherChunks) {
    for (bool dataFirst : {false, true}) {
        WavFile wav;
        wav.dataBeforeFmt = dataFirst;
        wav.listChunkBetween = true;
        wav.channels = 2;
        wav.bits = 8;
        wav.rate = 22050;
        wav.data = PatternData(777);
        const Result r = ReadAll(Write(wav.Bytes()), 777);
        ASSERT_EQ(r.open, 0u) << dataFirst;
        ASSERT_EQ(r.seek, 0u) << dataFirst;
        EXPECT_EQ(r.bytes, wav.data) << dataFirst;
        EXPECT_EQ(r.format.nSamplesPerSec, 22050u);
        EXPECT_EQ(r.format.wBitsPerSample, 8);
    }
}

TEST_F(WaveReaderTest, FormatBlockRules) {
    // A PCM "fmt " of 18 bytes: the two behind the 16 are skipped.
    WavFile pcm18;
    pcm18.fmtSize = 18;
    pcm18.fmtExtra = {0x34, 0x12};
    pcm18.data = PatternData(10);
    Result r = ReadAll(Write(pcm18.Bytes()), 10);
    ASSERT_EQ(r.open, 0u);
    EXPECT_EQ(r.format.cbSize, 0);
    EXPECT_EQ(r.bytes, pcm18.data);

    // Not PCM: the extra bytes are copied behind cbSize.
    WavFile adpcm;
    adpcm.formatTag = 2;
    adpcm.fmtSize = 22;
    adpcm.fmtExtra = {4, 0, 0xA1, 0xB2, 0xC3, 0xD4};
    adpcm.data = PatternData(10);
    r = ReadAll(Write(adpcm.Bytes()), 10);
    ASSERT_EQ(r.open, 0u);
    EXPECT_EQ(r.format.cbSize, 4);
    EXPECT_EQ(r.extra, (std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xD4}));

    // A non-PCM "fmt " of 16 bytes has no size field of its own: the first
    // bytes of the next chunk are not taken for one.
    WavFile bare = FormatFile(3, 32, 1, PatternData(8));
    bare.fmtSize = 16;
    bare.fmtExtra.clear();
    EXPECT_EQ(ReadAll(Write(bare.Bytes()), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
    // Nor may the extra bytes reach beyond the chunk.
    WavFile overlong = FormatFile(3, 32, 1, PatternData(8));
    overlong.fmtExtra = {8, 0, 1, 2, 3, 4};
    overlong.fmtSize = 22;
    EXPECT_EQ(ReadAll(Write(overlong.Bytes()), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
    overlong.fmtSize = 26;
    r = ReadAll(Write(overlong.Bytes()), 8);
    ASSERT_EQ(r.open, 0u);
    EXPECT_EQ(r.extra, (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0}));
    EXPECT_EQ(r.bytes, PatternData(8));

    // An old 14-byte wave header.
    WavFile old;
    old.fmtSize = 14;
    EXPECT_EQ(ReadAll(Write(old.Bytes()), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
}

TEST_F(WaveReaderTest, NotAWaveFile) {
    WavFile notRiff;
    notRiff.riffId = "RIFX";
    EXPECT_EQ(ReadAll(Write(notRiff.Bytes()), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
    WavFile notWave;
    notWave.formType = "AVI ";
    EXPECT_EQ(ReadAll(Write(notWave.Bytes()), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
    EXPECT_NE(ReadAll(Write({}), 0).open, 0u);
    EXPECT_EQ(ReadAll("C:\\no\\such\\folder\\missing.wav", 0).open, static_cast<UINT>(WAVE_ERR_CANNOTOPEN));

    // A non-PCM format whose declared extra bytes are not in the file.
    WavFile cut;
    cut.formatTag = 2;
    cut.fmtSize = 18;
    cut.fmtExtra = {200, 0};
    std::vector<uint8_t> bytes = cut.Bytes();
    bytes.resize(12 + 8 + 18);  // the file ends behind cbSize
    EXPECT_EQ(ReadAll(Write(bytes), 0).open, static_cast<UINT>(WAVE_ERR_NOTWAVE));
}

TEST_F(WaveReaderTest, FailedOpenLeavesTheFileClosed) {
    WavFile notWave;
    notWave.formType = "AVI ";
    const std::string path = Write(notWave.Bytes());
    ASSERT_NE(ReadAll(path, 0).open, 0u);
    // An open handle would make the delete fail with a sharing violation.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(WaveReaderTest, DataClaimingMoreThanTheFileIsCorrupt) {
    WavFile wav;
    wav.data = PatternData(5000);
    wav.claimedDataSize = 50000;
    const Result r = ReadAll(Write(wav.Bytes()), 50000);
    ASSERT_EQ(r.seek, 0u);
    EXPECT_EQ(r.read, static_cast<UINT>(WAVE_ERR_CORRUPT));
    EXPECT_EQ(r.delivered, 0u);
}

TEST_F(WaveReaderTest, ReadsNoMoreThanTheChunkAndLeavesTheRestOfTheDestination) {
    WavFile wav;
    wav.data = PatternData(300);
    const Result r = ReadAll(Write(wav.Bytes()), 1000, 0xEE);
    EXPECT_EQ(r.delivered, 300u);
    EXPECT_EQ(r.remaining, 0u);
    EXPECT_TRUE(std::equal(wav.data.begin(), wav.data.end(), r.bytes.begin()));
    for (size_t i = 300; i < 1000; ++i) ASSERT_EQ(r.bytes[i], 0xEE) << i;
}

}  // namespace
