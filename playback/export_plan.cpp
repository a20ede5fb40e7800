#include "playback/export_plan.h"

#include <algorithm>
#include <cmath>

#include "audio/sound_maps.h"
#include "audio/wave_encode.h"
#include "playback/step_timing.h"

namespace {
constexpr int kLastMeasure = Setup::kPlayableMeasures - 1;

int ClampInt(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

int ActiveSteps(const Setup& setup) { return ClampInt(setup.stepsPerMeasure, 1, Setup::kStepsPerMeasure); }

// A measure plays `repeatCount` passes, and at least one.
int Passes(const Measure& measure) { return std::max<int>(1, measure.repeatCount); }

// As the sequencer follows a link: one outside the playable measures points
// back at the measure itself.
int NextMeasure(const Setup& setup, int measure) {
    const int next = setup.measures[measure].nextMeasure;
    return next >= 0 && next <= kLastMeasure ? next : measure;
}

// The measures of one cycle in the order they play.
std::vector<int> CycleMeasures(const Setup& setup) {
    std::vector<int> order;
    bool played[Setup::kPlayableMeasures] = {};
    for (int m = ClampInt(setup.editMeasure, 0, kLastMeasure); !played[m]; m = NextMeasure(setup, m)) {
        played[m] = true;
        order.push_back(m);
    }
    return order;
}

float Gain(long hundredthsOfDb) {
    if (hundredthsOfDb <= kAttenuationSilent) return 0.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(hundredthsOfDb) / 2000.0));
}
}  // namespace

int64_t CycleSlotCount(const Setup& setup) {
    int64_t passes = 0;
    for (int m : CycleMeasures(setup)) passes += Passes(setup.measures[m]);
    return passes * ActiveSteps(setup);
}

std::vector<CycleSlot> CycleSlots(const Setup& setup) {
    std::vector<CycleSlot> slots;
    slots.reserve(static_cast<size_t>(CycleSlotCount(setup)));
    const int active = ActiveSteps(setup);
    for (int m : CycleMeasures(setup)) {
        for (int pass = Passes(setup.measures[m]); pass > 0; --pass) {
            for (int s = 0; s < active; ++s) slots.push_back({m, s});
        }
    }
    return slots;
}

int64_t StepOnsetFrame(int64_t index, double intervalMs, double delayMs) {
    return std::llround((static_cast<double>(index) * intervalMs + delayMs) * kOutputRate / 1000.0);
}

PlanOutcome PlanExport(const Setup& setup, int soundCount, ExportPlan* plan) {
    *plan = ExportPlan();
    const double interval = StepIntervalMs(setup.tempo);
    if (!IsUsableInterval(interval)) return PlanOutcome::UnusableTempo;
    const int64_t slotCount = CycleSlotCount(setup);
    // Whatever rings after it, the cycle alone must fit in one file.
    if (static_cast<double>(slotCount) * interval * kOutputRate / 1000.0 > static_cast<double>(kMaxStereoPcm16Frames))
        return PlanOutcome::TooLong;

    const PitchTable table;
    const int masterVolume = setup.masterVolume;
    const int masterPitch = setup.masterPitch;
    const bool monophonic = setup.polyphonic == 0;
    const int swing = setup.swing;
    plan->ownRate = setup.ownRate != 0;
    plan->soundsUsed.assign(static_cast<size_t>(std::max(0, soundCount)), false);

    // Each slot holds one voice, so a trigger restarts the slot's own sound;
    // without polyphony it first stops the slot triggered last.
    constexpr int kNone = -1;
    int slotVoice[Setup::kPlayableMeasures][Setup::kStepsPerMeasure];
    for (auto& measure : slotVoice) std::fill(std::begin(measure), std::end(measure), kNone);
    int lastMeasure = 0, lastStep = 0;
    auto cut = [&](int measure, int step, int64_t at) {
        const int index = slotVoice[measure][step];
        if (index == kNone) return;
        MixVoice& voice = plan->voices[static_cast<size_t>(index)];
        voice.cut = std::min(voice.cut, at);
        slotVoice[measure][step] = kNone;
    };

    const std::vector<CycleSlot> slots = CycleSlots(setup);
    for (size_t i = 0; i < slots.size(); ++i) {
        const int m = slots[i].measure, s = slots[i].step;
        const Step& step = setup.measures[m].steps[s];
        if (step.on == 0) continue;
        const int64_t onset = StepOnsetFrame(static_cast<int64_t>(i), interval, SwingDelayMs(s, swing, interval));
        if (monophonic) cut(lastMeasure, lastStep, onset);
        cut(m, s, onset);
        lastMeasure = m;
        lastStep = s;
        const int sound = step.sound;
        if (sound < 0 || sound >= soundCount) continue;  // no voice: silent

        MixVoice voice;
        voice.onset = onset;
        voice.sound = sound;
        const int pitch = TransposedPitch(step.pitch, masterPitch);
        voice.frequency = PitchFrequency(table, pitch);
        const float level = Gain(VolumeAttenuation(step.volume, masterVolume));
        const long pan = PanBalance(step.pan);
        voice.gainLeft = pan > 0 ? level * Gain(-pan) : level;
        voice.gainRight = pan < 0 ? level * Gain(pan) : level;
        slotVoice[m][s] = static_cast<int>(plan->voices.size());
        plan->voices.push_back(voice);
        plan->pitches.push_back(pitch);
        plan->soundsUsed[static_cast<size_t>(sound)] = true;
    }
    plan->cycleFrames = StepOnsetFrame(static_cast<int64_t>(slots.size()), interval);
    return PlanOutcome::Planned;
}

std::vector<MixVoice> VoicesAtSoundRates(const ExportPlan& plan, const std::vector<uint32_t>& rates) {
    std::vector<MixVoice> voices = plan.voices;
    if (!plan.ownRate) return voices;
    const PitchTable table;
    for (size_t i = 0; i < voices.size() && i < plan.pitches.size(); ++i) {
        const size_t sound = static_cast<size_t>(voices[i].sound);
        const uint32_t rate = sound < rates.size() ? rates[sound] : kPitchZeroRate;
        voices[i].frequency = StepFrequency(table, plan.pitches[i], rate, true);
    }
    return voices;
}
