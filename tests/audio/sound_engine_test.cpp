// The sound engine over Wine's real DirectSound (Windows build, run with a
// private PulseAudio sink). What it plays is checked on recordings elsewhere;
// here: loading, binding, the values handed to DirectSound, bad files, notices
// and the voice hand-over between threads.
#include "audio/sound_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ui/notice.h"
#include "tests/audio/wav_builder.h"

namespace {

std::vector<std::string> notes;
void CollectNote(const char* text) { notes.push_back(text); }

class SoundEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        notes.clear();
        previousSink_ = SetNoteSink(CollectNote);
        window_ = CreateWindowA("STATIC", "sound engine test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "sf-engine-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        setup_.soundDir = folder_;
        ASSERT_TRUE(engine_.Init(setup_, window_)) << "DirectSound is needed for these tests";
        ASSERT_TRUE(notes.empty());
    }
    void TearDown() override {
        engine_.ReleaseSoundBank();
        for (const std::string& name : written_) DeleteFileA((folder_ + "\\" + name).c_str());
        RemoveDirectoryA(folder_.c_str());
        DestroyWindow(window_);
        SetNoteSink(previousSink_);
    }

    void AddSound(const std::string& name, const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen((folder_ + "\\" + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        written_.push_back(name);
        setup_.soundNames.push_back(name);
    }
    static std::vector<uint8_t> Tone(double seconds = 0.5, uint32_t rate = 44100) {
        WavFile wav;
        wav.rate = rate;
        wav.data = SineData(1000, seconds, rate, 16, 1);
        return wav.Bytes();
    }
    IDirectSoundBuffer* Voice(int measure, int step) { return setup_.StepAddress(measure, step).voice; }

    ::Setup setup_;  // the fixture's own Setup() hides the type inside the class
    SoundEngine engine_;
    HWND window_ = nullptr;
    std::string folder_;
    std::vector<std::string> written_;
    NoteSink previousSink_ = nullptr;
};

TEST_F(SoundEngineTest, EmptySoundListCreatesNothingAndTriggersReturn) {
    engine_.LoadSoundBank();
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(engine_.SoundCount(), 0);
    for (int m = 0; m < 8; ++m)
        for (int s = 0; s < 16; ++s) EXPECT_EQ(Voice(m, s), nullptr);
    engine_.Trigger(0, 0);
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 0));
}

TEST_F(SoundEngineTest, EveryStepGetsItsOwnVoiceOfItsSound) {
    for (int i = 0; i < 3; ++i) AddSound("tone" + std::to_string(i) + ".wav", Tone(0.2));
    engine_.LoadSoundBank();
    EXPECT_TRUE(notes.empty());
    // Measure 0 uses sounds 0..15: steps 0..2 have voices, the rest are silent.
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(Voice(0, s) != nullptr, s < 3) << s;
        EXPECT_EQ(setup_.StepAddress(0, s).voiceReady != 0, s < 3) << s;
    }
    EXPECT_NE(Voice(0, 0), Voice(1, 0)) << "each step has a duplicate of its own";

    // Re-binding beyond the list leaves the step without a voice.
    engine_.AssignSound(0, 1, 3);
    EXPECT_EQ(Voice(0, 1), nullptr);
    EXPECT_EQ(setup_.StepAddress(0, 1).sound, 3);
    EXPECT_EQ(engine_.AssignSound(0, 1, 2), DS_OK);
    EXPECT_NE(Voice(0, 1), nullptr);
}

TEST_F(SoundEngineTest, TriggerHandsTheMappedValuesToDirectSound) {
    AddSound("tone.wav", Tone(1.0));
    engine_.LoadSoundBank();
    Step& step = setup_.StepAddress(0, 0);
    const struct { int pitch, volume, pan, master; DWORD hz; LONG attenuation, balance; } cases[] = {
        {0, 110, 64, 80, 44100, -876, 0},
        {-12, 127, 0, 100, 22049, 0, -10000},
        {12, 0, 127, 80, 88200, -10000, 10000},
        {14, 127, 32, 250, 99001, 0, -2858},
        {40, 127, 96, 100, 100000, 0, 3000},
    };
    for (const auto& c : cases) {
        step.pitch = static_cast<int16_t>(c.pitch);
        step.volume = static_cast<int16_t>(c.volume);
        step.pan = static_cast<int16_t>(c.pan);
        setup_.masterVolume = static_cast<int16_t>(c.master);
        engine_.Trigger(0, 0);
        DWORD hz = 0;
        LONG attenuation = 1, balance = 1;
        Voice(0, 0)->GetFrequency(&hz);
        Voice(0, 0)->GetVolume(&attenuation);
        Voice(0, 0)->GetPan(&balance);
        EXPECT_EQ(hz, c.hz) << c.pitch;
        EXPECT_EQ(attenuation, c.attenuation) << c.volume << " at " << c.master;
        EXPECT_EQ(balance, c.balance) << c.pan;
        EXPECT_TRUE(engine_.IsVoicePlaying(0, 0));
    }

    // The master pitch transposes every trigger, and the voices sounding
    // follow a change of it.
    step.pitch = 2;
    setup_.masterPitch = -14;
    engine_.Trigger(0, 0);
    DWORD hz = 0;
    Voice(0, 0)->GetFrequency(&hz);
    EXPECT_EQ(hz, 22049u);
    setup_.masterPitch = 10;
    engine_.RetunePlayingVoices();
    Voice(0, 0)->GetFrequency(&hz);
    EXPECT_EQ(hz, 88200u);
    engine_.StopVoice(0, 0);
    setup_.masterPitch = 0;
}

