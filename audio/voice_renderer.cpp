#include "audio/voice_renderer.h"

#include <algorithm>

#include "audio/vector_math.h"

namespace {
constexpr double kPhasesPerRemainder = static_cast<double>(kKernelPhases) / kOutputRate;
// The most taps any bank has: the export's kernel at the highest frequency.
constexpr int kMaxTaps = 2 * (static_cast<int>(PreparedSound::kPadding) - 8);

// Frames a voice still plays from its read position.
int64_t FramesLeft(int64_t sourceFrames, int64_t whole, int32_t remainder, int frequency) {
    if (whole >= sourceFrames) return 0;
    const int64_t distance = (sourceFrames - whole) * kOutputRate - remainder;
    return (distance + frequency - 1) / frequency;
}
}  // namespace

int64_t PlayedFrameCount(size_t sourceFrames, int frequency) {
    if (frequency <= 0 || sourceFrames == 0) return 0;
    return FramesLeft(static_cast<int64_t>(sourceFrames), 0, 0, frequency);
}

VoiceRenderer::VoiceRenderer(SpeedUpBanks& speedUp) : speedUp_(speedUp), dense_(kDenseKernel, 1.0) {}

void VoiceRenderer::SetSounds(const PreparedSound* sounds, size_t count) {
    StopAll();
    sounds_ = sounds;
    soundCount_ = sounds ? count : 0;
}

void VoiceRenderer::Start(int index, const VoiceStart& start) {
    if (!Valid(index)) return;
    Voice& voice = voices_[index];
    voice = Voice();
    if (start.sound < 0 || static_cast<size_t>(start.sound) >= soundCount_) return;
    const PreparedSound& sound = sounds_[start.sound];
    if (sound.Empty() || start.frequency <= 0) return;
    voice.sound = &sound;
    voice.frequency = std::min(start.frequency, kMaxVoiceFrequency);
    voice.level = start.level;
    voice.panLeft = start.panLeft;
    voice.panRight = start.panRight;
    voice.silenced = start.silenced;
}

void VoiceRenderer::Stop(int index) {
    if (Valid(index)) voices_[index].sound = nullptr;
}

void VoiceRenderer::StopAll() {
    for (Voice& voice : voices_) voice.sound = nullptr;
}

void VoiceRenderer::SilenceAll() {
    for (Voice& voice : voices_) voice.silenced = true;
}

void VoiceRenderer::SetLevel(int index, float level) {
    if (!IsSounding(index)) return;
    voices_[index].level = level;
    voices_[index].silenced = false;
}

void VoiceRenderer::Retune(int index, int frequency) {
    if (IsSounding(index) && frequency > 0) voices_[index].frequency = std::min(frequency, kMaxVoiceFrequency);
}

bool VoiceRenderer::IsSounding(int index) const { return Valid(index) && voices_[index].sound != nullptr; }

int VoiceRenderer::SoundingCount() const {
    int count = 0;
    for (const Voice& voice : voices_) count += voice.sound ? 1 : 0;
    return count;
}

void VoiceRenderer::Render(float* out, size_t frames) {
    std::fill(out, out + 2 * frames, 0.0f);
    for (Voice& voice : voices_) {
        if (voice.sound && !RenderVoice(voice, out, frames)) voice.sound = nullptr;
    }
}

void VoiceRenderer::Skip(int64_t frames) {
    for (Voice& voice : voices_) {
        if (!voice.sound) continue;
        if (FramesLeft(voice) <= frames) voice.sound = nullptr;
        else Advance(voice, frames);
    }
}

int64_t VoiceRenderer::FramesUntilSilent() const {
    int64_t longest = 0;
    for (const Voice& voice : voices_) {
        if (voice.sound) longest = std::max(longest, FramesLeft(voice));
    }
    return longest;
}

int64_t VoiceRenderer::FramesLeft(const Voice& voice) {
    return ::FramesLeft(static_cast<int64_t>(voice.sound->Frames()), voice.whole, voice.remainder, voice.frequency);
}

bool VoiceRenderer::RenderVoice(Voice& voice, float* out, size_t frames) {
    const int64_t left = FramesLeft(voice);
    const size_t count = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(frames)));
    const float gainLeft = voice.silenced ? 0.0f : voice.level * voice.panLeft;
    const float gainRight = voice.silenced ? 0.0f : voice.level * voice.panRight;
    if (gainLeft == 0.0f && gainRight == 0.0f) {
        // Unheard, but it runs on: un-muted later it sounds where it has got to.
        Advance(voice, static_cast<int64_t>(count));
    } else if (voice.frequency == kOutputRate && voice.remainder == 0) {
        CopyAtOutputRate(voice, gainLeft, gainRight, out, count);
    } else if (voice.frequency <= kOutputRate) {
        ReadDense(voice, gainLeft, gainRight, out, count);
    } else {
        ReadSpedUp(voice, gainLeft, gainRight, out, count);
    }
    return static_cast<int64_t>(frames) < left;
}

