#include "playback/plan_player.h"

#include <algorithm>

PlanPlayer::PlanPlayer(const ExportPlan& plan, VoiceRenderer& renderer, int64_t slotsEnd)
    : plan_(plan), renderer_(renderer), slotsEnd_(slotsEnd) {
    plan_.Restart();
    hasNext_ = plan_.Next(&next_) && next_.frame < slotsEnd_;
}

void PlanPlayer::ApplyDueSlots() {
    while (hasNext_ && next_.frame <= position_) {
        if (next_.cutVoice >= 0) renderer_.Stop(next_.cutVoice);
        renderer_.Start(next_.voice, next_.start);
        hasNext_ = plan_.Next(&next_) && next_.frame < slotsEnd_;
    }
}

int64_t PlanPlayer::RunLength(int64_t frames) const {
    return hasNext_ ? std::min(frames, next_.frame - position_) : frames;
}

void PlanPlayer::Render(float* out, size_t frames) {
    int64_t left = static_cast<int64_t>(frames);
    while (left > 0) {
        ApplyDueSlots();
        const int64_t run = RunLength(left);
        renderer_.Render(out, static_cast<size_t>(run));
        out += 2 * run;
        position_ += run;
        left -= run;
    }
}

void PlanPlayer::Skip(int64_t frames) {
    while (frames > 0) {
        ApplyDueSlots();
        const int64_t run = RunLength(frames);
        renderer_.Skip(run);
        position_ += run;
        frames -= run;
    }
}