TEST_F(SoundEngineTest, MuteStartsVoicesSilentAndUnmuteRestoresThem) {
    AddSound("tone.wav", Tone(2.0));
    engine_.LoadSoundBank();
    setup_.muted = 1;
    engine_.Trigger(0, 0);
    LONG attenuation = 0;
    Voice(0, 0)->GetVolume(&attenuation);
    EXPECT_EQ(attenuation, -10000);
    EXPECT_TRUE(engine_.IsVoicePlaying(0, 0)) << "a muted voice still runs";

    setup_.muted = 0;
    engine_.ReapplyVolumes();
    Voice(0, 0)->GetVolume(&attenuation);
    EXPECT_EQ(attenuation, -876);

    setup_.muted = 1;
    engine_.SilencePlayingVoices();
    Voice(0, 0)->GetVolume(&attenuation);
    EXPECT_EQ(attenuation, -10000);
}

TEST_F(SoundEngineTest, RetriggerRewindsAndStopsSilence) {
    AddSound("tone.wav", Tone(2.0));
    engine_.LoadSoundBank();
    engine_.Trigger(0, 0);
    Sleep(300);
    DWORD played = 0, write = 0;
    Voice(0, 0)->GetCurrentPosition(&played, &write);
    EXPECT_GT(played, 44100u * 2 / 10) << "about 300 ms of 16-bit mono went by";
    engine_.Trigger(0, 0);
    DWORD rewound = 0;
    Voice(0, 0)->GetCurrentPosition(&rewound, &write);
    EXPECT_LT(rewound, played / 2);

    engine_.Trigger(0, 1);
    EXPECT_TRUE(engine_.IsVoicePlaying(0, 0));
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 1)) << "step 1 uses sound 1, which is not loaded";
    engine_.StopVoice(0, 0);
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 0));

    engine_.Trigger(0, 0);
    engine_.Trigger(1, 0);
    engine_.KillAllSound();
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 0));
    EXPECT_FALSE(engine_.IsVoicePlaying(1, 0));
    engine_.KillAllSound();  // on stopped voices: harmless
}

TEST_F(SoundEngineTest, OneBadFileAmongFiveGivesOneNoticeAndSilentSteps) {
    for (int i = 0; i < 5; ++i) {
        if (i == 2) {
            WavFile broken;
            broken.formType = "AVI ";
            AddSound("broken.wav", broken.Bytes());
        } else {
            AddSound("tone" + std::to_string(i) + ".wav", Tone(0.1));
        }
    }
    engine_.LoadSoundBank();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "Failed to load some sounds.");
    for (int s = 0; s < 5; ++s) EXPECT_EQ(Voice(0, s) != nullptr, s != 2) << s;
    engine_.Trigger(0, 2);  // silent, harmless
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 2));
    // A step re-bound to the failed sound stays silent too.
    engine_.AssignSound(0, 0, 2);
    EXPECT_EQ(Voice(0, 0), nullptr);
}

TEST_F(SoundEngineTest, HostileFilesCostNothingAndAreReported) {
    WavFile huge;  // claims 4 GB of data
    huge.data = PatternData(64);
    huge.claimedDataSize = 0xFFFFFFF0;
    AddSound("huge.wav", huge.Bytes());
    WavFile noChannels;
    noChannels.channels = 0;
    noChannels.data = PatternData(64);
    AddSound("nochannels.wav", noChannels.Bytes());
    WavFile crazyRate;
    crazyRate.rate = 0;
    crazyRate.data = PatternData(64);
    AddSound("norate.wav", crazyRate.Bytes());
    WavFile empty;
    AddSound("empty.wav", empty.Bytes());
    AddSound("good.wav", Tone(0.1));

    engine_.LoadSoundBank();
    EXPECT_EQ(Voice(0, 4) != nullptr, true) << "the good sound still loads";
    for (int s = 0; s < 4; ++s) EXPECT_EQ(Voice(0, s), nullptr) << s;
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), "Failed to load some sounds.");
    for (size_t i = 0; i + 1 < notes.size(); ++i)
        EXPECT_EQ(notes[i].rfind("Could not load sound:\n" + folder_ + "\\", 0), 0u) << notes[i];
}

