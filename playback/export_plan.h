// What one cycle of the arrangement sounds, as playback walks it: which step
// is triggered on which output frame, at which frequency and gains, and where
// each voice is cut. The real-time rules apply; only the timing is exact.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/export_mixer.h"
#include "model/setup.h"

struct CycleSlot {
    int measure;
    int step;
};

// Step slots one cycle takes, in order: from the edited measure, every
// measure its passes over the active steps, following each measure's next
// until the chain comes back to a measure already played. Counted without
// being listed, so an absurdly long chain can be refused first.
int64_t CycleSlotCount(const Setup& setup);
std::vector<CycleSlot> CycleSlots(const Setup& setup);

// Output frame (44.1 kHz) of the step that falls due `index` step lengths after the start.
int64_t StepOnsetFrame(int64_t index, double intervalMs);

struct ExportPlan {
    std::vector<MixVoice> voices;  // in onset order
    int64_t cycleFrames = 0;       // where the cycle's next step would fall
    std::vector<bool> soundsUsed;  // by sound index: sounded by some voice
};

enum class PlanOutcome { Planned, UnusableTempo, TooLong };

// The voices of one cycle for a sound list of `soundCount` sounds. Mute is
// ignored; the master volume and pitch apply as they do in playback.
PlanOutcome PlanExport(const Setup& setup, int soundCount, ExportPlan* plan);
