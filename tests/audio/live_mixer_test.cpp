#include "audio/live_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double kLatencyMs = 30.0;
constexpr double kStepMs = 119.047613;

// A stream whose device runs `ppm` fast against the playback clock and
// reports its position in steps of `grainFrames`, as a mixer period would.
struct SimulatedStream {
    explicit SimulatedStream(LiveMixer& mixer, double ppm = 0.0, int64_t grainFrames = 1)
        : mixer(mixer), ppm(ppm), grainFrames(grainFrames) {}
    LiveMixer& mixer;
    double ppm;
    int64_t grainFrames;
    double jitterMs = 0.0;  // readings come this much late at most
    double startMs = 1000.0;
    int64_t frame = 0;
    std::vector<float> heard;  // left channel, from frame 0
    std::vector<std::pair<int64_t, double>> stalls;  // from this frame on, heard this much later
    std::minstd_rand random{7};

    // The clock time at which the device plays `frame`.
    double ClockAt(double frames) const { return startMs + frames / (44.1 * (1.0 + ppm * 1e-6)) + StalledMs(frames); }
    double HeardAt(int64_t frames) const { return ClockAt(static_cast<double>(frames)); }
    double StalledMs(double frames) const {
        double ms = 0.0;
        for (const auto& stall : stalls) ms += frames >= static_cast<double>(stall.first) ? stall.second : 0.0;
        return ms;
    }
    // What the device has not played yet waits `ms` more.
    void Stall(double ms) { stalls.push_back({frame - 441, ms}); }
    void Play(size_t block, int blocks) {
        std::vector<float> out(2 * block);
        for (int b = 0; b < blocks; ++b) {
            // Rendered one block ahead of what the device has played.
            const int64_t played = std::max<int64_t>(0, frame - static_cast<int64_t>(block)) / grainFrames * grainFrames;
            const double late = std::uniform_real_distribution<double>(0.0, jitterMs)(random);
            mixer.Render(out.data(), block, frame, {ClockAt(static_cast<double>(played)) + late, played, true});
            for (size_t i = 0; i < block; ++i) heard.push_back(out[2 * i]);
            frame += static_cast<int64_t>(block);
        }
    }
    std::vector<int64_t> Onsets() const {
        std::vector<int64_t> onsets;
        for (size_t i = 0; i < heard.size(); ++i)
            if (heard[i] > 0.5f && (i == 0 || heard[i - 1] <= 0.5f)) onsets.push_back(static_cast<int64_t>(i));
        return onsets;
    }
};

// Sound 0: one full-scale frame; sound 1: a long constant level of 0.25.
SoundSet Clicks() {
    SoundSet set;
    set.sounds.resize(2);
    const float click = 1.0f;
    set.sounds[0].Prepare(&click, 1, 1, 44100);
    const std::vector<float> level(44100, 0.25f);
    set.sounds[1].Prepare(level.data(), 1, level.size(), 44100);
    return set;
}

VoiceCommand Command(VoiceCommand::Kind kind, double atMs, int voice = 0);

// Hands the mixer its sound list at the start of the clock.
void UseSounds(LiveMixer& mixer, const SoundSet& set) {
    VoiceCommand use = Command(VoiceCommand::UseSounds, 1000.0);
    use.sounds = &set;
    mixer.PushNow(use);
}

VoiceCommand Start(int voice, int sound, double atMs) {
    VoiceCommand command;
    command.kind = VoiceCommand::Start;
    command.voice = voice;
    command.atMs = atMs;
    command.start.sound = sound;
    return command;
}

VoiceCommand Command(VoiceCommand::Kind kind, double atMs, int voice) {
    VoiceCommand command;
    command.kind = kind;
    command.atMs = atMs;
    command.voice = voice;
    return command;
}

TEST(LiveMixer, StepsLandOnTheirExactFramesOneLatencyLaterAndLateOnesAtOnce) {
    LiveMixer mixer(kLatencyMs);
    SimulatedStream stream(mixer);
    const SoundSet set = Clicks();
    UseSounds(mixer, set);
    for (int k = 0; k < 16; ++k) mixer.PushTimed(Start(k % 16, 0, 1000.0 + k * kStepMs));
    stream.Play(441, 500);
    EXPECT_EQ(mixer.SoundsInUse(), &set);
    const std::vector<int64_t> onsets = stream.Onsets();
    ASSERT_EQ(onsets.size(), 16u);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(onsets[k], std::llround((k * kStepMs + kLatencyMs) * 44.1)) << k;
    EXPECT_EQ(mixer.LateCommands(), 0u);

    // One whose place is already rendered starts with the next block, counted late.
    mixer.PushTimed(Start(3, 0, stream.ClockAt(static_cast<double>(stream.frame)) - kLatencyMs - 50.0));
    const int64_t next = stream.frame;
    stream.Play(441, 2);
    EXPECT_EQ(stream.Onsets().back(), next);
    EXPECT_EQ(mixer.LateCommands(), 1u);

    // A full queue refuses, never waits.
    for (size_t i = 0; i < LiveMixer::kQueueCapacity; ++i) mixer.PushTimed(Start(0, 0, 1e9));
    EXPECT_FALSE(mixer.PushTimed(Start(0, 0, 1e9)));
    EXPECT_EQ(mixer.DroppedCommands(), 1u);
}

