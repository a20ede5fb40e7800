#include "playback/export_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "audio/sound_maps.h"
#include "playback/sequencer.h"
#include "playback/step_timing.h"
#include "tests/playback/transport_fakes.h"

namespace {

// Every step of the eight measures off; measures chained to themselves.
void Silence(Setup& setup) {
    for (int m = 0; m < Setup::kPlayableMeasures; ++m) {
        for (Step& step : setup.measures[m].steps) step.on = 0;
    }
}

void On(Setup& setup, int m, int s, int sound, int pitch = 0, int volume = 127, int pan = 64) {
    Step& step = setup.measures[m].steps[s];
    step.on = 1;
    step.sound = static_cast<int16_t>(sound);
    step.pitch = static_cast<int16_t>(pitch);
    step.volume = static_cast<int16_t>(volume);
    step.pan = static_cast<int16_t>(pan);
}

// The slots of the first cycle that sound.
std::vector<SlotSound> Sounds(const Setup& setup, int soundCount) {
    ExportPlan plan;
    EXPECT_EQ(PlanExport(setup, soundCount, &plan), PlanOutcome::Planned);
    std::vector<SlotSound> sounds;
    SlotSound sound;
    while (plan.Next(&sound) && sound.frame < plan.CycleFrames()) sounds.push_back(sound);
    return sounds;
}

int64_t CycleFrames(const Setup& setup) {
    ExportPlan plan;
    EXPECT_EQ(PlanExport(setup, 1, &plan), PlanOutcome::Planned);
    return plan.CycleFrames();
}

std::vector<std::pair<int, int>> Slots(const Setup& setup) {
    std::vector<std::pair<int, int>> out;
    for (const CycleSlot& slot : CycleSlots(setup)) out.push_back({slot.measure, slot.step});
    return out;
}

TEST(ExportPlan, OnsetsFallOnTheExactFrameOfEachStepTime) {
    ::Setup setup;
    Silence(setup);
    for (int s : {0, 1, 2, 15}) On(setup, 0, s, 0);
    const std::vector<SlotSound> sounds = Sounds(setup, 1);
    ASSERT_EQ(sounds.size(), 4u) << "steps that are off sound nothing";
    // 126 BPM: a step is 119.047613 ms, 5249.9997 frames; sixteen are 84000.
    EXPECT_EQ(sounds[0].frame, 0);
    EXPECT_EQ(sounds[1].frame, 5250);
    EXPECT_EQ(sounds[2].frame, 10500);
    EXPECT_EQ(sounds[3].frame, StepOnsetFrame(15, StepIntervalMs(126.0)));
    EXPECT_EQ(CycleFrames(setup), 84000);
    ExportPlan rounds;
    PlanExport(setup, 1, &rounds);
    SlotSound sound;
    for (int i = 0; i < 9; ++i) rounds.Next(&sound);
    EXPECT_EQ(sound.frame, 2 * 84000) << "each round lies one cycle after the one before";

    // Above 15,000 BPM the timer sounds one step per tick: at 30,000 BPM the
    // 64th step comes at 63 ms, not at its nominal 31.5 ms.
    setup.tempo = 30000.0;
    for (int m = 0; m < 4; ++m) {
        setup.measures[m].nextMeasure = static_cast<int16_t>(m + 1);
        for (int s = 0; s < 16; ++s) On(setup, m, s, 0);
    }
    const std::vector<SlotSound> fast = Sounds(setup, 1);
    ASSERT_GE(fast.size(), 64u);
    EXPECT_EQ(fast[63].frame, FrameAtMs(63.0));
    EXPECT_EQ(fast[1].frame, FrameAtMs(1.0));
    setup.tempo = 126.0;
    // 120 BPM: 124.999993 ms, so step 3 at 16537.49907 frames rounds down.
    EXPECT_EQ(StepOnsetFrame(3, StepIntervalMs(120.0)), 16537);
    EXPECT_EQ(StepOnsetFrame(1000, StepIntervalMs(120.0)), 5512500);

    setup.tempo = 0.0;
    ExportPlan none;
    EXPECT_EQ(PlanExport(setup, 1, &none), PlanOutcome::UnusableTempo);
    setup.tempo = std::nan("");
    EXPECT_EQ(PlanExport(setup, 1, &none), PlanOutcome::UnusableTempo);
    // 32767 passes of every measure at 1 BPM: far beyond what a file holds.
    setup.tempo = 1.0;
    for (int m = 0; m < Setup::kPlayableMeasures; ++m) {
        setup.measures[m].nextMeasure = static_cast<int16_t>((m + 1) % Setup::kPlayableMeasures);
        setup.measures[m].repeatCount = 32767;
    }
    EXPECT_EQ(PlanExport(setup, 1, &none), PlanOutcome::TooLong);
}

TEST(ExportPlan, LevelsPansAndPitchesFollowTheEnginesMaps) {
    ::Setup setup;
    Silence(setup);
    setup.masterVolume = 80;
    setup.masterPitch = -3;
    On(setup, 0, 0, 0, 0, 110, 64);   // -876: both sides alike
    On(setup, 0, 1, 1, 5, 127, 96);   // pan 3000: the left side 30 dB down
    On(setup, 0, 2, 0, 12, 127, 32);  // pan -2858: the right side down
    On(setup, 0, 3, 0, 0, 0, 0);      // silent, and left only
    On(setup, 0, 4, 0, 70, 127, 127);  // beyond the table: its top; right only
    const std::vector<SlotSound> sounds = Sounds(setup, 2);
    ASSERT_EQ(sounds.size(), 5u);
    const PitchTable table;
    const float level80 = static_cast<float>(std::pow(10.0, VolumeAttenuation(127, 80) / 2000.0));
    auto left = [&](size_t i) { return sounds[i].start.level * sounds[i].start.panLeft; };
    auto right = [&](size_t i) { return sounds[i].start.level * sounds[i].start.panRight; };

    EXPECT_FLOAT_EQ(left(0), static_cast<float>(std::pow(10.0, -876 / 2000.0)));
    EXPECT_FLOAT_EQ(right(0), left(0));
    EXPECT_EQ(sounds[0].start.frequency, PitchFrequency(table, -3)) << "the master pitch transposes every step";

    EXPECT_EQ(sounds[1].start.sound, 1);
    EXPECT_EQ(sounds[1].start.frequency, PitchFrequency(table, 2));
    EXPECT_FLOAT_EQ(right(1), level80);
    EXPECT_FLOAT_EQ(left(1), level80 * static_cast<float>(std::pow(10.0, -3000 / 2000.0)));

    EXPECT_FLOAT_EQ(left(2), level80);
    EXPECT_FLOAT_EQ(right(2), level80 * static_cast<float>(std::pow(10.0, -2858 / 2000.0)));

    EXPECT_EQ(left(3), 0.0f);
    EXPECT_EQ(right(3), 0.0f);
    EXPECT_EQ(left(4), 0.0f);
    EXPECT_FLOAT_EQ(right(4), level80);
    EXPECT_EQ(sounds[4].start.frequency, kFrequencyMax);

    setup.muted = 1;
    EXPECT_FALSE(Sounds(setup, 2)[0].start.silenced) << "mute is ignored";
}

TEST(ExportPlan, ChainsPassesAndActiveSteps) {
    ::Setup setup;
    setup.stepsPerMeasure = 2;
    setup.editMeasure = 3;
    setup.measures[3].nextMeasure = 5;
    setup.measures[3].repeatCount = 2;
    setup.measures[5].nextMeasure = 9;  // out of range: back to itself, which ends the cycle
    setup.measures[5].repeatCount = 0;  // one pass, as in playback
    EXPECT_EQ(Slots(setup), (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {3, 0}, {3, 1}, {5, 0}, {5, 1}}));
    EXPECT_EQ(CycleSlotCount(setup), 6);

