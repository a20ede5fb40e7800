// Plays an export plan's slots through a renderer, each on its own frame:
// the renderer's frames are rendered (or skipped) up to a slot's frame, the
// slot's cut and start applied there, and so on.
#pragma once

#include <cstdint>
#include <limits>

#include "audio/voice_renderer.h"
#include "playback/export_plan.h"

class PlanPlayer {
public:
    static constexpr int64_t kNoEnd = std::numeric_limits<int64_t>::max();

    // Plays `plan` from its first slot; slots on `slotsEnd` or later are left
    // out (a cycle and its tails), none by default (round after round).
    PlanPlayer(const ExportPlan& plan, VoiceRenderer& renderer, int64_t slotsEnd = kNoEnd);

    int64_t Position() const { return position_; }
    // The next `frames` frames, as VoiceRenderer::Render writes them.
    void Render(float* out, size_t frames);
    // The same without rendering: the voices only move on.
    void Skip(int64_t frames);

private:
    // Applies the slots that fall on the current position.
    void ApplyDueSlots();
    // Frames from the current position to the next slot, at most `frames`.
    int64_t RunLength(int64_t frames) const;

    ExportPlan plan_;
    VoiceRenderer& renderer_;
    int64_t slotsEnd_;
    int64_t position_ = 0;
    SlotSound next_;
    bool hasNext_ = false;
};
