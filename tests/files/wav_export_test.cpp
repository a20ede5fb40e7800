#include "files/wav_export.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "audio/prepared_sound.h"
#include "audio/voice_renderer.h"
#include "audio/wave_decode.h"
#include "audio/wave_encode.h"
#include "playback/plan_player.h"
#include "playback/step_timing.h"
#include "tests/audio/wav_builder.h"
#include "tests/temp_folder.h"


namespace {

using Bytes = std::vector<uint8_t>;

int16_t Sample(const Bytes& file, size_t frame, int channel) {
    const size_t at = 44 + 4 * frame + 2 * static_cast<size_t>(channel);
    return static_cast<int16_t>(file[at] | file[at + 1] << 8);
}

// A sound of a few 16-bit frames: the values given, mono or stereo.
Bytes Wave16(const std::vector<int>& values, uint16_t channels) {
    WavFile wav;
    wav.channels = channels;
    wav.rate = 22050;  // the file's rate plays no part
    for (int v : values) {
        wav.data.push_back(static_cast<uint8_t>(v & 0xFF));
        wav.data.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return wav.Bytes();
}

struct Fixture {
    TempFolder folder{"sfexport-"};
    ::Setup setup;
    std::vector<std::string> sounds;
    ExportPlan plan;

    Fixture() {
        for (int m = 0; m < Setup::kPlayableMeasures; ++m)
            for (Step& step : setup.measures[m].steps) step.on = 0;
        setup.stepsPerMeasure = 4;
        setup.tempo = 126.0;
        setup.masterVolume = 100;
        // Sound 0: a mono click of three frames; sound 1: stereo, two frames;
        // sound 2: 8-bit; sound 3: not a WAV file, and not used.
        sounds = {folder.File("click.wav"), folder.File("pair.wav"), folder.File("low.wav"), folder.File("junk.wav")};
        WriteAll(sounds[0], Wave16({16384, -8192, 100}, 1));
        WriteAll(sounds[1], Wave16({1000, -1000, 2000, -2000}, 2));
        WavFile eight;
        eight.bits = 8;
        eight.data = {128, 192, 0};
        WriteAll(sounds[2], eight.Bytes());
        WriteAll(sounds[3], {'n', 'o', 'p', 'e'});
        Step& first = setup.measures[0].steps[0];
        first.on = 1, first.sound = 0, first.volume = 127, first.pan = 64;
        Step& second = setup.measures[0].steps[1];
        second.on = 1, second.sound = 1, second.volume = 127, second.pan = 127;
        Step& third = setup.measures[0].steps[3];
        third.on = 1, third.sound = 2, third.volume = 127, third.pan = 64, third.pitch = 12;
    }
    ExportResult Export(const std::string& out, const ExportProgress& progress = nullptr,
                        ExportShape shape = ExportShape::CycleWithTails) {
        EXPECT_EQ(PlanExport(setup, static_cast<int>(sounds.size()), &plan), PlanOutcome::Planned);
        return ExportWav(plan, sounds, out, progress, shape);
    }
};

TEST(WavExport, WritesTheCycleWithEachSoundOnItsStep) {
    Fixture f;
    const std::string out = f.folder.File("cycle.wav");
    double last = -1;
    int calls = 0;
    const ExportResult result = f.Export(out, [&](double fraction) {
        EXPECT_GE(fraction, last);
        last = fraction;
        ++calls;
        return true;
    });
    ASSERT_EQ(result.status, ExportResult::Written) << result.message;
    EXPECT_EQ(last, 1.0);
    EXPECT_GE(calls, 2);
    const Bytes file = ReadAll(out);
    // Four steps at 126 BPM: 21000 frames.
    ASSERT_EQ(result.frames, 21000);
    ASSERT_EQ(file.size(), 44u + 4 * 21000);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 44), StereoPcm16Header(21000));
    EXPECT_EQ(result.clipped, 0u);
    EXPECT_EQ(result.message, "Exported 0:00 to " + out + " \x97 0 samples clipped");