TEST_F(SoundEngineTest, CreateSoundBufferRefusalNamesThePathAndTheError) {
    WavFile refused;
    refused.channels = 0;
    refused.data = PatternData(64);
    AddSound("refused.wav", refused.Bytes());
    engine_.LoadSoundBank();
    ASSERT_EQ(notes.size(), 2u);
    const std::string prefix = "Could not load sound:\n" + folder_ + "\\refused.wav\nError: -";
    EXPECT_EQ(notes[0].rfind(prefix, 0), 0u) << notes[0];
    EXPECT_EQ(notes[1], "Failed to load some sounds.");
}

// What a voice's buffer holds: its format and its bytes.
struct BufferContent {
    WAVEFORMATEX format = {};
    std::vector<uint8_t> bytes;
};
BufferContent ContentOf(IDirectSoundBuffer* buffer) {
    BufferContent content;
    buffer->GetFormat(&content.format, sizeof content.format, nullptr);
    void* bytes = nullptr;
    DWORD length = 0;
    if (SUCCEEDED(buffer->Lock(0, 0, &bytes, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER))) {
        content.bytes.assign(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + length);
        buffer->Unlock(bytes, length, nullptr, 0);
    }
    return content;
}

// Today's editors write 24-bit, 32-bit, float and extensible files: those play
// as 16-bit PCM; formats no buffer is made for get the notice naming them.
TEST_F(SoundEngineTest, RealWorldFormatsPlayAs16BitOrAreNamed) {
    const std::vector<int64_t> values24 = {8388607, -8388608, 128, -129, 256 * 1234, 0};
    const std::vector<int16_t> expected24 = {32767, -32768, 1, -1, 1234, 0};
    const std::vector<double> valuesFloat = {1.0, -1.0, 0.5, -0.25, 2.0, 0.0};
    const std::vector<int16_t> expectedFloat = {32767, -32768, 16384, -8192, 32767, 0};
    const std::vector<int16_t> expected32 = {32767, -32768, 0, 0, 20, 0};
    struct Playable {
        const char* name;
        WavFile wav;
        std::vector<int16_t> expected;
        int channels;
    };
    const Playable playable[] = {
        {"pcm24.wav", FormatFile(1, 24, 2, IntegerData(values24, 3)), expected24, 2},
        {"pcm32.wav", FormatFile(1, 32, 1, IntegerData({INT32_MAX, INT32_MIN, 1, -1, 20 << 16, 0}, 4)), expected32, 1},
        {"float.wav", FormatFile(3, 32, 1, FloatData(valuesFloat)), expectedFloat, 1},
        {"double.wav", FormatFile(3, 64, 2, FloatData(valuesFloat, 8)), expectedFloat, 2},
        {"ext24.wav", FormatFile(0xFFFE, 24, 1, IntegerData(values24, 3), 1), expected24, 1},
        {"extfloat.wav", FormatFile(0xFFFE, 32, 2, FloatData(valuesFloat), 3), expectedFloat, 2},
    };
    for (const Playable& p : playable) AddSound(p.name, p.wav.Bytes());
    AddSound("extadpcm.wav", FormatFile(0xFFFE, 16, 1, PatternData(64), 2).Bytes());
    AddSound("pcm12.wav", FormatFile(1, 12, 1, PatternData(64)).Bytes());
    WavFile bareFloat = FormatFile(3, 32, 1, FloatData(valuesFloat));  // no room for the size field
    bareFloat.fmtSize = 16;
    bareFloat.fmtExtra.clear();
    AddSound("barefloat.wav", bareFloat.Bytes());
    AddSound("pcm8.wav", FormatFile(1, 8, 1, {0, 255, 200}).Bytes());
    engine_.LoadSoundBank();

    for (int i = 0; i < 6; ++i) {
        const Playable& p = playable[i];
        ASSERT_TRUE(engine_.HasMaster(i)) << p.name;
        ASSERT_NE(Voice(0, i), nullptr) << p.name;
        const BufferContent content = ContentOf(Voice(0, i));
        EXPECT_EQ(content.format.wFormatTag, WAVE_FORMAT_PCM) << p.name;
        EXPECT_EQ(content.format.wBitsPerSample, 16) << p.name;
        EXPECT_EQ(content.format.nChannels, p.channels) << p.name;
        EXPECT_EQ(content.format.nSamplesPerSec, 44100u) << p.name;
        std::vector<int16_t> samples(content.bytes.size() / 2);
        std::memcpy(samples.data(), content.bytes.data(), samples.size() * 2);
        EXPECT_EQ(samples, p.expected) << p.name << ": every whole frame, nothing more";
    }
    for (int i = 6; i < 9; ++i) EXPECT_FALSE(engine_.HasMaster(i)) << i;
    // 8-bit plays as stored, and the buffer's one byte more (a whole frame of
    // 8-bit mono) is silence, not a click at full scale.
    ASSERT_TRUE(engine_.HasMaster(9));
    const BufferContent eightBit = ContentOf(Voice(0, 9));
    EXPECT_EQ(eightBit.format.wBitsPerSample, 8);
    EXPECT_EQ(eightBit.bytes, (std::vector<uint8_t>{0, 255, 200, 0x80}));
    const std::string refused = "\nError: " + std::to_string(static_cast<int>(DSERR_BADFORMAT));
    EXPECT_EQ(notes, (std::vector<std::string>{"Could not load sound:\n" + folder_ + "\\extadpcm.wav" + refused,
                                               "Could not load sound:\n" + folder_ + "\\pcm12.wav" + refused,
                                               "Failed to load some sounds."}));
}

