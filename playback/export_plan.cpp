#include "playback/export_plan.h"

#include <algorithm>
#include <cmath>

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

int64_t FrameAtMs(double ms) { return std::llround(ms * kOutputRate / 1000.0); }

int64_t StepOnsetFrame(int64_t index, double intervalMs, double delayMs) {
    return FrameAtMs(static_cast<double>(index) * intervalMs + delayMs);
}

PlanOutcome ExportPlan::Make(const Setup& setup, int soundCount) {
    *this = ExportPlan();
    interval_ = StepIntervalMs(setup.tempo);
    if (!IsUsableInterval(interval_)) return PlanOutcome::UnusableTempo;
    slotCount_ = CycleSlotCount(setup);
    // Whatever rings after it, the cycle alone must fit in one file (checked
    // again below, when the timer's one step per tick is known).
    if (static_cast<double>(slotCount_) * interval_ * kOutputRate / 1000.0 > static_cast<double>(kMaxStereoPcm16Frames))
        return PlanOutcome::TooLong;

    for (int m : CycleMeasures(setup)) {
        order_[orderLength_] = m;
        passes_[orderLength_] = Passes(setup.measures[m]);
        ++orderLength_;
    }
    activeSteps_ = ActiveSteps(setup);
    monophonic_ = setup.polyphonic == 0;
    masterVolume_ = setup.masterVolume;
    masterPitch_ = setup.masterPitch;
    swing_ = setup.swing;
    ownRate_ = setup.ownRate != 0;
    soundCount_ = std::max(0, soundCount);
    for (int m = 0; m < Setup::kPlayableMeasures; ++m) {
        for (int s = 0; s < Setup::kStepsPerMeasure; ++s) {
            const Step& step = setup.measures[m].steps[s];
            steps_[m][s] = {step.on != 0, {step.sound, step.pitch, step.volume, step.pan}};
        }
    }

    // One walk round the cycle: which sounds it uses, and where it ends.
    soundsUsed_.assign(static_cast<size_t>(soundCount_), false);
    double due = 0.0;
    for (int64_t i = 0; i < slotCount_; ++i) {
        const int step = stepIndex_;
        const StepValues& values = steps_[order_[orderIndex_]][step];
        due = DueMs(i, step, due);
        if (values.on) {
            anySounds_ = true;
            if (values.sound.sound >= 0 && values.sound.sound < soundCount_)
                soundsUsed_[static_cast<size_t>(values.sound.sound)] = true;
        }
        MoveOn();
    }
    // The next cycle's first step (the first of a measure: never swung).
    cycleMs_ = StepSoundsAtMs(static_cast<double>(slotCount_) * interval_, due);
    cycleFrames_ = FrameAtMs(cycleMs_);
    if (cycleFrames_ > kMaxStereoPcm16Frames) return PlanOutcome::TooLong;
    Restart();
    return PlanOutcome::Planned;
}

void ExportPlan::Restart() {
    round_ = 0;
    slot_ = 0;
    orderIndex_ = 0;
    pass_ = 0;
    stepIndex_ = 0;
    due_ = 0.0;
    lastVoice_ = 0;  // as the sequencer's first cut: of a voice that is not sounding
}

double ExportPlan::DueMs(int64_t slot, int step, double previousDue) const {
    const double nominal = static_cast<double>(slot) * interval_ + SwingDelayMs(step, swing_, interval_);
    return slot == 0 ? nominal : StepSoundsAtMs(nominal, previousDue);
}

void ExportPlan::MoveOn() {
    ++slot_;
    if (++stepIndex_ < activeSteps_) return;
    stepIndex_ = 0;
    if (++pass_ < passes_[orderIndex_]) return;
    pass_ = 0;
    if (++orderIndex_ < orderLength_) return;
    orderIndex_ = 0;
    slot_ = 0;
    ++round_;
}

bool ExportPlan::Next(SlotSound* sound) {
    if (!anySounds_) return false;
    for (;;) {
        const int measure = order_[orderIndex_];
        const int step = stepIndex_;
        due_ = DueMs(slot_, step, due_);
        const int64_t frame = round_ * cycleFrames_ + FrameAtMs(due_);
        MoveOn();
        const StepValues& values = steps_[measure][step];
        if (!values.on) continue;

        const int voice = measure * Setup::kStepsPerMeasure + step;
        sound->frame = frame;
        sound->cutVoice = monophonic_ ? lastVoice_ : -1;
        sound->voice = voice;
        const int index = values.sound.sound;
        const uint32_t rate = index >= 0 && static_cast<size_t>(index) < soundRates_.size()
                                  ? soundRates_[static_cast<size_t>(index)]
                                  : kPitchZeroRate;
        sound->start = StepVoiceStart(table_, values.sound, masterVolume_, masterPitch_, false, rate, ownRate_);
        if (values.sound.sound >= soundCount_) sound->start.sound = -1;  // no voice: silent
        lastVoice_ = voice;
        return true;
    }
}
