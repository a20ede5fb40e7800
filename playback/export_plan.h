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

// Output frame (44.1 kHz) of the step that falls due `index` step lengths
// after the start and sounds `delayMs` (its swing) after that.
int64_t StepOnsetFrame(int64_t index, double intervalMs, double delayMs = 0.0);

struct ExportPlan {
    std::vector<MixVoice> voices;  // in onset order
    int64_t cycleFrames = 0;       // where the cycle's next step would fall
    std::vector<bool> soundsUsed;  // by sound index: sounded by some voice
    // Sounds at their own rate: the voices' frequencies are for 44.1 kHz
    // files until VoicesAtSoundRates gives each its sound's rate.
    bool ownRate = false;
    std::vector<int> pitches;  // by voice: the pitch it sounds at, master pitch included
};

enum class PlanOutcome { Planned, UnusableTempo, TooLong };

// The voices of one cycle for a sound list of `soundCount` sounds. Mute is
// ignored; the master volume and pitch apply as they do in playback.
PlanOutcome PlanExport(const Setup& setup, int soundCount, ExportPlan* plan);

// The plan's voices for sounds of these file rates (by sound index), known
// once the sounds are read: with sounds at their own rate each frequency
// follows its sound's rate; otherwise the voices as planned.
std::vector<MixVoice> VoicesAtSoundRates(const ExportPlan& plan, const std::vector<uint32_t>& rates);
