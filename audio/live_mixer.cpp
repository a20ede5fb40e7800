#include "audio/live_mixer.h"

#include <cmath>

LiveMixer::LiveMixer(double latencyMs)
    : latencyMs_(latencyMs), speedUp_(kLiveSpeedUpKernel, kSpeedUpGrid, true), renderer_(speedUp_) {}

bool LiveMixer::PushTimed(const VoiceCommand& command) {
    if (timed_.Push(command)) return true;
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
}

bool LiveMixer::PushNow(const VoiceCommand& command) {
    if (now_.Push(command)) return true;
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
}

const VoiceCommand* LiveMixer::Earliest(Queue** from) {
    const VoiceCommand* timed = timed_.Front();
    const VoiceCommand* now = now_.Front();
    // At the same moment the interface's command comes first: a new sound
    // list is there for the step that falls due with it.
    if (timed && (!now || timed->atMs < now->atMs)) {
        *from = &timed_;
        return timed;
    }
    *from = &now_;
    return now;
}

int64_t LiveMixer::FrameOf(const VoiceCommand& command) const {
    // Before the stream has said where it is, everything is carried out at once.
    if (!map_.Ready()) return position_;
    return std::llround(map_.FrameAt(command.atMs + latencyMs_));
}

void LiveMixer::Apply(const VoiceCommand& command) {
    switch (command.kind) {
    case VoiceCommand::Start:
        if (command.generation != 0 && command.generation != generation_.load(std::memory_order_relaxed)) break;
        renderer_.Start(command.voice, command.start);
        starts_.fetch_add(1, std::memory_order_relaxed);
        break;
    case VoiceCommand::Stop: renderer_.Stop(command.voice); break;
    case VoiceCommand::StopAll: renderer_.StopAll(); break;
    case VoiceCommand::SilenceAll: renderer_.SilenceAll(); break;
    case VoiceCommand::SetLevel: renderer_.SetLevel(command.voice, command.start.level, command.start.silenced); break;
    case VoiceCommand::Retune: renderer_.Retune(command.voice, command.frequency); break;
    case VoiceCommand::UseSounds:
        renderer_.SetSounds(command.sounds ? command.sounds->sounds.data() : nullptr,
                            command.sounds ? command.sounds->sounds.size() : 0);
        generation_.store(command.sounds ? command.sounds->generation : 0, std::memory_order_release);
        inUse_.store(command.sounds, std::memory_order_release);
        break;
    }
}

void LiveMixer::RunTo(int64_t end, float* out, bool render) {
    const int64_t begin = position_;
    while (position_ < end) {
        Queue* queue = nullptr;
        int64_t until = end;
        if (const VoiceCommand* command = Earliest(&queue)) {
            const int64_t frame = FrameOf(*command);
            if (frame <= position_) {
                if (frame < position_) late_.fetch_add(1, std::memory_order_relaxed);
                Apply(*command);
                queue->Pop();
                continue;
            }
            if (frame < end) until = frame;
        }
        if (render) renderer_.Render(out + 2 * (position_ - begin), static_cast<size_t>(until - position_));
        else renderer_.Skip(until - position_);
        position_ = until;
    }
}

void LiveMixer::Reset() {
    while (timed_.Front()) timed_.Pop();
    while (now_.Front()) now_.Pop();
    renderer_.SetSounds(nullptr, 0);
    inUse_.store(nullptr, std::memory_order_release);
    generation_.store(0, std::memory_order_release);
    map_ = StreamClockMap();
    started_ = false;
    sounding_.store(0, std::memory_order_relaxed);
}

void LiveMixer::Render(float* out, size_t frames, int64_t firstFrame, const StreamClockReading& reading) {
    map_.Observe(reading);
    if (!started_ || firstFrame < position_) {
        position_ = firstFrame;
        started_ = true;
    }
    // Frames the stream went past without us: the voices move on through them.
    if (firstFrame > position_) RunTo(firstFrame, nullptr, false);
    RunTo(firstFrame + static_cast<int64_t>(frames), out, true);
    sounding_.store(renderer_.SoundingCount(), std::memory_order_relaxed);
}