    // The click on both sides, bit for bit, then silence up to step 1.
    EXPECT_EQ(Sample(file, 0, 0), 16384);
    EXPECT_EQ(Sample(file, 0, 1), 16384);
    EXPECT_EQ(Sample(file, 1, 0), -8192);
    EXPECT_EQ(Sample(file, 2, 1), 100);
    for (size_t frame = 3; frame < 5250; ++frame) ASSERT_EQ(Sample(file, frame, 0), 0) << frame;
    // Step 1 at frame 5250: stereo, panned hard right, so the left is silent.
    EXPECT_EQ(Sample(file, 5250, 0), 0);
    EXPECT_EQ(Sample(file, 5250, 1), -1000);
    EXPECT_EQ(Sample(file, 5251, 1), -2000);
    EXPECT_EQ(Sample(file, 5252, 1), 0);
    // Step 3 an octave up: the 8-bit ramp read at twice the rate from frame 15750.
    EXPECT_EQ(Sample(file, 15749, 0), 0);
    EXPECT_NE(Sample(file, 15750, 0), 0);
    EXPECT_EQ(Sample(file, 15752, 0), 0) << "three frames at 88200 Hz last two";
}

TEST(WavExport, SwingDelaysEachOddStepOfAMeasureToItsExactFrame) {
    Fixture f;
    f.setup.stepsPerMeasure = 3;  // slots 0..5 are steps 0, 1, 2, 0, 1, 2
    f.setup.measures[0].repeatCount = 2;
    Step* steps = f.setup.measures[0].steps;
    steps[2].on = 1, steps[1].sound = 0, steps[2].sound = 0;  // clicks, heard on the right
    const std::string out = f.folder.File("swing.wav");
    for (int swing : {750, 667, 540}) {
        f.setup.swing = static_cast<int16_t>(swing);
        ASSERT_EQ(f.Export(out).status, ExportResult::Written);
        const Bytes file = ReadAll(out);
        std::vector<int64_t> clicks, expected;  // where the silence before each click ends
        for (size_t frame = 0; 44 + 4 * frame < file.size(); ++frame)
            if (Sample(file, frame, 1) != 0 && (frame == 0 || Sample(file, frame - 1, 1) == 0)) clicks.push_back(frame);
        const double late = (swing - 500) / 500.0;
        for (int k = 0; k < 6; ++k)
            expected.push_back(std::llround((k + (k % 3 == 1 ? late : 0)) * StepIntervalMs(126) * 44.1));
        EXPECT_EQ(clicks, expected) << swing;
    }
}

TEST(WavExport, AFileOfAnotherRatePlaysAtItsOwnPitchOnlyWhenAsked) {
    Fixture f;
    WavFile tone;
    tone.rate = 48000;
    tone.data = SineData(1000.0, 0.2, 48000, 16, 1);
    WriteAll(f.sounds[0], tone.Bytes());
    f.setup.measures[0].steps[1].on = f.setup.measures[0].steps[3].on = 0;
    for (int ownRate : {1, 0}) {
        f.setup.ownRate = static_cast<uint8_t>(ownRate);
        ASSERT_EQ(f.Export(f.folder.File("rate.wav")).status, ExportResult::Written);
        const Bytes file = ReadAll(f.folder.File("rate.wav"));
        std::vector<double> rising;  // zero crossings over 0.1 s, interpolated
        for (size_t i = 1000; i < 5410; ++i)
            if (Sample(file, i - 1, 0) < 0 && Sample(file, i, 0) >= 0)
                rising.push_back(i - 1.0 + Sample(file, i - 1, 0) / (Sample(file, i - 1, 0) - Sample(file, i, 0) + .0));
        const double hz = (rising.size() - 1) * 44100.0 / (rising.back() - rising.front());
        // Off, 48,000 frames a second play at 44,100: 1.47 semitones low.
        EXPECT_NEAR(12 * std::log2(hz / 1000), ownRate ? 0.0 : 12 * std::log2(44100.0 / 48000), 0.003) << ownRate;
    }
}