// Reads half of a sound's data, then fails as a failing disk would, for the
// data chunks of one size only.
constexpr DWORD kFailingDataBytes = 44100 * 2;
UINT FailingRead(HMMIO file, UINT wanted, BYTE* destination, MMCKINFO* data, UINT* delivered) {
    if (data->cksize != kFailingDataBytes && data->cksize != kFailingDataBytes / 2 * 3)
        return ReadWaveData(file, wanted, destination, data, delivered);
    ReadWaveData(file, wanted / 2, destination, data, delivered);
    *delivered = 0;
    return WAVE_ERR_CORRUPT;
}

// A sound whose data cannot be read in full leaves no half-filled buffer to
// play: its slot stays empty and its steps silent.
TEST_F(SoundEngineTest, ASoundThatCannotBeReadLeavesNothingBehind) {
    AddSound("good.wav", Tone(0.1));
    WavFile stored;
    stored.data = SineData(1000, 1.0, 44100, 16, 1);
    ASSERT_EQ(stored.data.size(), kFailingDataBytes);
    AddSound("stored.wav", stored.Bytes());
    AddSound("converted.wav",
             FormatFile(1, 24, 1, IntegerData(std::vector<int64_t>(44100, 4096), 3)).Bytes());  // 3/2 of that
    engine_.SetWaveDataReader(FailingRead);
    engine_.LoadSoundBank();

    EXPECT_TRUE(engine_.HasMaster(0));
    EXPECT_FALSE(engine_.HasMaster(1));
    EXPECT_FALSE(engine_.HasMaster(2));
    EXPECT_NE(Voice(0, 0), nullptr);
    EXPECT_EQ(Voice(0, 1), nullptr);
    EXPECT_EQ(Voice(0, 2), nullptr);
    engine_.Trigger(0, 1);
    EXPECT_FALSE(engine_.IsVoicePlaying(0, 1));
    EXPECT_EQ(notes, std::vector<std::string>{"Failed to load some sounds."});

    // Read whole, the same files load.
    engine_.SetWaveDataReader(nullptr);
    engine_.ReleaseSoundBank();
    notes.clear();
    engine_.LoadSoundBank();
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(engine_.HasMaster(1));
    EXPECT_TRUE(engine_.HasMaster(2));
}

// The interface thread re-binds voices while the timer thread triggers them.
TEST_F(SoundEngineTest, RebindingWhileAnotherThreadTriggersIsSafe) {
    AddSound("a.wav", Tone(0.05));
    AddSound("b.wav", Tone(0.05, 22050));
    engine_.LoadSoundBank();
    std::atomic<bool> stop{false};
    std::atomic<long> triggers{0};
    std::thread timer([&] {
        while (!stop.load()) {
            for (int s = 0; s < 4; ++s) {
                engine_.Trigger(0, s);
                if (s % 2) engine_.StopVoice(0, s);
            }
            triggers.fetch_add(4);
        }
    });
    for (int i = 0; i < 20000; ++i) engine_.AssignSound(0, i % 4, i % 3);  // sound 2 is not loaded
    while (triggers.load() < 50000) engine_.AssignSound(0, 0, triggers.load() % 2);
    engine_.ReleaseSoundBank();
    engine_.LoadSoundBank();
    stop.store(true);
    timer.join();
    EXPECT_GE(triggers.load(), 50000);
}

}  // namespace