void VoiceRenderer::Advance(Voice& voice, int64_t frames) {
    // In two parts, so that no product can overflow however far it goes.
    voice.whole += frames / kOutputRate * voice.frequency;
    const int64_t moved = static_cast<int64_t>(voice.remainder) + frames % kOutputRate * voice.frequency;
    voice.whole += moved / kOutputRate;
    voice.remainder = static_cast<int32_t>(moved % kOutputRate);
}

void VoiceRenderer::CopyAtOutputRate(Voice& voice, float left, float right, float* out, size_t frames) {
    const PreparedSound& sound = *voice.sound;
    const float* l = sound.Samples(0) + voice.whole;
    const float* r = sound.Samples(sound.Channels() - 1) + voice.whole;
    for (size_t n = 0; n < frames; ++n) {
        out[2 * n] += left * l[n];
        out[2 * n + 1] += right * r[n];
    }
    voice.whole += static_cast<int64_t>(frames);
}

void VoiceRenderer::ReadDense(Voice& voice, float left, float right, float* out, size_t frames) {
    // The dense signal has two points per frame: frame i at 2i, the point
    // half-way to the next at 2i + 1. Its taps alternate between the two
    // lanes, so each lane is read as one contiguous run of every second tap.
    const PreparedSound& sound = *voice.sound;
    const int channels = sound.Channels();
    const int reach = dense_.Reach();
    const int half = dense_.Taps() / 2;
    const int wholeStep = voice.frequency / kOutputRate;  // 0: slower than the output
    const int remainderStep = voice.frequency % kOutputRate;
    float even[kMaxTaps / 2], odd[kMaxTaps / 2];
    for (size_t n = 0; n < frames; ++n) {
        int32_t doubled = 2 * voice.remainder;
        int64_t point = 2 * voice.whole;
        if (doubled >= kOutputRate) doubled -= kOutputRate, point += 1;
        const double phase = doubled * kPhasesPerRemainder;
        const int q = static_cast<int>(phase);
        const float t = static_cast<float>(phase - q);
        const float* a = dense_.Row(q);
        const float* b = dense_.Row(q + 1);
        for (int i = 0; i < half; ++i) {
            even[i] = a[2 * i] + t * (b[2 * i] - a[2 * i]);
            odd[i] = a[2 * i + 1] + t * (b[2 * i + 1] - a[2 * i + 1]);
        }
        const int64_t first = point - reach + 1;
        const bool startsOnFrame = (first & 1) == 0;
        float value[2];
        for (int c = 0; c < channels; ++c) {
            const float* frames = sound.Samples(c);
            const float* midpoints = sound.Midpoints(c);
            // Exact halves: `first` is even in the one case and odd in the other.
            const float* onEven = startsOnFrame ? frames + first / 2 : midpoints + (first - 1) / 2;
            const float* onOdd = startsOnFrame ? midpoints + first / 2 : frames + (first + 1) / 2;
            value[c] = Dot(even, onEven, half) + Dot(odd, onOdd, half);
        }
        out[2 * n] += left * value[0];
        out[2 * n + 1] += right * value[channels - 1];

        voice.whole += wholeStep;
        voice.remainder += remainderStep;
        if (voice.remainder >= kOutputRate) voice.remainder -= kOutputRate, voice.whole += 1;
    }
}

void VoiceRenderer::ReadSpedUp(Voice& voice, float left, float right, float* out, size_t frames) {
    const PreparedSound& sound = *voice.sound;
    const int channels = sound.Channels();
    const PolyphaseBank& bank = speedUp_.ForFrequency(voice.frequency);
    const int taps = std::min(bank.Taps(), kMaxTaps);
    const int reach = bank.Reach();
    const int wholeStep = voice.frequency / kOutputRate;
    const int remainderStep = voice.frequency % kOutputRate;
    float weights[kMaxTaps];
    for (size_t n = 0; n < frames; ++n) {
        const double phase = voice.remainder * kPhasesPerRemainder;
        const int q = static_cast<int>(phase);
        Blend(bank.Row(q), bank.Row(q + 1), static_cast<float>(phase - q), weights, taps);
        const int64_t first = voice.whole - reach + 1;
        float value[2];
        for (int c = 0; c < channels; ++c) value[c] = Dot(weights, sound.Samples(c) + first, taps);
        out[2 * n] += left * value[0];
        out[2 * n + 1] += right * value[channels - 1];

        voice.whole += wholeStep;
        voice.remainder += remainderStep;
        if (voice.remainder >= kOutputRate) voice.remainder -= kOutputRate, voice.whole += 1;
    }
}