    setup.measures[5].nextMeasure = 1;
    setup.measures[1].nextMeasure = 5;  // back to a measure already played
    setup.measures[1].repeatCount = -4;
    setup.stepsPerMeasure = 1;
    EXPECT_EQ(Slots(setup), (std::vector<std::pair<int, int>>{{3, 0}, {3, 0}, {5, 0}, {1, 0}}));

    setup.editMeasure = 42;  // beyond the measures: the last one
    setup.stepsPerMeasure = 99;
    setup.measures[7].nextMeasure = 7;
    EXPECT_EQ(CycleSlotCount(setup), 16);
    EXPECT_EQ(CycleSlots(setup).front().measure, 7);
}

// The plan against the real sequencer run by a simulated clock over one
// cycle: every voice the engine would start, on the same step, cut by the same
// stop or restart.
struct EngineVoice {
    int measure, step;
    int64_t onsetSlot;
    int64_t cutSlot;  // -1: rings on
};

std::vector<EngineVoice> SequencerVoices(Setup& setup, int soundCount) {
    auto owned = std::make_unique<SimulatedClock>();
    SimulatedClock* clock = owned.get();
    TransportRecorder recorder(*clock);
    Sequencer sequencer;
    sequencer.Prepare(setup, recorder, recorder, recorder, std::move(owned));
    const int64_t slots = CycleSlotCount(setup);
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + static_cast<int64_t>(std::ceil(slots * StepIntervalMs(setup.tempo))) + 5);

    std::vector<EngineVoice> voices;
    int live[Setup::kPlayableMeasures][Setup::kStepsPerMeasure];
    for (auto& row : live) std::fill(std::begin(row), std::end(row), -1);
    int64_t slot = 0;
    for (const TransportRecorder::Event& e : recorder.events) {
        if (e.what == "sounded" && ++slot == slots) break;
        if (e.what != "trigger" && e.what != "stop") continue;
        int& index = live[e.a][e.b];
        if (index >= 0) voices[static_cast<size_t>(index)].cutSlot = slot;  // stopped, or restarted
        index = -1;
        const int sound = setup.measures[e.a].steps[e.b].sound;
        if (e.what == "trigger" && sound >= 0 && sound < soundCount) {
            index = static_cast<int>(voices.size());
            voices.push_back({e.a, e.b, slot, -1});
        }
    }
    EXPECT_EQ(slot, slots);
    if (sequencer.IsRunning()) sequencer.StopPlayback();
    return voices;
}

