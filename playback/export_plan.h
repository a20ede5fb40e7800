// What the arrangement sounds when it is exported, as playback walks it: the
// cycle from the edited measure, every measure its passes over the active
// steps, following each measure's next until the chain comes back to a
// measure already played. The real-time rules apply (one voice per step, a
// start restarts the step's own voice, without polyphony a start first cuts
// the step started before it, swing, no two steps closer than one timer
// tick); only the timing is exact: each step on its own output frame.
//
// The plan is a snapshot of the Setup, taken on the interface thread, so the
// export can go on beside the editor; it is walked slot by slot, never
// listed, so memory does not grow with the arrangement's length.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/sound_maps.h"
#include "audio/voice_parameters.h"
#include "model/setup.h"

struct CycleSlot {
    int measure;
    int step;
};

// Step slots one cycle takes. Counted without being listed, so an absurdly
// long chain can be refused first.
int64_t CycleSlotCount(const Setup& setup);
// The slots themselves, in order (for tests and short cycles).
std::vector<CycleSlot> CycleSlots(const Setup& setup);

// Output frame (44.1 kHz) of a time `ms` after the start.
int64_t FrameAtMs(double ms);
// Output frame of the step that falls due `index` step lengths after the
// start and sounds `delayMs` (its swing) after that.
int64_t StepOnsetFrame(int64_t index, double intervalMs, double delayMs = 0.0);

// A slot whose step is on: on `frame`, first the voice the monophonic rule
// cuts (if any), then the step's own voice starts.
struct SlotSound {
    int64_t frame = 0;
    int cutVoice = -1;
    int voice = 0;  // measure × 16 + step
    VoiceStart start;
};

enum class PlanOutcome { Planned, UnusableTempo, TooLong };

class ExportPlan {
public:
    // Sounds beyond `soundCount` are silent. Mute does not apply; the master
    // volume and pitch do, as in playback.
    PlanOutcome Make(const Setup& setup, int soundCount);

    int64_t SlotCount() const { return slotCount_; }
    // Where the cycle's next step would fall: the length of one cycle.
    int64_t CycleFrames() const { return cycleFrames_; }
    // By sound index: sounded by some step of the cycle.
    const std::vector<bool>& SoundsUsed() const { return soundsUsed_; }

    // The rate each sound of the list was recorded at, by sound index: what
    // its voices play at when sounds play at their own rate.
    void SetSoundRates(std::vector<uint32_t> rates) { soundRates_ = std::move(rates); }

    // Back to the first slot of the first cycle.
    void Restart();
    // The next slot that sounds, round after round: each cycle lies
    // CycleFrames() after the one before, so the rounds repeat exactly.
    // False when no slot of the cycle sounds.
    bool Next(SlotSound* sound);

private:
    struct StepValues {
        bool on;
        StepSound sound;
    };
    // The due time of slot `slot` (its step `step`) in ms from the cycle's
    // start, after a slot due at `previousDue`.
    double DueMs(int64_t slot, int step, double previousDue) const;
    // Moves the walk to the next slot of the cycle, round after round.
    void MoveOn();

    StepValues steps_[Setup::kPlayableMeasures][Setup::kStepsPerMeasure] = {};
    int order_[Setup::kPlayableMeasures] = {};
    int passes_[Setup::kPlayableMeasures] = {};
    int orderLength_ = 0;
    int activeSteps_ = 1;
    bool monophonic_ = true;
    int masterVolume_ = 80;
    int masterPitch_ = 0;
    int swing_ = 500;
    bool ownRate_ = false;
    std::vector<uint32_t> soundRates_;
    int soundCount_ = 0;
    double interval_ = 0.0;
    PitchTable table_;

    int64_t slotCount_ = 0;
    double cycleMs_ = 0.0;
    int64_t cycleFrames_ = 0;
    std::vector<bool> soundsUsed_;
    bool anySounds_ = false;

    // Where the walk is.
    int64_t round_ = 0;
    int64_t slot_ = 0;
    int orderIndex_ = 0;
    int pass_ = 0;
    int stepIndex_ = 0;
    double due_ = 0.0;
    int lastVoice_ = 0;
};

// Makes `plan` for the Setup as it stands (ExportPlan::Make).
inline PlanOutcome PlanExport(const Setup& setup, int soundCount, ExportPlan* plan) {
    return plan->Make(setup, soundCount);
}
