// The real LoadSoundBank, DirectSound and multimedia file services on a folder
// of thousands of damaged WAV files (made here from a fixed seed): nothing
// crashes, every file loads exactly when the platform-free judgement says it
// plays, every other one is reported, and after the release the process has
// the memory and handles it had before.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/sound_engine.h"
#include "audio/wave_decode.h"
#include "tests/audio/wav_builder.h"
#include "tests/audio/wav_mutator.h"
#include "tests/process_usage.h"
#include "ui/notice.h"

namespace {

constexpr int kFiles = 3000;
constexpr uint64_t kSeed = 20261208;

std::vector<std::string> notes;
void CollectNote(const char* text) { notes.push_back(text); }

// Short files of every format and chunk order the mutations start from.
std::vector<std::vector<uint8_t>> Originals() {
    const std::vector<double> tone = SineValues(440, 0.02, 44100, 1);
    const std::vector<double> stereo = SineValues(440, 0.02, 44100, 2);
    std::vector<int64_t> ints;
    for (double x : stereo) ints.push_back(static_cast<int64_t>(x * 8388607));
    std::vector<std::vector<uint8_t>> files = {
        FormatFile(1, 8, 1, SineData(440, 0.02, 44100, 8, 1)).Bytes(),
        FormatFile(1, 16, 2, SineData(440, 0.02, 44100, 16, 2)).Bytes(),
        FormatFile(1, 24, 2, IntegerData(ints, 3)).Bytes(),
        FormatFile(1, 32, 1, IntegerData(std::vector<int64_t>(ints.begin(), ints.begin() + 400), 4)).Bytes(),
        FormatFile(3, 32, 1, FloatData(tone)).Bytes(),
        FormatFile(3, 64, 2, FloatData(stereo, 8)).Bytes(),
        FormatFile(0xFFFE, 24, 2, IntegerData(ints, 3), 1).Bytes(),
        FormatFile(0xFFFE, 32, 1, FloatData(tone), 3).Bytes(),
    };
    WavFile reordered;
    reordered.data = SineData(440, 0.02, 44100, 16, 1);
    reordered.dataBeforeFmt = true;
    reordered.listChunkBetween = true;
    files.push_back(reordered.Bytes());
    WavFile fmt18;
    fmt18.fmtSize = 18;
    fmt18.data = SineData(440, 0.02, 44100, 16, 1);
    files.push_back(fmt18.Bytes());
    return files;
}

class SoundBankMutationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousSink_ = SetNoteSink(CollectNote);
        window_ = CreateWindowA("STATIC", "sound bank test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "sf-mutated-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(engine_.Init(setup_, window_)) << "DirectSound is needed for this test";
    }
    void TearDown() override {
        engine_.ReleaseSoundBank();
        for (const std::string& name : setup_.soundNames) DeleteFileA((folder_ + "\\" + name).c_str());
        RemoveDirectoryA(folder_.c_str());
        DestroyWindow(window_);
        SetNoteSink(previousSink_);
    }

    ::Setup setup_;
    SoundEngine engine_;
    HWND window_ = nullptr;
    std::string folder_;
    NoteSink previousSink_ = nullptr;
};

TEST_F(SoundBankMutationsTest, EveryDamagedFileLoadsAsJudgedOrIsReported) {
    const std::vector<std::vector<uint8_t>> originals = Originals();
    SeededRandom random(kSeed);
    std::vector<WaveVerdict> verdicts;
    int counts[3] = {};
    for (int i = 0; i < kFiles; ++i) {
        // Every tenth file is left whole, so that loading goes on among the broken ones.
        const std::vector<uint8_t>& original = originals[random.Below(static_cast<uint32_t>(originals.size()))];
        const std::vector<uint8_t> bytes = i % 10 == 0 ? original : MutateWav(original, random);
        char name[32];
        std::snprintf(name, sizeof name, "m%04d.wav", i);
        FILE* f = std::fopen((folder_ + "\\" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        setup_.soundNames.push_back(name);
        verdicts.push_back(JudgeWave(bytes.data(), bytes.size()));
        ++counts[static_cast<int>(verdicts.back())];
    }
    setup_.soundDir = folder_;
    std::printf("%d files: %d play, %d are not waves, %d are waves no buffer is made for\n", kFiles, counts[0],
                counts[1], counts[2]);
    // Enough of each kind for the test to mean something.
    ASSERT_GT(counts[0], kFiles / 10);
    ASSERT_GT(counts[1], kFiles / 10);
    ASSERT_GT(counts[2], kFiles / 50);

    // The first round settles the heaps and DirectSound's own state.
    engine_.LoadSoundBank();
    engine_.ReleaseSoundBank();
    const SIZE_T commitBefore = PrivateCommit();
    const unsigned handlesBefore = OpenHandles();

    for (int round = 0; round < 2; ++round) {
        notes.clear();
        engine_.LoadSoundBank();
        std::vector<std::string> expected;
        for (int i = 0; i < kFiles; ++i) {
            EXPECT_EQ(engine_.HasMaster(i), verdicts[i] == WaveVerdict::Playable) << setup_.soundNames[i];
            if (verdicts[i] == WaveVerdict::Unplayable)
                expected.push_back("Could not load sound:\n" + folder_ + "\\" + setup_.soundNames[i] + "\nError: ");
        }
        expected.push_back("Failed to load some sounds.");
        ASSERT_EQ(notes.size(), expected.size());
        for (size_t i = 0; i < notes.size(); ++i) EXPECT_EQ(notes[i].rfind(expected[i], 0), 0u) << notes[i];
        // The steps of sounds that failed are silent.
        for (int step = 0; step < 16; ++step) {
            const bool plays = verdicts[step] == WaveVerdict::Playable;
            EXPECT_EQ(setup_.StepAddress(0, step).voice.LoadOrdered() != nullptr, plays) << step;
        }

        engine_.ReleaseSoundBank();
        const SIZE_T commit = PrivateCommit();
        std::printf("round %d: private commit %+lld KB, handles %+ld\n", round + 1,
                    (static_cast<long long>(commit) - static_cast<long long>(commitBefore)) / 1024,
                    static_cast<long>(OpenHandles()) - static_cast<long>(handlesBefore));
        // Even a format block (some 40 bytes) left behind by each failed file
        // would be more than this.
        EXPECT_LE(commit, commitBefore + 32 * 1024) << "round " << round + 1;
        EXPECT_EQ(OpenHandles(), handlesBefore) << "round " << round + 1;
    }
}

}  // namespace