// The voices the plan's slots start and cut over its first cycle, in the same
// form: onsets and cuts as frames.
struct PlanVoice {
    int measure, step;
    int64_t onset, cut;  // cut -1: rings on
};
std::vector<PlanVoice> PlanVoices(const Setup& setup, int soundCount) {
    std::vector<PlanVoice> voices;
    int live[Setup::kPlayableMeasures * Setup::kStepsPerMeasure];
    std::fill(std::begin(live), std::end(live), -1);
    auto cut = [&](int voice, int64_t frame) {
        if (voice >= 0 && live[voice] >= 0) voices[static_cast<size_t>(live[voice])].cut = frame;
        if (voice >= 0) live[voice] = -1;
    };
    for (const SlotSound& sound : Sounds(setup, soundCount)) {
        cut(sound.cutVoice, sound.frame);
        cut(sound.voice, sound.frame);
        if (sound.start.sound < 0) continue;
        live[sound.voice] = static_cast<int>(voices.size());
        voices.push_back({sound.voice / 16, sound.voice % 16, sound.frame, -1});
    }
    return voices;
}

TEST(ExportPlan, VoicesStartAndStopWhereThePlayingSequencerStartsAndStopsThem) {
    for (int polyphonic : {0, 1}) {
        ::Setup setup;
        Silence(setup);
        setup.polyphonic = polyphonic;
        setup.stepsPerMeasure = 5;
        setup.measures[0].nextMeasure = 2;
        setup.measures[0].repeatCount = 2;
        setup.measures[2].nextMeasure = 0;
        On(setup, 0, 0, 0);
        On(setup, 0, 2, 1);
        On(setup, 0, 3, 7);  // no such sound: silent, yet it stops the voice before
        On(setup, 0, 4, 1);
        On(setup, 2, 1, 0);
        On(setup, 2, 4, 2);
        On(setup, 2, 9, 0);  // beyond the active steps
        const double interval = StepIntervalMs(setup.tempo);
        const std::vector<EngineVoice> expected = SequencerVoices(setup, 3);
        const std::vector<PlanVoice> planned = PlanVoices(setup, 3);
        ASSERT_EQ(planned.size(), expected.size()) << "polyphonic " << polyphonic;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(planned[i].measure, expected[i].measure) << i;
            EXPECT_EQ(planned[i].step, expected[i].step) << i;
            EXPECT_EQ(planned[i].onset, StepOnsetFrame(expected[i].onsetSlot, interval)) << i;
            const int64_t cut = expected[i].cutSlot < 0 ? -1 : StepOnsetFrame(expected[i].cutSlot, interval);
            EXPECT_EQ(planned[i].cut, cut) << "polyphonic " << polyphonic << " voice " << i;
        }
        if (polyphonic == 0) {
            // Step 2 is stopped by the soundless step 3; step 4 by the next pass.
            EXPECT_EQ(planned[1].cut, StepOnsetFrame(3, interval));
            EXPECT_EQ(planned[2].cut, StepOnsetFrame(5, interval));
        } else {
            // Only the second pass restarts the first pass's voices.
            EXPECT_EQ(planned[0].cut, StepOnsetFrame(5, interval));
            EXPECT_EQ(planned[3].cut, -1);
        }
    }
}

}  // namespace