TEST(WavExport, FailuresAndCancellingLeaveNoFileBehind) {
    Fixture f;
    const std::string out = f.folder.File("song.wav");
    WriteAll(out, {1, 2, 3});
    const size_t files = f.folder.Count();

    f.setup.measures[0].steps[2].on = 1;
    f.setup.measures[0].steps[2].sound = 3;  // the file that is not a WAV file
    ExportResult result = f.Export(out);
    EXPECT_EQ(result.status, ExportResult::Failed);
    EXPECT_NE(result.message.find(f.sounds[3]), std::string::npos) << result.message;

    f.setup.measures[0].steps[2].sound = 0;
    f.sounds[0] = f.folder.File("missing.wav");
    result = f.Export(out);
    EXPECT_EQ(result.status, ExportResult::Failed);
    EXPECT_NE(result.message.find("could not be read"), std::string::npos) << result.message;
    f.sounds[0] = f.folder.File("click.wav");

    result = f.Export(out, [](double fraction) { return fraction < 0.5; });
    EXPECT_EQ(result.status, ExportResult::Cancelled);

    result = f.Export(f.folder.File("no such folder") + "/out.wav");
    EXPECT_EQ(result.status, ExportResult::Failed);
    EXPECT_NE(result.message.find("Nothing was written"), std::string::npos);

    EXPECT_EQ(ReadAll(out), (Bytes{1, 2, 3})) << "the old file stays as it was";
    EXPECT_EQ(f.folder.Count(), files) << "no temporary file is left";

    // A sum beyond full scale: clipped and counted, per sample. At 10^7 BPM
    // the steps come one timer tick (44 frames) apart, as playback sounds them.
    WavFile level;
    for (int i = 0; i < 200; ++i) level.data.push_back(0x33), level.data.push_back(0x33);  // 0.4
    f.sounds[0] = f.folder.File("level.wav");
    WriteAll(f.sounds[0], level.Bytes());
    f.setup.polyphonic = 1;
    f.setup.stepsPerMeasure = 3;
    f.setup.tempo = 1e7;
    for (int s = 0; s < 3; ++s) {
        Step& step = f.setup.measures[0].steps[s];
        step.on = 1, step.sound = 0, step.volume = 127, step.pan = 64, step.pitch = 0;
    }
    result = f.Export(out);
    ASSERT_EQ(result.status, ExportResult::Written) << result.message;
    EXPECT_EQ(result.frames, 88 + 200);
    EXPECT_EQ(result.clipped, 2u * (200 - 88)) << "only where all three sound";
    EXPECT_EQ(Sample(ReadAll(out), 100, 0), 32767);
    EXPECT_EQ(Sample(ReadAll(out), 50, 1), 26214);
}

// The plan played through a renderer of its own from the start for `frames`
// frames: playback going round, made without the export.
std::vector<float> PlayedFromTheStart(const Fixture& f, int64_t frames) {
    std::vector<PreparedSound> prepared(f.sounds.size());
    std::vector<uint32_t> rates;
    for (size_t i = 0; i < f.sounds.size(); ++i) {
        if (f.plan.SoundsUsed()[i]) {
            const Bytes bytes = ReadAll(f.sounds[i]);
            WaveData wave;
            EXPECT_TRUE(LocateWaveData(bytes.data(), bytes.size(), &wave) && prepared[i].Prepare(wave));
        }
        rates.push_back(prepared[i].Empty() ? kPitchZeroRate : prepared[i].Rate());
    }
    ExportPlan plan = f.plan;
    plan.SetSoundRates(rates);
    SpeedUpBanks banks(kExportSpeedUpKernel, 256, false);
    VoiceRenderer renderer(banks);
    renderer.SetSounds(prepared.data(), prepared.size());
    PlanPlayer player(plan, renderer);
    std::vector<float> out(2 * static_cast<size_t>(frames));
    player.Render(out.data(), out.size() / 2);
    return out;
}