TEST(LiveMixer, FollowsADriftingCoarseStreamAndItsStallsWithAConstantLatency) {
    // A device 15 ppm fast, its position known only to 10 ms and late by up
    // to 3 ms more; at 40 s it stalls for 120 ms (heard as a gap). Steps keep
    // their spacing to a twentieth of a millisecond, and are heard one
    // constant latency after their due times, before the stall and from half
    // a second after it (the map's window) on.
    LiveMixer mixer(kLatencyMs);
    SimulatedStream stream(mixer, 15.0, 441);
    stream.jitterMs = 3.0;
    const SoundSet set = Clicks();
    UseSounds(mixer, set);
    const int steps = 900;  // 107 s
    int pushed = 0;
    std::vector<double> due;
    double stalledAt = 0;
    for (int block = 0; block < steps * 12; ++block) {
        if (block == 4000) {
            stalledAt = stream.ClockAt(static_cast<double>(stream.frame));
            stream.Stall(120.0);
        }
        // Steps are handed over as the timer would, a little after they fall due.
        const double now = stream.ClockAt(static_cast<double>(stream.frame) - 441.0);
        while (pushed < steps && 1000.0 + pushed * kStepMs <= now) {
            due.push_back(1000.0 + pushed * kStepMs);
            mixer.PushTimed(Start(pushed % 16, 0, due.back()));
            ++pushed;
        }
        stream.Play(441, 1);
    }
    const std::vector<int64_t> onsets = stream.Onsets();
    ASSERT_EQ(onsets.size(), static_cast<size_t>(steps));
    EXPECT_LE(mixer.LateCommands(), 2u) << "steps due while the stream stood still";
    std::vector<double> latency;
    int offBeat = 0;
    for (int k = 21; k < steps; ++k) {
        if (due[k] > stalledAt - kLatencyMs && due[k - 1] < stalledAt + 120.0 + 500.0) continue;
        const double interval = stream.HeardAt(onsets[k]) - stream.HeardAt(onsets[k - 1]);
        if (std::fabs(interval - kStepMs) > 0.05) ++offBeat;
        latency.push_back(stream.HeardAt(onsets[k]) - due[k]);
    }
    EXPECT_EQ(offBeat, 0);
    const auto [least, most] = std::minmax_element(latency.begin(), latency.end());
    EXPECT_LT(*most - *least, 10.0) << "ms: the latency stays within a mixing period";
    EXPECT_LT(*most, kLatencyMs + 15.0);
}

TEST(LiveMixer, InterfaceCommandsTakeTheirPlaceAmongTheSteps) {
    LiveMixer mixer(kLatencyMs);
    SimulatedStream stream(mixer);
    const SoundSet set = Clicks();
    UseSounds(mixer, set);
    mixer.PushTimed(Start(1, 1, 1000.0));
    mixer.PushTimed(Start(2, 1, 1010.0));
    mixer.PushNow(Command(VoiceCommand::SilenceAll, 1020.0));
    VoiceCommand level = Command(VoiceCommand::SetLevel, 1030.0, 2);
    level.start.level = 2.0f;
    mixer.PushNow(level);
    mixer.PushNow(Command(VoiceCommand::Stop, 1040.0, 2));
    mixer.PushTimed(Start(3, 1, 1050.0));
    mixer.PushNow(Command(VoiceCommand::StopAll, 1060.0));
    stream.Play(441, 10);
    auto at = [&](double ms) { return stream.heard[static_cast<size_t>(std::llround((ms + kLatencyMs - 1000.0) * 44.1)) + 5]; };
    EXPECT_FLOAT_EQ(at(1000.0), 0.25f);
    EXPECT_FLOAT_EQ(at(1010.0), 0.5f) << "two voices";
    EXPECT_FLOAT_EQ(at(1020.0), 0.0f) << "muted, both run on";
    EXPECT_FLOAT_EQ(at(1030.0), 0.5f) << "one voice brought back at twice its level";
    EXPECT_FLOAT_EQ(at(1040.0), 0.0f);
    EXPECT_FLOAT_EQ(at(1050.0), 0.25f) << "a start after the mute is heard";
    EXPECT_FLOAT_EQ(at(1060.0), 0.0f);
    EXPECT_EQ(mixer.SoundingVoices(), 0);
    EXPECT_EQ(mixer.StartsCarriedOut(), 3u);
}

TEST(LiveMixer, TimerAndInterfaceThreadsHandOverWhileTheMixThreadRenders) {
    LiveMixer mixer(kLatencyMs);
    const SoundSet first = Clicks(), second = Clicks();
    std::atomic<bool> done{false};
    std::thread timer([&] {
        for (int k = 0; k < 2000; ++k) {
            while (!mixer.PushTimed(Start(k % 128, k % 2, 1000.0 + k * 0.5))) std::this_thread::yield();
        }
        done = true;
    });
    std::thread interface([&] {
        for (int k = 0; k < 200; ++k) {
            VoiceCommand use = Command(VoiceCommand::UseSounds, 1000.0 + k * 5.0);
            use.sounds = k % 2 ? &first : &second;
            while (!mixer.PushNow(use)) std::this_thread::yield();
            while (!mixer.PushNow(Command(VoiceCommand::SilenceAll, 1000.0 + k * 5.0 + 1.0))) std::this_thread::yield();
        }
    });
    SimulatedStream stream(mixer);
    while (!done || mixer.StartsCarriedOut() < 2000) stream.Play(64, 1);
    interface.join();
    timer.join();
    EXPECT_EQ(mixer.StartsCarriedOut(), 2000u);
}

}  // namespace