TEST(WavExport, ALoopIsOneCycleAsItSoundsWhileTheArrangementGoesRound) {
    Fixture f;
    // Sounds far longer than a step: 30,000 and 50,000 frames of a rough saw.
    auto saw = [](int frames, int period, int level) {
        std::vector<int> values;
        for (int i = 0; i < frames; ++i) values.push_back((i * 97 % period - period / 2) * level / (period / 2));
        return values;
    };
    WriteAll(f.sounds[1], Wave16(saw(30000, 1001, 14000), 1));
    WriteAll(f.sounds[2], Wave16(saw(50000, 3001, 16000), 1));
    // Measure 0 twice, then measure 1: twelve steps, 63,000 frames.
    f.setup.measures[0].repeatCount = 2;
    f.setup.measures[0].nextMeasure = 1;
    f.setup.measures[1].nextMeasure = 0;
    auto set = [&](int measure, int step, int sound, int pitch, int pan) {
        Step& s = f.setup.measures[measure].steps[step];
        s.on = 1, s.sound = static_cast<int16_t>(sound), s.pitch = static_cast<int16_t>(pitch), s.volume = 127;
        s.pan = static_cast<int16_t>(pan);
    };
    f.setup.measures[0].steps[0].on = 0;  // what the last step leaves rings into the next round
    set(0, 1, 2, -24, 64);  // over three cycles (six at the files' own rate)
    set(0, 2, 1, 0, 64);    // outlasts a pass: restarts itself
    set(0, 3, 0, 0, 127);
    set(1, 0, 2, 5, 100);   // pitched up: read through the export's fine kernel
    set(1, 1, 1, -7, 20);
    set(1, 3, 1, -12, 64);  // over a cycle
    const int64_t cycle = 63000;
    // Rendered from the start for this many cycles, longer than any voice
    // rings, the passes before the first would add nothing more.
    const int64_t rounds = 8;
    struct Case {
        int polyphonic, swing, ownRate;
    };
    for (const Case& c : {Case{0, 500, 0}, Case{1, 667, 1}}) {
        f.setup.polyphonic = static_cast<uint8_t>(c.polyphonic);
        f.setup.swing = static_cast<int16_t>(c.swing);
        f.setup.ownRate = static_cast<uint8_t>(c.ownRate);
        const std::string out = f.folder.File("loop.wav");
        const ExportResult result = f.Export(out, nullptr, ExportShape::Loop);
        ASSERT_EQ(result.status, ExportResult::Written) << result.message;
        ASSERT_EQ(f.plan.CycleFrames(), cycle);
        const Bytes file = ReadAll(out);
        ASSERT_EQ(result.frames, cycle);
        ASSERT_EQ(file.size(), 44 + 4 * static_cast<size_t>(cycle));
        const std::vector<float> played = PlayedFromTheStart(f, (rounds + 1) * cycle);
        Bytes expected(4 * static_cast<size_t>(cycle));
        uint64_t clipped = 0;
        ConvertToPcm16(played.data() + 2 * rounds * cycle, 2 * static_cast<size_t>(cycle), expected.data(), &clipped);
        EXPECT_TRUE(Bytes(file.begin() + 44, file.end()) == expected) << "polyphonic " << c.polyphonic;
        EXPECT_EQ(result.clipped, clipped);
        EXPECT_EQ(result.message.rfind("Exported a loop of 0:01 to " + out + " \x97 ", 0), 0u) << result.message;
    }
}

TEST(WavExport, ClosingAndFailureMessages) {
    EXPECT_EQ(ExportClosingMessage(44100 * 112, "C:\\out.wav", 0), "Exported 1:52 to C:\\out.wav \x97 0 samples clipped");
    EXPECT_EQ(ExportClosingMessage(44100 * 59 + 22050, "x.wav", 1), "Exported 1:00 to x.wav \x97 1 sample clipped");
    EXPECT_EQ(ExportClosingMessage(44100LL * 3725, "x.wav", 12), "Exported 1:02:05 to x.wav \x97 12 samples clipped");
    EXPECT_EQ(PlanFailureMessage(PlanOutcome::Planned), "");
    EXPECT_NE(PlanFailureMessage(PlanOutcome::UnusableTempo).find("tempo"), std::string::npos);
}

}  // namespace
